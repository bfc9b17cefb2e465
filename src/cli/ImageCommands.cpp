#include "cli/CliRegistry.h"
#include "cli/HelperCommands.h"
#include "common/Prompts.h"
#include "image/ChannelImage.h"
#include "image/CoverArt.h"
#include "image/ImageHeader.h"
#include "image/cGif.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRect>

#include <algorithm>
#include <optional>

// "velmora-cli image": what an image file is, and converting it as the channel image is saved.
namespace {

const char kHelp[] =
    "Usage: velmora-cli image info FILE\n"
    "       velmora-cli image convert IN OUT [--format jpeg|gif|bmp] [--fit]\n"
    "       velmora-cli image cover IN OUT [--size 3000|2048|1400] [--crop X,Y,SIZE]\n\n"
    "info     prints {\"type\": 1..4, \"width\": W, \"height\": H, \"transparentIndex\": N or null,\n"
    "         \"frames\": N, \"cover\": {\"accepted\": true|false, \"summary\": TEXT,\n"
    "         \"problems\": [TEXT...], \"advice\": [TEXT...]}}; types: 1 GIF (the logical\n"
    "         screen's size), 2 JPEG, 3 PNG, 4 BMP. \"cover\" says whether podcast directories\n"
    "         (Apple Podcasts and the apps) accept the picture as cover art: JPEG or PNG, square,\n"
    "         1400 to 3000 pixels, RGB; \"advice\" holds what is accepted but better otherwise\n"
    "         (files of 512 KB or more, progressive JPEG, see-through areas).\n"
    "convert  loads IN as the channel image is loaded (GIF, JPEG, PNG, BMP), with --fit fits it\n"
    "         into 144 x 400 pixels keeping its aspect ratio (never enlarging), and writes OUT as\n"
    "         named, as JPEG (quality 90), GIF (216-colour cube) or BMP: the format from\n"
    "         --format, else from OUT's extension (.jpg .jpeg .gif .bmp).\n"
    "cover    makes cover art from IN (any JPEG, PNG, GIF or BMP): the square of SIZE pixels\n"
    "         whose top left corner is X,Y (the largest centred square without --crop), scaled\n"
    "         to --size pixels (the largest of 3000, 2048, 1400 it need not be enlarged for),\n"
    "         written as JPEG (quality 90, RGB, baseline) or PNG by OUT's extension. A picture\n"
    "         that already meets the rules is copied byte for byte. Prints {\"width\": W,\n"
    "         \"height\": H, \"type\": 2|3, \"copied\": true|false}.\n\n"
    "Exit codes: 0 done, 1 failed, 2 bad arguments.";

// The first message that was not a question: the reason a load or save failed.
QString firstNotice(const UnattendedPrompts& prompts, const QString& fallback)
{
    for (const MessageRequest& m : prompts.messages) {
        if (m.buttons == MessageButtons::Ok)
            return m.text;
    }
    return fallback;
}

// JSON texts through Qt's writer, without the brackets of the array they are written in.
QString jsonList(const QStringList& texts)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(texts)).toJson(QJsonDocument::Compact));
}

QString jsonString(const QString& text)
{
    const QString list = jsonList({text});
    return list.mid(1, list.size() - 2);
}

int runInfo(const QStringList& args)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1String("--")))
        return cliError(cli_exit::kBadArguments, QStringLiteral("image info takes one FILE"));
    const QString path = args[0];
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return cliError(cli_exit::kFailed,
                        QStringLiteral("Cannot open the image file \"%1\".").arg(path));
    const QByteArray bytes = file.readAll();
    const ImageHeader header = ImageHeader::fromBytes(bytes);
    if (header.type == ImageHeader::Unknown)
        return cliError(cli_exit::kFailed, QStringLiteral("Unknown image format."));
    QString transparent = QStringLiteral("null");
    int frames = 1;
    if (header.type == ImageHeader::Gif) {
        cGif gif;
        if (!gif.LoadFromStream(bytes))
            return cliError(cli_exit::kFailed,
                            QStringLiteral("Cannot open the image file \"%1\".").arg(path));
        frames = gif.FramesCount();
        if (frames > 0 && gif.FrameUseTransparentColor(0))
            transparent = QString::number(gif.FrameTransparentColorIndex(0));
    }
    const CoverCheck check = CoverArt::Check(bytes);
    cliPrint(QStringLiteral("{\"type\": %1, \"width\": %2, \"height\": %3, "
                            "\"transparentIndex\": %4, \"frames\": %5, \"cover\": {\"accepted\": %6, "
                            "\"summary\": %7, \"problems\": %8, \"advice\": %9}}")
                 .arg(header.type)
                 .arg(header.width)
                 .arg(header.height)
                 .arg(transparent)
                 .arg(frames)
                 .arg(check.accepted() ? QStringLiteral("true") : QStringLiteral("false"),
                      jsonString(check.summary()), jsonList(check.problems), jsonList(check.advice)));
    return cli_exit::kDone;
}

int formatFromName(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("jpeg") || n == QLatin1String("jpg"))
        return ImageHeader::Jpeg;
    if (n == QLatin1String("gif"))
        return ImageHeader::Gif;
    if (n == QLatin1String("bmp"))
        return ImageHeader::Bmp;
    return ImageHeader::Unknown;
}

int runConvert(const QStringList& args)
{
    QStringList files;
    QString format;
    bool fit = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--fit")) {
            fit = true;
        } else if (a == QLatin1String("--format")) {
            if (i + 1 >= args.size())
                return cliError(cli_exit::kBadArguments, QStringLiteral("--format needs a value"));
            format = args[++i];
        } else if (a.startsWith(QLatin1String("--format="))) {
            format = a.mid(9);
        } else if (a.startsWith(QLatin1String("--"))) {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return cliError(cli_exit::kBadArguments, QStringLiteral("image convert takes IN and OUT"));
    const int target = format.isEmpty() ? formatFromName(QFileInfo(files[1]).suffix())
                                        : formatFromName(format);
    if (target == ImageHeader::Unknown)
        return cliError(cli_exit::kBadArguments,
                        format.isEmpty()
                            ? QStringLiteral("cannot tell the format from \"%1\": use --format jpeg, gif or bmp")
                                  .arg(files[1])
                            : QStringLiteral("cannot write the format \"%1\": use jpeg, gif or bmp").arg(format));

    UnattendedPrompts prompts;
    ChannelImage image(prompts);
    ChannelImageFields fields;
    if (!image.LoadShowPicture(files[0], fields))
        return cliError(cli_exit::kFailed, firstNotice(prompts, QStringLiteral("Unknown image format.")));
    QImage picture = image.Picture();
    if (fit)
        picture = ChannelImage::FitInto(picture, ChannelImage::kMaxWidth, ChannelImage::kMaxHeight);
    prompts.messages.clear();
    if (!ChannelImage::MySaveImage(prompts, picture, files[1], target, image.Transparency()))
        return cliError(cli_exit::kFailed,
                        firstNotice(prompts, QStringLiteral("Cannot write \"%1\".").arg(files[1])));
    return cli_exit::kDone;
}

// "--crop X,Y,SIZE": a square given by its top left corner and side.
std::optional<QRect> parseCrop(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    int values[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok || values[i] < 0)
            return std::nullopt;
    }
    if (values[2] == 0)
        return std::nullopt;
    return QRect(values[0], values[1], values[2], values[2]);
}

int runCover(const QStringList& args)
{
    QStringList files;
    std::optional<QRect> crop;
    std::optional<int> size;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a != QLatin1String("--size") && a != QLatin1String("--crop")) {
            if (a.startsWith(QLatin1String("--")))
                return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
            files << a;
            continue;
        }
        if (i + 1 >= args.size())
            return cliError(cli_exit::kBadArguments, QStringLiteral("%1 needs a value").arg(a));
        const QString value = args[++i];
        if (a == QLatin1String("--crop")) {
            crop = parseCrop(value);
            if (!crop)
                return cliError(cli_exit::kBadArguments,
                                QStringLiteral("--crop takes X,Y,SIZE in pixels, not \"%1\"").arg(value));
            continue;
        }
        const int n = value.toInt();
        if (std::find(CoverArt::kSizes.begin(), CoverArt::kSizes.end(), n) == CoverArt::kSizes.end())
            return cliError(cli_exit::kBadArguments,
                            QStringLiteral("--size takes 3000, 2048 or 1400, not \"%1\"").arg(value));
        size = n;
    }
    if (files.size() != 2)
        return cliError(cli_exit::kBadArguments, QStringLiteral("image cover takes IN and OUT"));
    const int format = CoverArt::FormatOfName(files[1]);
    if (format == ImageHeader::Unknown)
        return cliError(cli_exit::kBadArguments,
                        QStringLiteral("OUT must end in .jpg, .jpeg or .png: \"%1\"").arg(files[1]));
    const CoverArt::Result made = CoverArt::Make(files[0], files[1], format, crop, size);
    if (!made.ok)
        return cliError(cli_exit::kFailed, made.error);
    cliPrint(QStringLiteral("{\"width\": %1, \"height\": %2, \"type\": %3, \"copied\": %4}")
                 .arg(made.size.width())
                 .arg(made.size.height())
                 .arg(made.type)
                 .arg(made.copied ? QStringLiteral("true") : QStringLiteral("false")));
    return cli_exit::kDone;
}

int runImage(const QStringList& args)
{
    if (args.isEmpty() || args.contains(QLatin1String("--help")) || args[0] == QLatin1String("help")) {
        cliPrint(QString::fromLatin1(kHelp));
        return args.isEmpty() ? cli_exit::kBadArguments : cli_exit::kDone;
    }
    const QStringList rest = args.mid(1);
    if (args[0] == QLatin1String("info"))
        return runInfo(rest);
    if (args[0] == QLatin1String("convert"))
        return runConvert(rest);
    if (args[0] == QLatin1String("cover"))
        return runCover(rest);
    return cliError(cli_exit::kBadArguments, QStringLiteral("unknown image command \"%1\"").arg(args[0]));
}

const CliRegistrar registrar("image", cli_helpers::kImageSummary, runImage);

} // namespace
