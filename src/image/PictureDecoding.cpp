#include "image/PictureDecoding.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace picture_decoding {

namespace {

// Qt refuses to decode pictures over 128 MB by default, which a 48-megapixel camera photo
// (8000 x 6000, 192 MB as 32-bit pixels) already exceeds; users pick such photos and fit them.
constexpr int kDecodeLimitMb = 1024;

} // namespace

QImage decode(const QByteArray& bytes, bool autoTransform)
{
    if (QImageReader::allocationLimit() != 0 && QImageReader::allocationLimit() < kDecodeLimitMb)
        QImageReader::setAllocationLimit(kDecodeLimitMb);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(autoTransform);
    return reader.read();
}

QImage opaque(const QImage& image)
{
    if (image.isNull())
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    painter.end();
    return out;
}

} // namespace picture_decoding
