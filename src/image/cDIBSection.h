#pragma once

#include <QImage>

#include <vector>

class Prompts;
class QPainter;

// A 24-bit bitmap (B,G,R, rows top-down, padded by the scan-line rule) used for pictures, JPEG
// output and resampling.
class cDIBSection {
public:
    // Puts the bitmap on the clipboard as a picture; asking for a DIB is answered with a notice.
    void CopyToClipboard(Prompts& prompts, bool asDib) const;
    bool CreateDIB(int width, int height);
    bool CreateFromPicture(const QImage& picture);
    bool Create(int width, int height);
    int BytesPerScanLine() const { return m_bytesPerScanLine; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Copies the area (left, top, width, height) of a picture into the bitmap's origin.
    void LoadPictureBlt(const QImage& source, int left, int top, int width, int height);
    void PaintPicture(QPainter& target, int left, int top, int width, int height,
                      int sourceLeft = 0, int sourceTop = 0) const;
    uchar* DIBSectionBitsPtr() { return m_bits.data(); }
    const uchar* DIBSectionBitsPtr() const { return m_bits.data(); }
    // Fills the bitmap with pseudo-random bytes from a seed (test patterns, noise).
    void RandomiseBits(quint32 seed);
    void ClearUp();
    // A new bitmap of the given size, bilinear; height first as the callers pass it.
    cDIBSection Resample(int newHeight, int newWidth) const;

    bool IsValid() const { return !m_bits.empty(); }
    // A QImage over the bitmap's memory, valid while the bitmap lives and is not re-created.
    QImage Image() const;

private:
    std::vector<uchar> m_bits;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerScanLine = 0;
};
