#pragma once

class QIODevice;
class cDib;

// GIF's variable-length-code LZW compression (the compress form with a 5003-entry hash).
namespace mGIFLZWEnc {

// Writes the pixels of an 8-bit image as GIF data sub-blocks (254 data bytes at most each) to
// an open device. initialCodeWidth is the LZW minimum code size + 1. Interlacing is applied only
// to images of 5 rows or more. Other depths write nothing; returns false then or when the
// device refuses the bytes.
bool Encode(QIODevice& file, const cDib& image, int initialCodeWidth, bool interlaced);

} // namespace mGIFLZWEnc
