#include "image/ChannelImage.h"

#include "image/JpegWriter.h"
#include "image/cDIBSection.h"
#include "image/cDib.h"
#include "image/cGif.h"
#include "image/cPal8bpp.h"
#include "image/mDither8bpp.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>
#include <QImageReader>
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

// Qt refuses to decode pictures over 128 MB by default, which a 48-megapixel camera photo
// (8000 x 6000, 192 MB as 32-bit pixels) already exceeds; users pick such photos and fit them.
constexpr int kDecodeLimitMb = 1024;

QImage decodePicture(const QByteArray& bytes)
{
    if (QImageReader::allocationLimit() != 0 && QImageReader::allocationLimit() < kDecodeLimitMb)
        QImageReader::setAllocationLimit(kDecodeLimitMb);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read();
}

// Pictures are kept opaque: see-through areas of PNG files show on white as on a web page.
QImage opaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.drawImage(0, 0, image);
    painter.end();
    return out;
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

ChannelImage::ChannelImage(Prompts& prompts) : m_prompts(prompts) {}

void ChannelImage::reportCannotOpen(const QString& path)
{
    m_prompts.message(QStringLiteral("Cannot open the image file \"%1\".").arg(path),
                      MessageIcon::Exclamation);
}

bool ChannelImage::LoadShowPicture(const QString& path, ChannelImageFields& fields)
{
    m_autoResize = false;
    m_header = ImageHeader();
    QFile file(path);
    if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        reportCannotOpen(path);
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    m_header = ImageHeader::fromBytes(bytes);

    if (m_header.type == ImageHeader::Unknown) {
        // Another format the platform reads is still not a feed image.
        QImage probe;
        if (!probe.loadFromData(bytes))
            m_prompts.message(kUnknownFormat, MessageIcon::Exclamation);
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
        picture = decodePicture(bytes);
        if (!picture.isNull())
            picture = opaque(picture);
    }
    if (picture.isNull()) {
        reportCannotOpen(path);
        return false;
    }

    const int width = m_header.width > 0 ? m_header.width : picture.width();
    const int height = m_header.height > 0 ? m_header.height : picture.height();
    if (width > kMaxWidth || height > kMaxHeight)
        m_autoResize = m_prompts.askYesNo(kTooLarge, MessageIcon::Exclamation);

    m_currentType = m_header.type;
    m_transparentIndex = transparentIndex;
    m_transparency = transparency;
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
    addToHistory();
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
    const bool written = MySaveImage(m_prompts, m_picture, path, format, m_transparency);
    if (written && format == m_currentType) {
        // The file now holds this picture: later saves leave it alone.
        m_sourceFile = path;
        if (m_position < m_history.size())
            m_history[m_position].sourceFile = path;
    }
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
    if (m_currentType != ImageHeader::Gif && m_currentType != ImageHeader::Jpeg
        && m_currentType != ImageHeader::Bmp)
        return true; // nothing is written in formats the program does not write (PNG)
    return MySaveImage(imageFile, m_currentType);
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
            reportWriteFailure(m_prompts, path);
            return false;
        }
        return true;
    }
    return MySaveImage(m_prompts, m_picture, path, m_currentType, m_transparency);
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
    const FileDialogResult chosen = m_prompts.openFile(QStringLiteral("Open Image"), OpenFilters());
    if (!chosen.accepted())
        return false;
    fields.file = chosen.path;
    fields.url = nameAfterLastSeparator(chosen.path);
    return LoadShowPicture(chosen.path, fields);
}

bool ChannelImage::SaveAs()
{
    const FileDialogResult chosen = m_prompts.saveFile(QStringLiteral("Save Image"), SaveFilters());
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

void ChannelImage::SetPicture(const QImage& picture)
{
    show(picture, QString());
}

void ChannelImage::addToHistory()
{
    while (m_history.size() > m_position + 1)
        m_history.removeLast();
    HistoryEntry entry;
    entry.picture = m_picture;
    entry.sizeText = QStringLiteral("%1 x%2").arg(m_picture.width()).arg(m_picture.height(), 3);
    entry.sourceFile = m_sourceFile;
    m_history.append(entry);
    while (m_history.size() > kLastUndoPosition + 1)
        m_history.removeFirst();
    m_position = int(m_history.size()) - 1;
}

void ChannelImage::showEntry(const HistoryEntry& entry)
{
    m_picture = entry.picture;
    m_sourceFile = entry.sourceFile;
    // The stored text without its last five characters is the width.
    m_boxSize = QSize(entry.sizeText.left(entry.sizeText.size() - 5).toInt(), entry.picture.height());
}

bool ChannelImage::Undo()
{
    if (m_position <= 0 || m_position > m_history.size())
        return false;
    --m_position;
    showEntry(m_history[m_position]);
    return true;
}

bool ChannelImage::Redo()
{
    if (m_position >= kLastUndoPosition || m_position + 1 >= m_history.size())
        return false;
    ++m_position;
    showEntry(m_history[m_position]);
    return true;
}
