#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QPainter;

// A device-independent bitmap of 1, 4, 8, 24 or 32 bits per pixel held in our own memory with
// the Windows byte layout: rows top-down, each padded by the scan-line rule, pixels as B,G,R(,A)
// and a colour table of up to 256 (blue, green, red, reserved) entries for the paletted depths.
class cDib {
public:
    // Bytes per scan line by the rule both bitmap classes share.
    static qint64 ScanLineBytes(qint64 width, int bitsPerPixel);
    // Fits width x height into maxWidth x maxHeight keeping the aspect ratio (see GetBestFitInfo).
    static void BestFit(int width, int height, int maxWidth, int maxHeight, int& left, int& top,
                        int& fitWidth, int& fitHeight, bool stretch);

    // Zeroed memory for a bitmap by the scan-line rule; refuses sizes only a damaged header asks
    // for (over 1 GiB) and allocation failures.
    static bool AllocateBits(std::vector<uchar>& bits, int width, int height, int bitsPerPixel,
                             int& bytesPerScanLine);

    bool Create(int width, int height, int bitsPerPixel);
    // Copies a picture into a new bitmap of 24 or 32 bits per pixel, or 8 with its colour table.
    bool CreateFromStdPicture(const QImage& picture, int bitsPerPixel = 32);
    // Loads a Windows bitmap file, keeping its depth (4-bit files become 8-bit, 16-bit 24-bit).
    bool CreateFromBitmapFile(const QString& path);
    bool CloneTo(cDib& target) const;
    void Destroy();
    // Copies the area of a picture starting at (sourceLeft, sourceTop) into the bitmap's origin.
    void LoadBlt(const QImage& source, int sourceLeft = 0, int sourceTop = 0);
    void Stretch(QPainter& target, int left, int top, int width, int height) const;
    // Fills the bitmap with a colour; paletted depths take the nearest table entry.
    void Cls(QRgb colour);
    // RGBQUAD entries: (bytes.size() / 4) entries from index 0, at most the depth's table size.
    void SetPalette(const QByteArray& bytes);
    QByteArray GetPalette() const;
    void GetBestFitInfo(int maxWidth, int maxHeight, int& left, int& top, int& width, int& height,
                        bool stretch) const;

    bool IsValid() const { return !m_bits.empty(); }
    uchar* lpBits() { return m_bits.data(); }
    const uchar* lpBits() const { return m_bits.data(); }
    uchar* ScanLine(int y) { return m_bits.data() + qint64(y) * m_bytesPerScanLine; }
    const uchar* ScanLine(int y) const { return m_bits.data() + qint64(y) * m_bytesPerScanLine; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BPP() const { return m_bpp; }
    int BytesPerScanLine() const { return m_bytesPerScanLine; }
    qint64 Size() const { return qint64(m_bits.size()); }
    int PaletteEntries() const; // 2, 16 or 256 for paletted depths, else 0
    QRgb PaletteColor(int index) const;
    void SetPaletteColor(int index, QRgb colour);
    // The bitmap as a QImage sharing this buffer (a copy for 4 bits per pixel); valid while the
    // bitmap lives and is not re-created.
    QImage Image() const;

private:
    std::vector<uchar> m_bits;
    std::array<uchar, 1024> m_palette{};
    int m_width = 0;
    int m_height = 0;
    int m_bpp = 0;
    int m_bytesPerScanLine = 0;
};
