#include "image/ChannelImage.h"

#include "image/JpegWriter.h"
#include "image/PictureDecoding.h"
#include "image/cDIBSection.h"
#include "image/cDib.h"
#include "image/cGif.h"
#include "image/cPal8bpp.h"
#include "image/mDither8bpp.h"

#include <QFile>
#include <QFileInfo>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>

namespace {

const QString kUnknownFormat = QStringLiteral("Unknown image format.");
const QString kTooLarge = QStringLiteral(
    "File dimension is larger than allowed (144x400). Do you want to auto-resize image?");

bool samePath(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

QString nameAfterLastSeparator(const QString& path)
{
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

void reportWriteFailure(Prompts& prompts, const QString& path)
{
    prompts.message(QStringLiteral("Cannot write the image file \"%1\".").arg(path),
                    MessageIcon::Exclamation);
}

bool writeBmp(Prompts& prompts, const QImage& picture, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || !picture.convertToFormat(QImage::Format_RGB32).save(&file, "BMP") || !file.commit()) {
        reportWriteFailure(prompts, path);
        return false;
    }
    return true;
}

bool writePng(Prompts& prompts, const QImage& picture, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
        reportWriteFailure(prompts, path);
        return false;
    }
    return true;
}

const char* extensionOfType(int type)
{
    switch (type) {
    case ImageHeader::Gif: return "gif";
    case ImageHeader::Png: return "png";
    case ImageHeader::Bmp: return "bmp";
    default: return "jpg";
    }
}

bool writeGif(Prompts& prompts, const QImage& picture, const QString& path,
              const GifTransparency& transparency)
{
    cDib source;
    cDib indexed;
    cDib mask;
    cPal8bpp palette;
    mDither8bpp::BuildTables();
    if (!source.CreateFromStdPicture(picture, 32)
        || !indexed.Create(source.Width(), source.Height(), 8)
        || !mask.Create(source.Width(), source.Height(), 1)) {
        reportWriteFailure(prompts, path);
        return false;
    }
    // Error diffusion changes the source, so the transparent colour is looked for first.
    int transparentX = -1;
    int transparentY = -1;
    if (transparency.used) {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        const QRgb wanted = transparency.colour & 0xffffff;
        for (int x = 0; x < rgb.width() && transparentX < 0; ++x) {
            for (int y = 0; y < rgb.height(); ++y) {
                if ((reinterpret_cast<const QRgb*>(rgb.constScanLine(y))[x] & 0xffffff) == wanted) {
                    transparentX = x;
                    transparentY = y;
                    break;
                }
            }
        }
    }
    mDither8bpp::Convert(source, indexed, palette);

    cGif gif;
    gif.SetScreenSize(indexed.Width(), indexed.Height());
    gif.SetGlobalPalette(indexed.GetPalette());
    gif.FrameInsert(0, indexed, true);
    if (transparentX >= 0)
        gif.SetFrameTransparency(0, true, indexed.ScanLine(transparentY)[transparentX]);
    if (!gif.Save(path)) {
        reportWriteFailure(prompts, path);
        return false;
    }
    return true;
}

// The first frame on its logical screen. The picture keeps the transparent pixels' own colour
// (also where the frame leaves the screen uncovered) so that saving finds them again.
QImage firstFrameOnScreen(const cGif& gif, const GifTransparency& transparency)
{
    const QImage frame = gif.FrameDIBXOR(0).Image().convertToFormat(QImage::Format_RGB32);
    if (frame.size() == QSize(gif.ScreenWidth(), gif.ScreenHeight()))
        return frame;
    QImage screen(gif.ScreenWidth(), gif.ScreenHeight(), QImage::Format_RGB32);
    screen.fill(transparency.used ? transparency.colour
                                  : gif.GlobalPaletteColor(gif.ScreenBackgroundColorIndex()));
    QPainter painter(&screen);
    painter.drawImage(gif.FrameLeft(0), gif.FrameTop(0), frame);
    painter.end();
    return screen;
}

} // namespace

ChannelImage::ChannelImage(Prompts& prompts) : m_prompts(&prompts) {}

void ChannelImage::reportCannotOpen(const QString& path)
{
    m_prompts->message(QStringLiteral("Cannot open the image file \"%1\".").arg(path),
                      MessageIcon::Exclamation);
}

bool ChannelImage::LoadShowPicture(const QString& path, ChannelImageFields& fields,
                                   ChannelImage* beforeFitting)
{
    m_autoResize = false;
    m_failure = LoadFailure::None;
    m_header = ImageHeader();
    QFile file(path);
    if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        m_failure = LoadFailure::CannotOpen;
        reportCannotOpen(path);
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    m_header = ImageHeader::fromBytes(bytes);

    if (m_header.type == ImageHeader::Unknown) {
        // Another format the platform reads is still not a feed image.
        QImage probe;
        m_failure = probe.loadFromData(bytes) ? LoadFailure::NotFeedFormat : LoadFailure::Unknown;
        if (m_failure == LoadFailure::Unknown)
            m_prompts->message(kUnknownFormat, MessageIcon::Exclamation);
        m_currentType = ImageHeader::Unknown;
        m_picture = QImage();
        m_boxSize = QSize();
        m_sourceFile.clear();
        m_transparency = {};
        m_transparentIndex = 0;
        fields.title.clear();
        fields.description.clear();
        fields.link.clear();
        fields.url.clear();
        return false;
    }

    QImage picture;
    int transparentIndex = 0;
    GifTransparency transparency;
    if (m_header.type == ImageHeader::Gif) {
        cGif gif;
        if (gif.LoadFromStream(bytes) && gif.FramesCount() > 0) {
            if (gif.FrameUseTransparentColor(0)) {
                transparentIndex = gif.FrameTransparentColorIndex(0);
                transparency.used = true;
                transparency.colour = gif.lpFramePaletteColor(0, transparentIndex);
            }
            picture = firstFrameOnScreen(gif, transparency);
        }
    } else {
        picture = picture_decoding::opaque(picture_decoding::decode(bytes));
    }
    if (picture.isNull()) {
        m_failure = LoadFailure::CannotOpen;
        reportCannotOpen(path);
        return false;
    }

    const int width = m_header.width > 0 ? m_header.width : picture.width();
    const int height = m_header.height > 0 ? m_header.height : picture.height();
    if (width > kMaxWidth || height > kMaxHeight)
        m_autoResize = m_prompts->askYesNo(kTooLarge, MessageIcon::Exclamation);

    m_currentType = m_header.type;
    m_transparentIndex = transparentIndex;
    m_transparency = transparency;
    if (m_autoResize && beforeFitting) {
        show(picture, path);
        *beforeFitting = *this;
    }
    if (m_autoResize)
        show(FitInto(picture, kMaxWidth, kMaxHeight), QString());
    else
        show(picture, path);
    return true;
}

QImage ChannelImage::FitInto(const QImage& picture, int maxWidth, int maxHeight)
{
    int left = 0, top = 0, width = 0, height = 0;
    cDib::BestFit(picture.width(), picture.height(), maxWidth, maxHeight, left, top, width,
                  height, false);
    if (width == picture.width() && height == picture.height())
        return picture;
    cDIBSection section;
    if (!section.CreateFromPicture(picture))
        return picture;
    return section.Resample(height, width).Image().convertToFormat(QImage::Format_RGB32);
}

void ChannelImage::show(const QImage& picture, const QString& sourceFile)
{
    m_picture = picture;
    m_boxSize = picture.size();
    m_sourceFile = sourceFile;
}

bool ChannelImage::MySaveImage(Prompts& prompts, const QImage& picture, const QString& path,
                               int format, const GifTransparency& transparency)
{
    if (picture.isNull())
        return false;
    switch (format) {
    case ImageHeader::Bmp:
        return writeBmp(prompts, picture, path);
    case ImageHeader::Jpeg: {
        cDIBSection section;
        section.CreateFromPicture(picture);
        return WriteJpeg(section, path, prompts);
    }
    case ImageHeader::Gif: {
        // The hourglass shows while the colours are reduced, when there is a screen to show it on.
        const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
        if (gui)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        const bool written = writeGif(prompts, picture, path, transparency);
        if (gui)
            QGuiApplication::restoreOverrideCursor();
        return written;
    }
    default:
        return false;
    }
}

bool ChannelImage::MySaveImage(const QString& path, int format)
{
    const bool written = MySaveImage(*m_prompts, m_picture, path, format, m_transparency);
    if (written && format == m_currentType)
        m_sourceFile = path; // the file now holds this picture: later saves leave it alone
    return written;
}

void ChannelImage::ClearPrjImage()
{
    m_picture = QImage();
    m_boxSize = QSize();
    m_sourceFile.clear();
    m_transparency = {};
    m_transparentIndex = 0;
}

bool ChannelImage::SaveToImageFile(const QString& imageFile)
{
    if (imageFile.isEmpty() || !HasPicture() || samePath(m_sourceFile, imageFile))
        return true;
    if (m_currentType == ImageHeader::Png) {
        if (!writePng(*m_prompts, m_picture, imageFile))
            return false;
        m_sourceFile = imageFile;
        return true;
    }
    if (m_currentType != ImageHeader::Gif && m_currentType != ImageHeader::Jpeg
        && m_currentType != ImageHeader::Bmp)
        return true;
    return MySaveImage(imageFile, m_currentType);
}

QString ChannelImage::FileForPicture(const QString& imageFile) const
{
    if (!HasPicture())
        return imageFile;
    if (!m_sourceFile.isEmpty())
        return m_sourceFile; // a file holds exactly this picture
    if (imageFile.isEmpty() || !QFileInfo::exists(imageFile))
        return imageFile;
    const QString suffix = QFileInfo(imageFile).suffix();
    return NewFileBeside(imageFile, m_picture.size(),
                         suffix.isEmpty() ? QString::fromLatin1(extensionOfType(m_currentType)) : suffix);
}

QString ChannelImage::NewFileBeside(const QString& file, const QSize& size, const QString& suffix)
{
    const QFileInfo info(file);
    const QString stem = info.dir().filePath(
        info.completeBaseName() + QStringLiteral("-%1x%2").arg(size.width()).arg(size.height()));
    QString candidate = stem + QLatin1Char('.') + suffix;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = stem + QStringLiteral("-%1.").arg(n) + suffix;
    return candidate;
}

bool ChannelImage::WriteForUpload(const QString& path)
{
    if (!HasPicture())
        return false;
    const bool writable = m_currentType == ImageHeader::Gif || m_currentType == ImageHeader::Jpeg
                          || m_currentType == ImageHeader::Bmp;
    QFile source(m_sourceFile);
    const bool copyable = !m_sourceFile.isEmpty() && source.open(QIODevice::ReadOnly);
    // A file that went away since loading: the picture in memory is written instead.
    if (copyable || !writable) {
        if (!copyable) {
            reportCannotOpen(m_sourceFile);
            return false;
        }
        const QByteArray bytes = source.readAll();
        QSaveFile target(path);
        if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size()
            || !target.commit()) {
            reportWriteFailure(*m_prompts, path);
            return false;
        }
        return true;
    }
    return MySaveImage(*m_prompts, m_picture, path, m_currentType, m_transparency);
}

QList<FileFilter> ChannelImage::OpenFilters()
{
    return {{QStringLiteral("JPEG file (.jpg)"), QStringLiteral("*.jpg;*.jpeg")},
            {QStringLiteral("GIF file (.gif)"), QStringLiteral("*.gif")},
            {QStringLiteral("All files"), QStringLiteral("*.*")}};
}

QList<FileFilter> ChannelImage::SaveFilters()
{
    return {{QStringLiteral("JPEG file (.jpg)"), QStringLiteral("*.jpg;*.jpeg")},
            {QStringLiteral("GIF file (.gif)"), QStringLiteral("*.gif")},
            {QStringLiteral("BMP file (.bmp)"), QStringLiteral("*.bmp")}};
}

QString ChannelImage::NameWithExtension(const QString& name, int saveFilter)
{
    const QString upper = name.toUpper();
    switch (saveFilter) {
    case SaveJpeg:
        return upper.contains(QLatin1String(".JPG")) || upper.contains(QLatin1String(".JPEG"))
                   ? name
                   : name + QLatin1String(".jpg");
    case SaveGif:
        return upper.contains(QLatin1String(".GIF")) ? name : name + QLatin1String(".gif");
    case SaveBmp:
        return upper.contains(QLatin1String(".BMP")) ? name : name + QLatin1String(".bmp");
    default:
        return name;
    }
}

int ChannelImage::FormatOfSaveFilter(int saveFilter)
{
    switch (saveFilter) {
    case SaveJpeg: return ImageHeader::Jpeg;
    case SaveGif: return ImageHeader::Gif;
    case SaveBmp: return ImageHeader::Bmp;
    default: return ImageHeader::Unknown;
    }
}

bool ChannelImage::Open(ChannelImageFields& fields)
{
    const FileDialogResult chosen = m_prompts->openFile(QStringLiteral("Open Image"), OpenFilters());
    if (!chosen.accepted())
        return false;
    fields.file = chosen.path;
    fields.url = nameAfterLastSeparator(chosen.path);
    return LoadShowPicture(chosen.path, fields);
}

bool ChannelImage::SaveAs()
{
    const FileDialogResult chosen = m_prompts->saveFile(QStringLiteral("Save Image"), SaveFilters());
    if (!chosen.accepted())
        return false;
    return MySaveImage(NameWithExtension(chosen.path, chosen.filterIndex),
                       FormatOfSaveFilter(chosen.filterIndex));
}

void ChannelImage::Remove(ChannelImageFields& fields)
{
    ClearPrjImage();
    fields = ChannelImageFields();
}

void ChannelImage::SetPicture(const QImage& picture, int format)
{
    if (format != ImageHeader::Unknown) {
        m_currentType = format;
        m_transparency = {};
        m_transparentIndex = 0;
    }
    show(picture, QString());
}
