#include "image/ImageHeader.h"

#include <QFile>

#include <cstdlib>

namespace {

int le16(const uchar* p) { return p[0] | p[1] << 8; }
int be16(const uchar* p) { return p[0] << 8 | p[1]; }
qint64 le32(const uchar* p) { return qint32(quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24); }
qint64 be32(const uchar* p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]); }

int clampSize(qint64 v)
{
    return int(qMin<qint64>(std::llabs(v), INT32_MAX));
}

// Walks the JPEG markers to the first frame header (SOF0 .. SOF15 but DHT, JPG and DAC).
void readJpegSize(const uchar* p, qsizetype n, ImageHeader& info)
{
    qsizetype at = 2;
    while (at + 4 <= n) {
        if (p[at] != 0xff) {
            ++at;
            continue;
        }
        const uchar marker = p[at + 1];
        if (marker == 0xff) {
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd9)) {
            at += 2;
            continue;
        }
        const int length = be16(p + at + 2);
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc) {
            if (at + 9 <= n) {
                info.height = be16(p + at + 5);
                info.width = be16(p + at + 7);
            }
            if (at + 10 <= n) {
                const int components = p[at + 9];
                info.colour = components == 1   ? ImageHeader::ColourGrey
                              : components == 3 ? ImageHeader::ColourRgb
                              : components == 4 ? ImageHeader::ColourCmyk
                                                : ImageHeader::ColourUnknown;
            }
            info.progressive = (marker & 0x03) == 0x02; // SOF2, SOF6, SOF10, SOF14
            return;
        }
        if (marker == 0xda || length < 2)
            return;
        at += 2 + length;
    }
}

} // namespace

ImageHeader ImageHeader::fromBytes(const QByteArray& bytes)
{
    ImageHeader info;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 3 && bytes.startsWith("GIF")) {
        info.type = Gif;
        info.colour = ColourIndexed;
        if (n >= 10) {
            info.width = le16(p + 6);
            info.height = le16(p + 8);
        }
    } else if (n >= 3 && p[0] == 0xff && p[1] == 0xd8 && p[2] == 0xff) {
        info.type = Jpeg;
        readJpegSize(p, n, info);
    } else if (n >= 3 && p[0] == 137 && p[1] == 'P' && p[2] == 'N') {
        info.type = Png;
        if (n >= 24) {
            info.width = clampSize(be32(p + 16));
            info.height = clampSize(be32(p + 20));
        }
        if (n >= 26) {
            const int colourType = p[25];
            info.colour = (colourType & 3) == 0 ? ColourGrey
                          : colourType == 3     ? ColourIndexed
                                                : ColourRgb;
            info.alpha = (colourType & 4) != 0;
        }
    } else if (n >= 2 && bytes.startsWith("BM")) {
        info.type = Bmp;
        info.colour = ColourRgb;
        if (n >= 26 && le32(p + 14) == 12) {
            info.width = le16(p + 18);
            info.height = le16(p + 20);
        } else if (n >= 26) {
            info.width = clampSize(le32(p + 18));
            info.height = clampSize(le32(p + 22)); // negative for top-down files
        }
    }
    return info;
}

ImageHeader ImageHeader::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromBytes(file.readAll());
}
