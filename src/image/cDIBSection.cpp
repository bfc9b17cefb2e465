#include "image/cDIBSection.h"

#include "common/Prompts.h"
#include "image/cDib.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

#include <cmath>
#include <cstring>

void cDIBSection::CopyToClipboard(Prompts& prompts, bool asDib) const
{
    if (asDib)
        prompts.message(QStringLiteral(
            "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"));
    if (!IsValid())
        return;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return;
    QGuiApplication::clipboard()->setImage(Image().copy());
}

bool cDIBSection::CreateDIB(int width, int height)
{
    ClearUp();
    if (!cDib::AllocateBits(m_bits, width, height, 24, m_bytesPerScanLine))
        return false;
    m_width = width;
    m_height = height;
    return true;
}

bool cDIBSection::Create(int width, int height)
{
    return CreateDIB(width, height);
}

bool cDIBSection::CreateFromPicture(const QImage& picture)
{
    if (picture.isNull() || !Create(picture.width(), picture.height()))
        return false;
    LoadPictureBlt(picture, 0, 0, picture.width(), picture.height());
    return true;
}

void cDIBSection::LoadPictureBlt(const QImage& source, int left, int top, int width, int height)
{
    if (!IsValid() || source.isNull() || left < 0 || top < 0)
        return;
    const QImage rgb = source.convertToFormat(QImage::Format_BGR888);
    const int w = qMin(qMin(width, m_width), rgb.width() - left);
    const int h = qMin(qMin(height, m_height), rgb.height() - top);
    for (int y = 0; y < h; ++y)
        std::memcpy(m_bits.data() + qint64(y) * m_bytesPerScanLine,
                    rgb.constScanLine(y + top) + left * 3, size_t(qMax(w, 0)) * 3);
}

void cDIBSection::PaintPicture(QPainter& target, int left, int top, int width, int height,
                               int sourceLeft, int sourceTop) const
{
    if (IsValid())
        target.drawImage(QRect(left, top, width, height), Image(),
                         QRect(sourceLeft, sourceTop, width, height));
}

void cDIBSection::RandomiseBits(quint32 seed)
{
    quint32 state = seed ? seed : 0x9e3779b9u;
    for (uchar& b : m_bits) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = uchar(state);
    }
}

void cDIBSection::ClearUp()
{
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_width = m_height = m_bytesPerScanLine = 0;
}

cDIBSection cDIBSection::Resample(int newHeight, int newWidth) const
{
    cDIBSection result;
    if (!IsValid() || !result.Create(newWidth, newHeight))
        return result;
    if (newWidth == m_width && newHeight == m_height) {
        result.m_bits = m_bits;
        return result;
    }
    const float xr = float(m_width) / float(newWidth);
    const float yr = float(m_height) / float(newHeight);
    const int stride = m_bytesPerScanLine;
    const uchar* src = m_bits.data();
    for (int y = 0; y < newHeight; ++y) {
        const float sy = float(y) * yr;
        const int iy = qMin(int(sy), m_height - 1);
        const float fy = sy - float(iy);
        // Neighbours beyond the right and bottom edges repeat the last column and row.
        const int iy1 = qMin(iy + 1, m_height - 1);
        const uchar* row0 = src + qint64(iy) * stride;
        const uchar* row1 = src + qint64(iy1) * stride;
        uchar* out = result.m_bits.data() + qint64(y) * result.m_bytesPerScanLine;
        for (int x = 0; x < newWidth; ++x) {
            const float sx = float(x) * xr;
            const int ix = qMin(int(sx), m_width - 1);
            const float fx = sx - float(ix);
            const int ix1 = qMin(ix + 1, m_width - 1);
            const float w00 = (1 - fx) * (1 - fy);
            const float w10 = fx * (1 - fy);
            const float w01 = (1 - fx) * fy;
            const float w11 = fx * fy;
            for (int c = 0; c < 3; ++c) {
                const float v = w00 * row0[ix * 3 + c] + w10 * row0[ix1 * 3 + c]
                                + w01 * row1[ix * 3 + c] + w11 * row1[ix1 * 3 + c];
                out[x * 3 + c] = uchar(qBound(0.0f, std::nearbyint(v), 255.0f));
            }
        }
    }
    return result;
}

QImage cDIBSection::Image() const
{
    if (!IsValid())
        return {};
    return QImage(m_bits.data(), m_width, m_height, m_bytesPerScanLine, QImage::Format_BGR888);
}
