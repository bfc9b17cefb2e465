#include "image/cGif.h"

#include "image/mGIFLZWDec.h"
#include "image/mGIFLZWEnc.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QSaveFile>

#include <cstring>

namespace {

// Bounds-checked reading of the file's bytes; every read past the end fails.
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(bytes.size())
    {
    }
    bool atEnd() const { return m_pos >= m_size; }
    bool byte(uchar& out)
    {
        if (m_pos >= m_size)
            return false;
        out = m_data[m_pos++];
        return true;
    }
    bool word(int& out)
    {
        if (m_size - m_pos < 2)
            return false;
        out = m_data[m_pos] | m_data[m_pos + 1] << 8;
        m_pos += 2;
        return true;
    }
    const uchar* take(qsizetype n)
    {
        if (n < 0 || m_size - m_pos < n)
            return nullptr;
        const uchar* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    // Joins data sub-blocks up to the zero-length block; false when the data ends first (what
    // was read is kept in out).
    bool subBlocks(QByteArray* out)
    {
        for (;;) {
            uchar length = 0;
            if (!byte(length))
                return false;
            if (length == 0)
                return true;
            const qsizetype n = qMin<qsizetype>(length, m_size - m_pos);
            if (out)
                out->append(reinterpret_cast<const char*>(m_data + m_pos), n);
            m_pos += n;
            if (n < length)
                return false;
        }
    }

private:
    const uchar* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

void readTable(const uchar* rgb, int entries, uchar* quads)
{
    std::memset(quads, 0, 1024);
    for (int i = 0; i < entries; ++i) {
        quads[i * 4] = rgb[i * 3 + 2];
        quads[i * 4 + 1] = rgb[i * 3 + 1];
        quads[i * 4 + 2] = rgb[i * 3];
    }
}

// Bits per entry of a table of `entries` colours (1 .. 8).
int tableBits(int entries)
{
    int bits = 1;
    while ((1 << bits) < entries && bits < 8)
        ++bits;
    return bits;
}

void writeTable(QByteArray& out, const uchar* quads, int entries)
{
    const int padded = 1 << tableBits(entries);
    for (int i = 0; i < padded; ++i) {
        out.append(char(quads[i * 4 + 2]));
        out.append(char(quads[i * 4 + 1]));
        out.append(char(quads[i * 4]));
    }
}

void writeWord(QByteArray& out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void writeComment(QByteArray& out, const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    out.append("\x21\xfe", 2);
    for (qsizetype at = 0; at < bytes.size(); at += 255) {
        const qsizetype n = qMin<qsizetype>(255, bytes.size() - at);
        out.append(char(n));
        out.append(bytes.constData() + at, n);
    }
    out.append(char(0));
}

QByteArray quadsFrom(const QByteArray& rgbQuads, int& entries)
{
    entries = qBound(0, int(rgbQuads.size() / 4), 256);
    QByteArray table(1024, 0);
    std::memcpy(table.data(), rgbQuads.constData(), size_t(entries) * 4);
    return table;
}

} // namespace

const cGif::Frame& cGif::frame(int f) const
{
    return f >= 0 && f < m_frames.size() ? m_frames[f] : m_none;
}

cGif::Frame& cGif::edit(int f)
{
    if (f >= 0 && f < m_frames.size())
        return m_frames[f];
    m_none = Frame();
    return m_none;
}

bool cGif::LoadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Destroy();
        return false;
    }
    return LoadFromStream(file.readAll());
}

bool cGif::LoadFromStream(const QByteArray& bytes)
{
    Destroy();
    if (!parse(bytes)) {
        Destroy();
        return false;
    }
    return true;
}

bool cGif::parse(const QByteArray& bytes)
{
    Reader in(bytes);
    const uchar* header = in.take(6);
    if (!header || std::memcmp(header, "GIF", 3) != 0
        || (std::memcmp(header + 3, "87a", 3) != 0 && std::memcmp(header + 3, "89a", 3) != 0))
        return false;
    uchar packed = 0;
    if (!in.word(m_screenWidth) || !in.word(m_screenHeight) || !in.byte(packed)
        || !in.byte(m_background) || !in.byte(m_aspect))
        return false;
    m_globalExists = packed & 0x80;
    m_globalSorted = packed & 0x08;
    if (m_globalExists) {
        m_globalEntries = 1 << ((packed & 7) + 1);
        const uchar* rgb = in.take(m_globalEntries * 3);
        if (!rgb)
            return false;
        readTable(rgb, m_globalEntries, m_global.data());
    }

    // Graphic control values and comments wait for the next image descriptor.
    bool haveControl = false;
    uchar controlPacked = 0;
    int controlDelay = 0;
    uchar controlTransparent = 0;
    QStringList comments;
    qint64 totalPixels = 0;

    for (;;) {
        uchar introducer = 0;
        if (!in.byte(introducer) || introducer == 0x3b)
            break;
        if (introducer == 0x21) {
            uchar label = 0;
            if (!in.byte(label))
                break;
            if (label == 0xf9) {
                QByteArray data;
                const bool whole = in.subBlocks(&data);
                if (data.size() >= 4) {
                    haveControl = true;
                    controlPacked = uchar(data[0]);
                    controlDelay = uchar(data[1]) | uchar(data[2]) << 8;
                    controlTransparent = uchar(data[3]);
                }
                if (!whole)
                    break;
            } else if (label == 0xfe) {
                QByteArray text;
                const bool whole = in.subBlocks(&text);
                comments.append(QString::fromLatin1(text));
                if (!whole)
                    break;
            } else if (label == 0xff) {
                uchar size = 0;
                if (!in.byte(size))
                    break;
                const uchar* id = in.take(size);
                if (!id)
                    break;
                const bool netscape = size == 11 && std::memcmp(id, "NETSCAPE2.0", 11) == 0;
                QByteArray data;
                const bool whole = in.subBlocks(&data);
                if (netscape && data.size() >= 3 && data[0] == 1)
                    m_loops = quint16(uchar(data[1]) | uchar(data[2]) << 8);
                if (!whole)
                    break;
            } else if (!in.subBlocks(nullptr)) {
                break;
            }
            continue;
        }
        if (introducer != 0x2c)
            break; // not a GIF block: treat as the end of the data

        int left = 0, top = 0, width = 0, height = 0;
        uchar descriptor = 0;
        if (!in.word(left) || !in.word(top) || !in.word(width) || !in.word(height)
            || !in.byte(descriptor))
            return false;
        if (width == 0 || height == 0 || left + width > m_screenWidth
            || top + height > m_screenHeight)
            return false;
        totalPixels += qint64(width) * height;
        if (totalPixels > kMaxTotalPixels)
            return false;

        Frame fr;
        fr.left = left;
        fr.top = top;
        fr.interlaced = descriptor & 0x40;
        fr.localUsed = descriptor & 0x80;
        fr.localSorted = descriptor & 0x20;
        if (fr.localUsed) {
            fr.localEntries = 1 << ((descriptor & 7) + 1);
            const uchar* rgb = in.take(fr.localEntries * 3);
            if (!rgb)
                return false;
            readTable(rgb, fr.localEntries, fr.palette.data());
        } else {
            fr.palette = m_global;
        }
        if (haveControl) {
            fr.useTransparent = controlPacked & 1;
            fr.userInput = controlPacked & 2;
            fr.disposal = (controlPacked >> 2) & 7;
            fr.delay = quint16(controlDelay);
            fr.transparentIndex = controlTransparent;
        }
        fr.comments = comments;
        haveControl = false;
        comments.clear();

        uchar codeSize = 0;
        if (!in.byte(codeSize))
            return false;
        QByteArray data;
        const bool whole = in.subBlocks(&data);
        if (!fr.image.Create(width, height, 8))
            return false;
        fr.image.SetPalette(QByteArray(reinterpret_cast<const char*>(fr.palette.data()), 1024));
        if (mGIFLZWDec::Decode(fr.image, fr.interlaced, codeSize, data)
            == mGIFLZWDec::DecodeResult::NotApplicable)
            return false;
        m_frames.append(std::move(fr));
        FrameMask(int(m_frames.size()) - 1);
        if (!whole)
            break;
    }
    m_trailing = comments;
    return true;
}

bool cGif::Save(const QString& path) const
{
    const QByteArray bytes = SaveToBytes();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QByteArray cGif::SaveToBytes() const
{
    QByteArray out("GIF89a");
    writeWord(out, m_screenWidth);
    writeWord(out, m_screenHeight);
    uchar packed = 0x70; // 8 bits of colour resolution
    if (m_globalExists)
        packed |= 0x80 | (m_globalSorted ? 0x08 : 0) | (tableBits(m_globalEntries) - 1);
    out.append(char(packed));
    out.append(char(m_background));
    out.append(char(m_aspect));
    if (m_globalExists)
        writeTable(out, m_global.data(), m_globalEntries);

    if (m_frames.size() > 1) {
        out.append("\x21\xff\x0b", 3);
        out.append("NETSCAPE2.0");
        out.append("\x03\x01", 2);
        writeWord(out, m_loops);
        out.append(char(0));
    }

    for (const Frame& fr : m_frames) {
        for (const QString& c : fr.comments)
            writeComment(out, c);
        out.append("\x21\xf9\x04", 3);
        out.append(char((fr.useTransparent ? 1 : 0) | (fr.userInput ? 2 : 0) | (fr.disposal << 2)));
        writeWord(out, fr.delay);
        out.append(char(fr.transparentIndex));
        out.append(char(0));

        // Images of fewer than 5 rows are always coded row by row, so only taller ones carry
        // the interlace flag; other decoders then read the rows in the order they were written.
        const bool interlaced = fr.interlaced && fr.image.Height() >= 5;
        out.append(char(0x2c));
        writeWord(out, fr.left);
        writeWord(out, fr.top);
        writeWord(out, fr.image.Width());
        writeWord(out, fr.image.Height());
        uchar descriptor = interlaced ? 0x40 : 0;
        if (fr.localUsed)
            descriptor |= 0x80 | (fr.localSorted ? 0x20 : 0) | (tableBits(fr.localEntries) - 1);
        out.append(char(descriptor));
        if (fr.localUsed)
            writeTable(out, fr.palette.data(), fr.localEntries);
        const int entries = fr.localUsed ? fr.localEntries : (m_globalExists ? m_globalEntries : 256);
        const int codeSize = qMax(2, tableBits(entries));
        out.append(char(codeSize));
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        mGIFLZWEnc::Encode(buffer, fr.image, codeSize + 1, interlaced);
        out.append(data);
        out.append(char(0));
    }
    for (const QString& c : m_trailing)
        writeComment(out, c);
    out.append(char(0x3b));
    return out;
}

void cGif::Destroy()
{
    m_screenWidth = m_screenHeight = 0;
    m_background = m_aspect = 0;
    m_globalExists = m_globalSorted = false;
    m_globalEntries = 0;
    m_global.fill(0);
    m_loops = 0;
    m_trailing.clear();
    m_frames.clear();
}

void cGif::SetScreenSize(int width, int height)
{
    m_screenWidth = qBound(0, width, 65535);
    m_screenHeight = qBound(0, height, 65535);
}

QRgb cGif::GlobalPaletteColor(int index) const
{
    if (index < 0 || index > 255)
        return qRgb(0, 0, 0);
    return qRgb(m_global[index * 4 + 2], m_global[index * 4 + 1], m_global[index * 4]);
}

void cGif::SetGlobalPalette(const QByteArray& rgbQuads)
{
    int entries = 0;
    const QByteArray table = quadsFrom(rgbQuads, entries);
    std::memcpy(m_global.data(), table.constData(), 1024);
    m_globalExists = entries > 0;
    m_globalEntries = entries > 0 ? 1 << tableBits(entries) : 0;
    for (Frame& fr : m_frames) {
        if (!fr.localUsed) {
            fr.palette = m_global;
            fr.image.SetPalette(table);
        }
    }
}

void cGif::RemoveGlobalPalette()
{
    m_globalExists = false;
    m_globalEntries = 0;
}

QRgb cGif::lpFramePaletteColor(int f, int index) const
{
    const Frame& fr = frame(f);
    if (index < 0 || index > 255)
        return qRgb(0, 0, 0);
    return qRgb(fr.palette[index * 4 + 2], fr.palette[index * 4 + 1], fr.palette[index * 4]);
}

QImage cGif::FrameImage(int f) const
{
    const Frame& fr = frame(f);
    if (!fr.image.IsValid())
        return {};
    QImage image(fr.image.Width(), fr.image.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* src = fr.image.ScanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const uchar i = src[x];
            dst[x] = (fr.useTransparent && i == fr.transparentIndex)
                         ? qRgba(0, 0, 0, 0)
                         : qRgb(fr.palette[i * 4 + 2], fr.palette[i * 4 + 1], fr.palette[i * 4]);
        }
    }
    return image;
}

void cGif::SetFramePosition(int f, int left, int top)
{
    Frame& fr = edit(f);
    fr.left = qBound(0, left, 65535);
    fr.top = qBound(0, top, 65535);
}

void cGif::SetFrameTransparency(int f, bool use, int index)
{
    Frame& fr = edit(f);
    fr.useTransparent = use;
    fr.transparentIndex = quint8(qBound(0, index, 255));
    FrameMask(f);
}

void cGif::SetLocalPalette(int f, const QByteArray& rgbQuads)
{
    Frame& fr = edit(f);
    int entries = 0;
    const QByteArray table = quadsFrom(rgbQuads, entries);
    if (entries == 0) {
        RemoveLocalPalette(f);
        return;
    }
    std::memcpy(fr.palette.data(), table.constData(), 1024);
    fr.localUsed = true;
    fr.localEntries = 1 << tableBits(entries);
    fr.image.SetPalette(table);
}

void cGif::RemoveLocalPalette(int f)
{
    Frame& fr = edit(f);
    fr.localUsed = false;
    fr.localEntries = 0;
    fr.palette = m_global;
    fr.image.SetPalette(QByteArray(reinterpret_cast<const char*>(m_global.data()), 1024));
}

void cGif::FrameDraw(QPainter& target, int f, int left, int top) const
{
    const Frame& fr = frame(f);
    if (fr.image.IsValid())
        target.drawImage(QPoint(left + fr.left, top + fr.top), FrameImage(f));
}

void cGif::FrameMask(int f)
{
    Frame& fr = edit(f);
    if (!fr.image.IsValid() || !fr.mask.Create(fr.image.Width(), fr.image.Height(), 1))
        return;
    fr.mask.SetPaletteColor(0, qRgb(0, 0, 0));
    fr.mask.SetPaletteColor(1, qRgb(255, 255, 255));
    if (!fr.useTransparent)
        return;
    for (int y = 0; y < fr.image.Height(); ++y) {
        const uchar* src = fr.image.ScanLine(y);
        uchar* dst = fr.mask.ScanLine(y);
        for (int x = 0; x < fr.image.Width(); ++x) {
            if (src[x] == fr.transparentIndex)
                dst[x >> 3] |= uchar(0x80 >> (x & 7));
        }
    }
}

int cGif::FrameInsert(int index, const cDib& image, bool useGlobalPalette)
{
    if (image.BPP() != 8 || !image.IsValid() || image.Width() > 65535 || image.Height() > 65535)
        return -1;
    Frame fr;
    image.CloneTo(fr.image);
    const QByteArray table = image.GetPalette();
    if (useGlobalPalette) {
        fr.palette = m_global;
        fr.image.SetPalette(QByteArray(reinterpret_cast<const char*>(m_global.data()), 1024));
    } else {
        std::memcpy(fr.palette.data(), table.constData(), 1024);
        fr.localUsed = true;
        fr.localEntries = 256;
    }
    const int at = qBound(0, index, int(m_frames.size()));
    m_frames.insert(at, std::move(fr));
    FrameMask(at);
    m_screenWidth = qMax(m_screenWidth, image.Width());
    m_screenHeight = qMax(m_screenHeight, image.Height());
    return at;
}

int cGif::FrameClone(int f)
{
    if (f < 0 || f >= m_frames.size())
        return -1;
    m_frames.insert(f + 1, m_frames[f]);
    return f + 1;
}

void cGif::FrameRemove(int f)
{
    if (f >= 0 && f < m_frames.size())
        m_frames.removeAt(f);
}

void cGif::FrameMoveUp(int f)
{
    if (f > 0 && f < m_frames.size())
        m_frames.swapItemsAt(f, f - 1);
}

void cGif::FrameMoveDown(int f)
{
    if (f >= 0 && f + 1 < m_frames.size())
        m_frames.swapItemsAt(f, f + 1);
}
