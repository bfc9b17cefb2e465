#include "image/CoverArt.h"

#include "common/Prompts.h"
#include "image/JpegWriter.h"
#include "image/PictureDecoding.h"
#include "image/cDIBSection.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

// Collects what the JPEG writer would tell the user, for a one-line error.
class CollectingPrompts : public UnattendedPrompts {
public:
    QString firstText() const { return messages.isEmpty() ? QString() : messages.first().text; }
};

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QString cannotOpen(const QString& path)
{
    return QStringLiteral("Cannot open the image file \"%1\".").arg(path);
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

CoverCheck CoverArt::CheckFile(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        CoverCheck check;
        check.problems << cannotOpen(path);
        return check;
    }
    return Check(file.readAll());
}

QRect CoverArt::CentredSquare(const QSize& picture)
{
    const int side = qMin(picture.width(), picture.height());
    return QRect((picture.width() - side) / 2, (picture.height() - side) / 2, side, side);
}

int CoverArt::DefaultSize(int cropSize)
{
    for (int size : kSizes) {
        if (cropSize >= size)
            return size;
    }
    return kSizes.back();
}

QImage CoverArt::DecodeRgb(const QByteArray& bytes)
{
    QImage picture = picture_decoding::decode(bytes, true);
    if (picture.isNull())
        return picture;
    // Qt's JPEG reader turns CMYK (Adobe's inverted form) into RGB itself; colour profiles of
    // other RGB spaces (Display P3 of phone photos, Adobe RGB) are converted to sRGB.
    const QColorSpace space = picture.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        picture.convertToColorSpace(QColorSpace::SRgb);
    picture = picture_decoding::opaque(picture);
    picture.setColorSpace(QColorSpace());
    return picture;
}

CoverArt::Result CoverArt::Make(const QString& in, const QString& out, int format,
                                std::optional<QRect> crop, std::optional<int> size)
{
    Result result;
    QFile file(in);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = cannotOpen(in);
        return result;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    const CoverCheck check = Check(bytes);
    if (check.header.type == ImageHeader::Unknown) {
        result.error = check.problems.value(0);
        return result;
    }
    const bool sameSize = !size || *size == check.header.width;
    if (check.accepted() && !crop && sameSize && format == check.header.type) {
        if (QFileInfo(in).absoluteFilePath() != QFileInfo(out).absoluteFilePath()
            && !writeBytes(out, bytes)) {
            result.error = QStringLiteral("Cannot write the image file \"%1\".").arg(out);
            return result;
        }
        result = {true, true, QSize(check.header.width, check.header.height), format, {}};
        return result;
    }
    const QImage picture = DecodeRgb(bytes);
    if (picture.isNull()) {
        result.error = cannotOpen(in);
        return result;
    }
    const QRect square = crop.value_or(CentredSquare(picture.size()));
    return Make(picture, out, format, square, size.value_or(DefaultSize(square.width())));
}

CoverArt::Result CoverArt::Make(const QImage& picture, const QString& out, int format,
                                const QRect& crop, int size)
{
    Result result;
    if (crop.width() != crop.height() || crop.isEmpty()
        || !QRect(QPoint(0, 0), picture.size()).contains(crop)) {
        result.error = QStringLiteral("The square %1,%2,%3 does not lie within the picture (%4 x %5 pixels).")
                           .arg(crop.x()).arg(crop.y()).arg(crop.width())
                           .arg(picture.width()).arg(picture.height());
        return result;
    }
    if (size < 1 || size > kMaxSize * 4) {
        result.error = QStringLiteral("Cannot make a cover of %1 pixels.").arg(size);
        return result;
    }
    QImage cover = picture.copy(crop);
    if (cover.width() != size)
        cover = cover.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    cover = cover.convertToFormat(QImage::Format_RGB32);
    if (format == ImageHeader::Png) {
        QSaveFile file(out);
        if (!file.open(QIODevice::WriteOnly) || !cover.save(&file, "PNG") || !file.commit()) {
            result.error = QStringLiteral("Cannot write the image file \"%1\".").arg(out);
            return result;
        }
    } else if (format == ImageHeader::Jpeg) {
        cDIBSection section;
        CollectingPrompts prompts;
        if (!section.CreateFromPicture(cover) || !WriteJpeg(section, out, prompts)) {
            result.error = prompts.firstText();
            if (result.error.isEmpty())
                result.error = QStringLiteral("Cannot write the image file \"%1\".").arg(out);
            return result;
        }
    } else {
        result.error = QStringLiteral("Cover art is written as JPEG or PNG.");
        return result;
    }
    result.ok = true;
    result.size = cover.size();
    result.type = format;
    return result;
}

QImage CoverArt::FeedImage(const QImage& cover)
{
    if (cover.isNull() || (cover.width() <= kFeedImageSize && cover.height() <= kFeedImageSize))
        return cover;
    // Area averaging: a 3000-pixel cover sampled bilinearly down to 144 would shimmer.
    return cover.scaled(kFeedImageSize, kFeedImageSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

int CoverArt::FormatOfName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return ImageHeader::Jpeg;
    if (suffix == QLatin1String("png"))
        return ImageHeader::Png;
    return ImageHeader::Unknown;
}
