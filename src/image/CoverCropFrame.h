#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The square frame of "Make square...": the user moves it over the cover picture and changes
// its side; it never leaves the picture.
class CoverCropFrame {
public:
    // Starts as the largest square in the middle of the picture.
    explicit CoverCropFrame(const QSize& picture);

    QSize picture() const { return m_picture; }
    QRect square() const { return m_square; }
    int largestSide() const { return qMin(m_picture.width(), m_picture.height()); }

    // The top left corner moves to `topLeft`, as far as the picture allows.
    void moveTo(const QPoint& topLeft);
    void moveBy(const QPoint& delta) { moveTo(m_square.topLeft() + delta); }
    // A new side (1 to largestSide()) around the same centre, moved back inside when needed.
    void setSide(int side);

private:
    QSize m_picture;
    QRect m_square;
};
