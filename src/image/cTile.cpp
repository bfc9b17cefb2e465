#include "image/cTile.h"

#include <QPainter>

void cTile::SetPatternFromStdPicture(const QImage& picture)
{
    m_brush = picture.isNull() ? QBrush(Qt::NoBrush) : QBrush(picture);
}

void cTile::SetPatternFromHatchBrush(int style, QRgb colour)
{
    static const Qt::BrushStyle styles[] = {Qt::HorPattern,   Qt::VerPattern,
                                            Qt::FDiagPattern, Qt::BDiagPattern,
                                            Qt::CrossPattern, Qt::DiagCrossPattern};
    if (style < 0 || style > 5) {
        m_brush = QBrush(Qt::NoBrush);
        return;
    }
    m_brush = QBrush(QColor(colour), styles[style]);
}

void cTile::SetPatternFromSolidColor(QRgb colour)
{
    m_brush = QBrush(QColor(colour), Qt::SolidPattern);
}

void cTile::Tile(QPainter& target, int left, int top, int width, int height,
                 bool alignToOrigin) const
{
    if (!HasPattern())
        return;
    target.save();
    target.setBrushOrigin(alignToOrigin ? QPoint(left, top) : QPoint(0, 0));
    target.fillRect(QRect(left, top, width, height), m_brush);
    target.restore();
}

void cTile::DestroyPattern()
{
    m_brush = QBrush(Qt::NoBrush);
}
