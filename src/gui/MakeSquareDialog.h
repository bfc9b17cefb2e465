#pragma once

#include "image/CoverCropFrame.h"

#include <QDialog>
#include <QImage>

class QComboBox;
class QLabel;
class QSlider;
class SquareFrameView;

// "Make square...": the cover picture with a square frame the user drags over it, the frame's
// side and the size the square is scaled to (3000, 2048 or 1400 pixels).
class MakeSquareDialog : public QDialog {
    Q_OBJECT
public:
    MakeSquareDialog(const QImage& picture, QWidget* parent = nullptr);

    // In the picture's pixels.
    QRect square() const { return m_frame.square(); }
    int size() const;
    CoverCropFrame& frame() { return m_frame; }
    SquareFrameView* view() const { return m_view; }
    // Shows the frame after it changed (the view, the side slider and the line below).
    void frameChanged();

private:
    CoverCropFrame m_frame;
    SquareFrameView* m_view = nullptr;
    QSlider* m_side = nullptr;
    QComboBox* m_size = nullptr;
    QLabel* m_info = nullptr;
};

// The picture scaled to fit the view with the frame drawn on it; dragging moves the frame.
class SquareFrameView : public QWidget {
    Q_OBJECT
public:
    SquareFrameView(const QImage& picture, MakeSquareDialog& dialog);

    // Picture pixels per view pixel.
    double scale() const { return m_scale; }
    // Where the frame is drawn, in the view's coordinates.
    QRect frameRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MakeSquareDialog& m_dialog;
    QImage m_shown;
    double m_scale = 1.0;
    bool m_dragging = false;
    QPoint m_grab;      // the view point the drag started at
    QPoint m_grabFrame; // the frame's top left corner then, in picture pixels
};
