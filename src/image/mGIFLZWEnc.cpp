#include "image/mGIFLZWEnc.h"

#include "image/GifRows.h"
#include "image/cDib.h"

#include <QIODevice>

#include <array>

namespace mGIFLZWEnc {
namespace {

constexpr int kHashSize = 5003;
constexpr int kMaxCodes = 4096; // codes of 12 bits

class Encoder {
public:
    Encoder(QIODevice& out, int initialWidth) : m_out(out), m_initialWidth(initialWidth)
    {
        m_clearCode = 1 << (initialWidth - 1);
        m_endCode = m_clearCode + 1;
        m_nextCode = m_clearCode + 2;
        m_width = initialWidth;
        m_maxCode = (1 << m_width) - 1;
    }

    bool run(const cDib& image, bool interlaced)
    {
        clearHash();
        output(m_clearCode);
        const int w = image.Width();
        const int h = image.Height();
        const uchar mask = uchar(m_clearCode - 1);
        GifRows rows(h, interlaced && h >= 5);
        bool first = true;
        int prefix = 0;
        for (; !rows.done(); rows.next()) {
            const uchar* p = image.ScanLine(rows.current());
            for (int x = 0; x < w; ++x) {
                // Indices past the colour table cannot be coded; keep the stream valid.
                const int c = p[x] & mask;
                if (first) {
                    prefix = c;
                    first = false;
                    continue;
                }
                prefix = step(prefix, c);
            }
        }
        if (!first)
            output(prefix);
        output(m_endCode);
        return m_ok;
    }

private:
    int step(int prefix, int c)
    {
        const int key = (c << 12) + prefix;
        int slot = (c << 4) ^ prefix;
        if (m_keys[slot] == key)
            return m_codes[slot];
        if (m_keys[slot] >= 0) {
            const int displacement = slot == 0 ? 1 : kHashSize - slot;
            do {
                slot -= displacement;
                if (slot < 0)
                    slot += kHashSize;
                if (m_keys[slot] == key)
                    return m_codes[slot];
            } while (m_keys[slot] >= 0);
        }
        output(prefix);
        if (m_nextCode < kMaxCodes) {
            m_codes[slot] = m_nextCode++;
            m_keys[slot] = key;
        } else {
            clearHash();
            m_nextCode = m_clearCode + 2;
            m_clearPending = true;
            output(m_clearCode);
        }
        return c;
    }

    void clearHash() { m_keys.fill(-1); }

    void output(int code)
    {
        m_accumulator |= quint32(code) << m_bits;
        m_bits += m_width;
        while (m_bits >= 8) {
            byteOut(uchar(m_accumulator & 0xff));
            m_accumulator >>= 8;
            m_bits -= 8;
        }
        if (m_nextCode > m_maxCode || m_clearPending) {
            if (m_clearPending) {
                m_width = m_initialWidth;
                m_maxCode = (1 << m_width) - 1;
                m_clearPending = false;
            } else {
                ++m_width;
                m_maxCode = m_width == 12 ? kMaxCodes : (1 << m_width) - 1;
            }
        }
        if (code == m_endCode) {
            if (m_bits > 0) {
                byteOut(uchar(m_accumulator & 0xff));
                m_accumulator = 0;
                m_bits = 0;
            }
            flush();
        }
    }

    void byteOut(uchar b)
    {
        m_block[1 + m_blockLength++] = b;
        if (m_blockLength >= 254)
            flush();
    }

    void flush()
    {
        if (m_blockLength == 0)
            return;
        m_block[0] = uchar(m_blockLength);
        const qint64 n = m_blockLength + 1;
        if (m_out.write(reinterpret_cast<const char*>(m_block.data()), n) != n)
            m_ok = false;
        m_written += m_blockLength;
        m_blockLength = 0;
    }

    QIODevice& m_out;
    int m_initialWidth;
    int m_clearCode;
    int m_endCode;
    int m_nextCode;
    int m_width;
    int m_maxCode;
    bool m_clearPending = false;
    quint32 m_accumulator = 0;
    int m_bits = 0;
    std::array<uchar, 256> m_block{};
    int m_blockLength = 0;
    qint64 m_written = 0;
    bool m_ok = true;
    std::array<int, kHashSize> m_keys{};
    std::array<int, kHashSize> m_codes{};
};

} // namespace

bool Encode(QIODevice& file, const cDib& image, int initialCodeWidth, bool interlaced)
{
    if (image.BPP() != 8 || !image.IsValid() || initialCodeWidth < 3 || initialCodeWidth > 9)
        return false;
    Encoder encoder(file, initialCodeWidth);
    return encoder.run(image, interlaced);
}

} // namespace mGIFLZWEnc
