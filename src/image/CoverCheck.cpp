#include "image/CoverArt.h"

// The cover rules read only the file's header, so that programs checking feeds do not load the
// pixel code (and Qt Gui) that the rest of CoverArt needs.
namespace {

QString typeName(int type)
{
    switch (type) {
    case ImageHeader::Gif: return QStringLiteral("GIF");
    case ImageHeader::Jpeg: return QStringLiteral("JPEG");
    case ImageHeader::Png: return QStringLiteral("PNG");
    case ImageHeader::Bmp: return QStringLiteral("BMP");
    default: return QStringLiteral("unknown format");
    }
}

QString colourName(int colour)
{
    switch (colour) {
    case ImageHeader::ColourRgb: return QStringLiteral("RGB");
    case ImageHeader::ColourGrey: return QStringLiteral("greyscale");
    case ImageHeader::ColourCmyk: return QStringLiteral("CMYK");
    case ImageHeader::ColourIndexed: return QStringLiteral("indexed colours");
    default: return {};
    }
}

QString kilobytes(qint64 bytes)
{
    return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
}

} // namespace

QString CoverCheck::summary() const
{
    if (header.type == ImageHeader::Unknown)
        return problems.value(0);
    QStringList parts{QStringLiteral("%1 x %2 pixels").arg(header.width).arg(header.height),
                      typeName(header.type)};
    if (!colourName(header.colour).isEmpty())
        parts << colourName(header.colour);
    parts << kilobytes(bytes);
    return parts.join(QStringLiteral(", "));
}

QString CoverCheck::verdict() const
{
    QStringList lines;
    if (accepted())
        lines << QStringLiteral("Accepted by Apple Podcasts and the apps.");
    else
        lines << QStringLiteral("Not accepted: ") + problems.join(QLatin1Char(' '));
    return (lines + advice).join(QLatin1Char(' '));
}

CoverCheck CoverArt::Check(const QByteArray& bytes)
{
    CoverCheck check;
    check.header = ImageHeader::fromBytes(bytes);
    check.bytes = bytes.size();
    const ImageHeader& h = check.header;
    if (h.type == ImageHeader::Unknown) {
        check.problems << QStringLiteral("Unknown image format.");
        return check;
    }
    if (h.type != ImageHeader::Jpeg && h.type != ImageHeader::Png)
        check.problems << QStringLiteral("It is a %1 file; directories take JPEG or PNG.").arg(typeName(h.type));
    if (h.width != h.height)
        check.problems << QStringLiteral("It is not square (%1 x %2 pixels).").arg(h.width).arg(h.height);
    const int side = qMax(h.width, h.height);
    if (side < kMinSize || side > kMaxSize)
        check.problems << QStringLiteral("It is %1 x %2 pixels; directories want %3 to %4 pixels on each side.")
                              .arg(h.width).arg(h.height).arg(kMinSize).arg(kMaxSize);
    if (h.colour == ImageHeader::ColourCmyk || h.colour == ImageHeader::ColourGrey)
        check.problems << QStringLiteral("Its colours are %1; directories want RGB.").arg(colourName(h.colour));
    if (h.alpha)
        check.advice << QStringLiteral("It has see-through areas; apps show them on a background of their own.");
    if (h.progressive)
        check.advice << QStringLiteral("It is a progressive JPEG; some apps show only baseline JPEG files.");
    if (check.bytes >= kAdvisedBytes)
        check.advice << QStringLiteral("The file is %1; under 512 KB is advised, as apps load it over mobile networks.")
                            .arg(kilobytes(check.bytes));
    return check;
}
