#pragma once

#include <QByteArray>
#include <QImage>

// Turning picture files into pixels the image code works on.
namespace picture_decoding {

// Decodes any format Qt reads, camera-sized photos included. With `autoTransform` a photo's
// orientation tag is applied. A null image when the bytes cannot be decoded.
QImage decode(const QByteArray& bytes, bool autoTransform = false);
// The picture without see-through areas: they show on white as on a web page. Null stays null.
QImage opaque(const QImage& image);

} // namespace picture_decoding
