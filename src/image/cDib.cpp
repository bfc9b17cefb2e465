#include "image/cDib.h"

#include <QFile>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <new>

namespace {

// Refuse bitmaps beyond 1 GiB: they can only come from damaged headers.
constexpr qint64 kMaxBytes = qint64(1) << 30;

int tableSize(int bpp)
{
    return bpp <= 8 ? (1 << bpp) : 0;
}

int nearestEntry(const uchar* table, int entries, QRgb colour)
{
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < entries; ++i) {
        const int db = table[i * 4] - qBlue(colour);
        const int dg = table[i * 4 + 1] - qGreen(colour);
        const int dr = table[i * 4 + 2] - qRed(colour);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace

qint64 cDib::ScanLineBytes(qint64 width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

void cDib::BestFit(int width, int height, int maxWidth, int maxHeight, int& left, int& top,
                   int& fitWidth, int& fitHeight, bool stretch)
{
    if (width <= 0 || height <= 0) {
        left = top = fitWidth = fitHeight = 0;
        return;
    }
    if (width <= maxWidth && height <= maxHeight && !stretch) {
        fitWidth = width;
        fitHeight = height;
    } else {
        const double rx = double(maxWidth) / width;
        const double ry = double(maxHeight) / height;
        // nearbyint rounds halves to the even neighbour in the default rounding mode.
        if (rx < ry) {
            fitWidth = maxWidth;
            fitHeight = int(std::nearbyint(rx * height));
        } else {
            fitHeight = maxHeight;
            fitWidth = int(std::nearbyint(ry * width));
        }
    }
    left = (maxWidth - fitWidth) / 2;
    top = (maxHeight - fitHeight) / 2;
}

bool cDib::Create(int width, int height, int bitsPerPixel)
{
    Destroy();
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24
        && bitsPerPixel != 32)
        return false;
    if (!AllocateBits(m_bits, width, height, bitsPerPixel, m_bytesPerScanLine))
        return false;
    m_width = width;
    m_height = height;
    m_bpp = bitsPerPixel;
    m_palette.fill(0);
    return true;
}

bool cDib::AllocateBits(std::vector<uchar>& bits, int width, int height, int bitsPerPixel,
                        int& bytesPerScanLine)
{
    bits.clear();
    if (width <= 0 || height <= 0)
        return false;
    const qint64 stride = ScanLineBytes(width, bitsPerPixel);
    if (stride * height > kMaxBytes)
        return false;
    try {
        bits.assign(size_t(stride * height), 0);
    } catch (const std::bad_alloc&) {
        bits.clear();
        return false;
    }
    bytesPerScanLine = int(stride);
    return true;
}

bool cDib::CreateFromStdPicture(const QImage& picture, int bitsPerPixel)
{
    if (picture.isNull())
        return false;
    if (bitsPerPixel == 8 && picture.format() == QImage::Format_Indexed8) {
        if (!Create(picture.width(), picture.height(), 8))
            return false;
        const QList<QRgb> table = picture.colorTable();
        for (int i = 0; i < table.size() && i < 256; ++i)
            SetPaletteColor(i, table[i]);
        for (int y = 0; y < m_height; ++y)
            std::memcpy(ScanLine(y), picture.constScanLine(y), size_t(m_width));
        return true;
    }
    if (bitsPerPixel != 24 && bitsPerPixel != 32)
        return false;
    if (!Create(picture.width(), picture.height(), bitsPerPixel))
        return false;
    LoadBlt(picture);
    return true;
}

bool cDib::CreateFromBitmapFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 30 || !bytes.startsWith("BM"))
        return false;
    const auto u16 = [&](int at) { return int(uchar(bytes[at])) | int(uchar(bytes[at + 1])) << 8; };
    // The bit count sits at offset 28 in the usual header and 24 in the old core header.
    const int headerSize = u16(14);
    const int bitCount = headerSize == 12 ? u16(24) : u16(28);
    QImage image;
    if (!image.loadFromData(bytes, "BMP"))
        return false;
    if (bitCount <= 8) {
        const int bpp = bitCount == 1 ? 1 : 8;
        const QImage indexed = image.format() == QImage::Format_Indexed8
                                   ? image
                                   : image.convertToFormat(QImage::Format_Indexed8);
        if (!Create(indexed.width(), indexed.height(), bpp))
            return false;
        const QList<QRgb> table = indexed.colorTable();
        for (int i = 0; i < table.size() && i < tableSize(bpp); ++i)
            SetPaletteColor(i, table[i]);
        for (int y = 0; y < m_height; ++y) {
            const uchar* src = indexed.constScanLine(y);
            uchar* dst = ScanLine(y);
            for (int x = 0; x < m_width; ++x) {
                if (bpp == 8)
                    dst[x] = src[x];
                else if (src[x] & 1)
                    dst[x >> 3] |= uchar(0x80 >> (x & 7));
            }
        }
        return true;
    }
    return CreateFromStdPicture(image, bitCount == 32 ? 32 : 24);
}

bool cDib::CloneTo(cDib& target) const
{
    if (&target == this)
        return IsValid();
    target = *this;
    return target.IsValid();
}

void cDib::Destroy()
{
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_width = m_height = m_bpp = m_bytesPerScanLine = 0;
}

void cDib::LoadBlt(const QImage& source, int sourceLeft, int sourceTop)
{
    if (!IsValid() || source.isNull() || (m_bpp != 24 && m_bpp != 32))
        return;
    const QImage rgb = source.convertToFormat(m_bpp == 32 ? QImage::Format_RGB32
                                                          : QImage::Format_BGR888);
    const int w = qMin(m_width, rgb.width() - sourceLeft);
    const int h = qMin(m_height, rgb.height() - sourceTop);
    if (w <= 0 || h <= 0 || sourceLeft < 0 || sourceTop < 0)
        return;
    const int bytesPerPixel = m_bpp / 8;
    for (int y = 0; y < h; ++y)
        std::memcpy(ScanLine(y), rgb.constScanLine(y + sourceTop) + sourceLeft * bytesPerPixel,
                    size_t(w) * bytesPerPixel);
}

void cDib::Stretch(QPainter& target, int left, int top, int width, int height) const
{
    if (IsValid())
        target.drawImage(QRect(left, top, width, height), Image());
}

void cDib::Cls(QRgb colour)
{
    if (!IsValid())
        return;
    if (m_bpp == 32 || m_bpp == 24) {
        const int bytesPerPixel = m_bpp / 8;
        for (int y = 0; y < m_height; ++y) {
            uchar* p = ScanLine(y);
            for (int x = 0; x < m_width; ++x, p += bytesPerPixel) {
                p[0] = uchar(qBlue(colour));
                p[1] = uchar(qGreen(colour));
                p[2] = uchar(qRed(colour));
                if (bytesPerPixel == 4)
                    p[3] = 0;
            }
        }
        return;
    }
    const int index = nearestEntry(m_palette.data(), tableSize(m_bpp), colour);
    uchar fill = 0;
    if (m_bpp == 8)
        fill = uchar(index);
    else if (m_bpp == 4)
        fill = uchar(index << 4 | index);
    else
        fill = index ? 0xff : 0;
    std::memset(m_bits.data(), fill, m_bits.size());
}

void cDib::SetPalette(const QByteArray& bytes)
{
    if (!IsValid() || m_bpp > 8)
        return;
    const int entries = qMin(int(bytes.size() / 4), tableSize(m_bpp));
    std::memcpy(m_palette.data(), bytes.constData(), size_t(entries) * 4);
}

QByteArray cDib::GetPalette() const
{
    if (!IsValid() || m_bpp > 8)
        return {};
    return QByteArray(reinterpret_cast<const char*>(m_palette.data()), tableSize(m_bpp) * 4);
}

void cDib::GetBestFitInfo(int maxWidth, int maxHeight, int& left, int& top, int& width,
                          int& height, bool stretch) const
{
    BestFit(m_width, m_height, maxWidth, maxHeight, left, top, width, height, stretch);
}

int cDib::PaletteEntries() const
{
    return IsValid() ? tableSize(m_bpp) : 0;
}

QRgb cDib::PaletteColor(int index) const
{
    if (index < 0 || index > 255)
        return qRgb(0, 0, 0);
    const uchar* e = m_palette.data() + index * 4;
    return qRgb(e[2], e[1], e[0]);
}

void cDib::SetPaletteColor(int index, QRgb colour)
{
    if (index < 0 || index > 255)
        return;
    uchar* e = m_palette.data() + index * 4;
    e[0] = uchar(qBlue(colour));
    e[1] = uchar(qGreen(colour));
    e[2] = uchar(qRed(colour));
    e[3] = 0;
}

QImage cDib::Image() const
{
    if (!IsValid())
        return {};
    QList<QRgb> table;
    for (int i = 0; i < tableSize(m_bpp); ++i)
        table.append(PaletteColor(i));
    switch (m_bpp) {
    case 32:
        return QImage(m_bits.data(), m_width, m_height, m_bytesPerScanLine, QImage::Format_RGB32);
    case 24:
        return QImage(m_bits.data(), m_width, m_height, m_bytesPerScanLine, QImage::Format_BGR888);
    case 8: {
        QImage image(m_bits.data(), m_width, m_height, m_bytesPerScanLine, QImage::Format_Indexed8);
        image.setColorTable(table);
        return image;
    }
    case 1: {
        QImage image(m_bits.data(), m_width, m_height, m_bytesPerScanLine, QImage::Format_Mono);
        image.setColorTable(table);
        return image;
    }
    default: {
        // QImage has no 4-bit format: unpack into an 8-bit copy.
        QImage image(m_width, m_height, QImage::Format_Indexed8);
        image.setColorTable(table);
        for (int y = 0; y < m_height; ++y) {
            const uchar* src = ScanLine(y);
            uchar* dst = image.scanLine(y);
            for (int x = 0; x < m_width; ++x)
                dst[x] = (x & 1) ? (src[x >> 1] & 0x0f) : (src[x >> 1] >> 4);
        }
        return image;
    }
    }
}
