#include "image/CoverCropFrame.h"

#include "image/CoverArt.h"

CoverCropFrame::CoverCropFrame(const QSize& picture)
    : m_picture(picture), m_square(CoverArt::CentredSquare(picture))
{
}

void CoverCropFrame::moveTo(const QPoint& topLeft)
{
    const int x = qBound(0, topLeft.x(), m_picture.width() - m_square.width());
    const int y = qBound(0, topLeft.y(), m_picture.height() - m_square.height());
    m_square.moveTopLeft(QPoint(x, y));
}

void CoverCropFrame::setSide(int side)
{
    side = qBound(1, side, qMax(1, largestSide()));
    // QRect::center() rounds down a pixel for even sides; the frame would creep up and left.
    const QPoint centre = m_square.topLeft() + QPoint(m_square.width() / 2, m_square.height() / 2);
    m_square.setSize(QSize(side, side));
    moveTo(QPoint(centre.x() - side / 2, centre.y() - side / 2));
}
