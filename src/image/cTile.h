#pragma once

#include <QBrush>
#include <QImage>

class QPainter;

// A pattern brush that tiles an area: from a picture, a hatch style or a solid colour.
class cTile {
public:
    void SetPatternFromStdPicture(const QImage& picture);
    // Hatch styles as the platform numbers them: 0 horizontal, 1 vertical, 2 forward diagonal,
    // 3 backward diagonal, 4 cross, 5 diagonal cross.
    void SetPatternFromHatchBrush(int style, QRgb colour);
    void SetPatternFromSolidColor(QRgb colour);
    void Tile(QPainter& target, int left, int top, int width, int height, bool alignToOrigin) const;
    void DestroyPattern();
    bool HasPattern() const { return m_brush.style() != Qt::NoBrush; }

private:
    QBrush m_brush{Qt::NoBrush};
};
