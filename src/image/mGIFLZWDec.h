#pragma once

#include <QByteArray>

class cDib;

// Decoding of GIF LZW image data into an 8-bit image.
namespace mGIFLZWDec {

enum class DecodeResult {
    Complete,     // the end code was met, or every pixel was filled
    Truncated,    // the data ended first; the remaining pixels are left as they were
    Corrupt,      // a code past the table (or another impossible code) stopped decoding there
    NotApplicable // the image is not 8 bits per pixel or the code size is out of range
};

// data is the frame's sub-blocks joined without their length bytes. When interlaced, rows
// arrive in the four GIF passes (0, 8, 16 ...; 4, 12 ...; 2, 6 ...; 1, 3 ...).
DecodeResult Decode(cDib& image, bool interlaced, int minimumCodeSize, const QByteArray& data);

} // namespace mGIFLZWDec
