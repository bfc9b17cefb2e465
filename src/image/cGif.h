#pragma once

#include "image/cDib.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

class QPainter;

// A GIF file held as a logical screen with an optional global colour table, an ordered list of
// frames and comments. Reads GIF87a and GIF89a, writes GIF89a. Frames count from 0.
class cGif {
public:
    // Frames beyond this many pixels in all are refused when loading: no channel image comes
    // near it, and it keeps damaged headers from asking for gigabytes.
    static constexpr qint64 kMaxTotalPixels = qint64(16) * 1024 * 1024;

    bool LoadFromFile(const QString& path);
    // Replaces the content; a wrong signature, a damaged header or a frame that is empty or
    // does not lie within the logical screen fails the load and leaves the object empty. Image
    // data that ends early leaves the rest of that frame at index 0.
    bool LoadFromStream(const QByteArray& bytes);
    // Writes the content as a GIF89a file, replacing an existing one only once it is complete.
    bool Save(const QString& path) const;
    QByteArray SaveToBytes() const;
    void Destroy();

    // Logical screen.
    int ScreenWidth() const { return m_screenWidth; }
    int ScreenHeight() const { return m_screenHeight; }
    void SetScreenSize(int width, int height);
    int ScreenBackgroundColorIndex() const { return m_background; }
    void SetScreenBackgroundColorIndex(int index) { m_background = quint8(index); }
    int ScreenPixelAspectRatio() const { return m_aspect; }
    bool GlobalPaletteExists() const { return m_globalExists; }
    bool GlobalPaletteSorted() const { return m_globalSorted; }
    int GlobalPaletteEntries() const { return m_globalExists ? m_globalEntries : 0; }
    QRgb GlobalPaletteColor(int index) const;
    const uchar* lpGlobalPalette() const { return m_global.data(); }
    // entries RGBQUADs (blue, green, red, reserved); the table is written with 2^n entries.
    void SetGlobalPalette(const QByteArray& rgbQuads);
    void RemoveGlobalPalette();
    int AnimationLoops() const { return m_loops; }
    void SetAnimationLoops(int loops) { m_loops = quint16(loops); }
    QString TrailingComment(int index) const { return m_trailing.value(index); }
    int TrailingCommentsCount() const { return int(m_trailing.size()); }
    int FramesCount() const { return int(m_frames.size()); }

    // Frames.
    int FrameLeft(int f) const { return frame(f).left; }
    int FrameTop(int f) const { return frame(f).top; }
    int FrameWidth(int f) const { return frame(f).image.Width(); }
    int FrameHeight(int f) const { return frame(f).image.Height(); }
    bool FrameInterlaced(int f) const { return frame(f).interlaced; }
    bool LocalPaletteUsed(int f) const { return frame(f).localUsed; }
    bool LocalPaletteSorted(int f) const { return frame(f).localSorted; }
    int LocalPaletteEntries(int f) const { return frame(f).localUsed ? frame(f).localEntries : 0; }
    const uchar* lpFramePalette(int f) const { return frame(f).palette.data(); }
    QRgb lpFramePaletteColor(int f, int index) const;
    int FrameDelay(int f) const { return frame(f).delay; }
    int FrameDisposalMethod(int f) const { return frame(f).disposal; }
    bool FrameUserInput(int f) const { return frame(f).userInput; }
    bool FrameUseTransparentColor(int f) const { return frame(f).useTransparent; }
    int FrameTransparentColorIndex(int f) const { return frame(f).transparentIndex; }
    const cDib& FrameDIBXOR(int f) const { return frame(f).image; }
    const cDib& FrameDIBAND(int f) const { return frame(f).mask; }
    // The frame with its transparent pixels see-through.
    QImage FrameImage(int f) const;
    QString FrameComment(int f, int index) const { return frame(f).comments.value(index); }
    int FrameCommentsCount(int f) const { return int(frame(f).comments.size()); }

    void SetFramePosition(int f, int left, int top);
    void SetFrameInterlaced(int f, bool on) { edit(f).interlaced = on; }
    void SetFrameDelay(int f, int delay) { edit(f).delay = quint16(delay); }
    void SetFrameDisposalMethod(int f, int method) { edit(f).disposal = quint8(method & 7); }
    void SetFrameUserInput(int f, bool on) { edit(f).userInput = on; }
    void SetFrameTransparency(int f, bool use, int index);
    // Gives the frame its own colour table (entries RGBQUADs), or takes it away.
    void SetLocalPalette(int f, const QByteArray& rgbQuads);
    void RemoveLocalPalette(int f);

    // Draws a frame at its place on a logical screen whose origin is (left, top).
    void FrameDraw(QPainter& target, int f, int left, int top) const;
    // Builds the frame's 1-bit transparency mask: 1 where the pixel is the transparent index.
    void FrameMask(int f);
    // Inserts an 8-bit image (with its colour table) as a new frame at index; its table becomes
    // the frame's local table unless useGlobalPalette. Returns the frame's index, -1 on failure.
    int FrameInsert(int index, const cDib& image, bool useGlobalPalette = false);
    int FrameClone(int f);
    void FrameRemove(int f);
    void FrameMoveUp(int f);
    void FrameMoveDown(int f);
    void FrameCommentAdd(int f, const QString& text) { edit(f).comments.append(text); }
    void FrameCommentRemoveAll(int f) { edit(f).comments.clear(); }
    void TrailingCommentAdd(const QString& text) { m_trailing.append(text); }
    void TrailingCommentRemoveAll() { m_trailing.clear(); }

private:
    struct Frame {
        int left = 0;
        int top = 0;
        bool interlaced = false;
        bool localUsed = false;
        bool localSorted = false;
        int localEntries = 0;
        std::array<uchar, 1024> palette{};
        quint16 delay = 0;
        quint8 disposal = 0;
        bool userInput = false;
        bool useTransparent = false;
        quint8 transparentIndex = 0;
        cDib image;
        cDib mask;
        QStringList comments;
    };

    const Frame& frame(int f) const;
    Frame& edit(int f);
    bool parse(const QByteArray& bytes);

    int m_screenWidth = 0;
    int m_screenHeight = 0;
    quint8 m_background = 0;
    quint8 m_aspect = 0;
    bool m_globalExists = false;
    bool m_globalSorted = false;
    int m_globalEntries = 0;
    std::array<uchar, 1024> m_global{};
    quint16 m_loops = 0;
    QStringList m_trailing;
    QList<Frame> m_frames;
    Frame m_none;
};
