#include "cli/CliRegistry.h"
#include "cli/HelperCommands.h"
#include "common/Prompts.h"
#include "image/ChannelImage.h"
#include "image/ImageHeader.h"
#include "image/cGif.h"

#include <QFile>
#include <QFileInfo>

// "velmora-cli image": what an image file is, and converting it as the channel image is saved.
namespace {

const char kHelp[] =
    "Usage: velmora-cli image info FILE\n"
    "       velmora-cli image convert IN OUT [--format jpeg|gif|bmp] [--fit]\n\n"
    "info     prints {\"type\": 1..4, \"width\": W, \"height\": H, \"transparentIndex\": N or null,\n"
    "         \"frames\": N}; types: 1 GIF (the logical screen's size), 2 JPEG, 3 PNG, 4 BMP.\n"
    "convert  loads IN as the channel image is loaded (GIF, JPEG, PNG, BMP), with --fit fits it\n"
    "         into 144 x 400 pixels keeping its aspect ratio (never enlarging), and writes OUT as\n"
    "         named, as JPEG (quality 90), GIF (216-colour cube) or BMP: the format from\n"
    "         --format, else from OUT's extension (.jpg .jpeg .gif .bmp).\n\n"
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
    cliPrint(QStringLiteral("{\"type\": %1, \"width\": %2, \"height\": %3, "
                            "\"transparentIndex\": %4, \"frames\": %5}")
                 .arg(header.type)
                 .arg(header.width)
                 .arg(header.height)
                 .arg(transparent)
                 .arg(frames));
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
    return cliError(cli_exit::kBadArguments, QStringLiteral("unknown image command \"%1\"").arg(args[0]));
}

const CliRegistrar registrar("image", cli_helpers::kImageSummary, runImage);

} // namespace
