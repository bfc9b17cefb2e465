#include "image/mGIFLZWDec.h"

#include "image/GifRows.h"
#include "image/cDib.h"

#include <array>

namespace mGIFLZWDec {
namespace {

constexpr int kTableSize = 4097;
constexpr int kMaxCodes = 4096;

class BitReader {
public:
    explicit BitReader(const QByteArray& data)
        : m_data(reinterpret_cast<const uchar*>(data.constData())), m_size(data.size())
    {
    }
    // -1 when the data is exhausted.
    int read(int width)
    {
        while (m_bits < width) {
            if (m_pos >= m_size)
                return -1;
            m_accumulator |= quint32(m_data[m_pos++]) << m_bits;
            m_bits += 8;
        }
        const int code = int(m_accumulator & ((1u << width) - 1));
        m_accumulator >>= width;
        m_bits -= width;
        return code;
    }

private:
    const uchar* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    quint32 m_accumulator = 0;
    int m_bits = 0;
};

class PixelSink {
public:
    PixelSink(cDib& image, bool interlaced)
        : m_image(image), m_rows(image.Height(), interlaced), m_width(image.Width())
    {
        m_line = m_rows.done() ? nullptr : m_image.ScanLine(m_rows.current());
    }
    bool full() const { return m_line == nullptr; }
    void put(uchar index)
    {
        m_line[m_x++] = index;
        if (m_x == m_width) {
            m_x = 0;
            m_rows.next();
            m_line = m_rows.done() ? nullptr : m_image.ScanLine(m_rows.current());
        }
    }

private:
    cDib& m_image;
    GifRows m_rows;
    int m_width;
    int m_x = 0;
    uchar* m_line;
};

} // namespace

DecodeResult Decode(cDib& image, bool interlaced, int minimumCodeSize, const QByteArray& data)
{
    // GIF pixels are at most 8 bits, so larger code sizes only come from damaged files.
    if (image.BPP() != 8 || !image.IsValid() || minimumCodeSize < 1 || minimumCodeSize > 8)
        return DecodeResult::NotApplicable;

    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    int nextCode = clearCode + 2;
    int width = minimumCodeSize + 1;
    int maxCode = (1 << width) - 1;

    std::array<quint16, kTableSize> prefix{};
    std::array<uchar, kTableSize> suffix{};
    std::array<uchar, kTableSize + 1> stack{};
    for (int i = 0; i < clearCode; ++i)
        suffix[i] = uchar(i);

    BitReader reader(data);
    PixelSink sink(image, interlaced);
    int previous = -1;
    int firstPixel = 0;

    while (!sink.full()) {
        const int code = reader.read(width);
        if (code < 0)
            return DecodeResult::Truncated;
        if (code == clearCode) {
            width = minimumCodeSize + 1;
            maxCode = (1 << width) - 1;
            nextCode = clearCode + 2;
            previous = -1;
            continue;
        }
        if (code == endCode)
            return DecodeResult::Complete;
        if (previous < 0) {
            if (code > clearCode)
                return DecodeResult::Corrupt;
            sink.put(uchar(code));
            previous = code;
            firstPixel = code;
            continue;
        }
        // A code beyond the next free one cannot have been written by an encoder.
        if (code > nextCode || (code == nextCode && nextCode >= kMaxCodes))
            return DecodeResult::Corrupt;

        int sp = 0;
        int walk = code;
        if (code == nextCode) {
            stack[sp++] = uchar(firstPixel);
            walk = previous;
        }
        while (walk >= clearCode) {
            stack[sp++] = suffix[walk];
            walk = prefix[walk];
        }
        firstPixel = walk;
        stack[sp++] = uchar(walk);

        if (nextCode < kMaxCodes) {
            prefix[nextCode] = quint16(previous);
            suffix[nextCode] = uchar(firstPixel);
            ++nextCode;
            if (nextCode > maxCode && width < 12) {
                ++width;
                maxCode = (1 << width) - 1;
            }
        }
        previous = code;
        while (sp > 0 && !sink.full())
            sink.put(stack[--sp]);
    }
    return DecodeResult::Complete;
}

} // namespace mGIFLZWDec
