#include "image/PictureEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString kUnknownFormat = QStringLiteral("Unknown image format.");

QString fileNamePart(const QString& path)
{
    const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

// Undo takes back what a change did to a text, never what the user typed after it.
void restoreText(QString& current, const QString& changedTo, const QString& before)
{
    if (current == changedTo)
        current = before;
}

} // namespace

PictureEditor::PictureEditor(Prompts& prompts, const ChannelImage& image,
                             const ChannelImageFields& initialFields, const CoverArtFields& initialCover)
    : fields(initialFields), cover(initialCover), m_prompts(&prompts), m_image(image)
{
    m_history.append({m_image, fields});
    if (!cover.file.isEmpty())
        loadCover(cover.file);
}

void PictureEditor::record()
{
    while (m_history.size() > m_position + 1)
        m_history.removeLast();
    m_history.append({m_image, fields});
    while (m_history.size() > kLastUndoPosition + 1)
        m_history.removeFirst();
    m_position = int(m_history.size()) - 1;
}

void PictureEditor::restore(int from, int to)
{
    const ChannelImageFields& after = m_history[from].fields;
    const ChannelImageFields& before = m_history[to].fields;
    m_image = m_history[to].image;
    restoreText(fields.title, after.title, before.title);
    restoreText(fields.description, after.description, before.description);
    restoreText(fields.link, after.link, before.link);
    restoreText(fields.url, after.url, before.url);
    restoreText(fields.file, after.file, before.file);
    m_position = to;
}

bool PictureEditor::Open()
{
    const FileDialogResult chosen =
        m_prompts->openFile(QStringLiteral("Open Image"), ChannelImage::OpenFilters(), fields.file);
    return chosen.accepted() && OpenPath(chosen.path);
}

bool PictureEditor::OpenPath(const QString& path)
{
    ChannelImageFields opened = fields;
    opened.file = path;
    opened.url = fileNamePart(path);
    ChannelImage loaded = m_image;
    ChannelImage ownSize = m_image;
    // Work on copies: a file that cannot be shown changes neither the picture nor a field.
    if (!loaded.LoadShowPicture(path, opened, &ownSize)) {
        if (loaded.LastLoadFailure() == ChannelImage::LoadFailure::NotFeedFormat)
            m_prompts->message(kUnknownFormat, MessageIcon::Exclamation);
        return false;
    }
    // What the user typed since the last change belongs to the state before this one.
    m_history[m_position].fields = fields;
    fields = opened;
    if (loaded.AutoResizeWanted()) {
        m_image = ownSize;
        record();
    }
    m_image = loaded;
    record();
    return true;
}

bool PictureEditor::SaveAs()
{
    if (!m_image.HasPicture())
        return false;
    if (!m_image.SaveAs())
        return false;
    m_history[m_position].image = m_image; // the picture is now held by the saved file
    return true;
}

void PictureEditor::Remove()
{
    m_history[m_position].fields = fields;
    m_image.ClearPrjImage();
    fields = ChannelImageFields();
    record();
}

bool PictureEditor::Undo()
{
    if (m_position <= 0)
        return false;
    restore(m_position, m_position - 1);
    return true;
}

bool PictureEditor::Redo()
{
    if (m_position >= kLastUndoPosition || m_position + 1 >= m_history.size())
        return false;
    restore(m_position, m_position + 1);
    return true;
}

PictureEditor::CommandState PictureEditor::commandState() const
{
    CommandState state;
    state.remove = !fields.file.isEmpty();
    state.upload = state.remove;
    state.undo = m_position > 0;
    state.redo = m_position < kLastUndoPosition && m_position + 1 < m_history.size();
    state.coverSquare = !m_coverPicture.isNull();
    state.coverToFeed = state.coverSquare;
    state.coverRemove = !cover.file.isEmpty();
    return state;
}

void PictureEditor::OpenLink()
{
    if (!fields.link.trimmed().isEmpty())
        m_prompts->openUrl(fields.link.trimmed());
}

void PictureEditor::OpenImageUrl()
{
    if (!fields.url.trimmed().isEmpty())
        m_prompts->openUrl(fields.url.trimmed());
}

ChannelImage PictureEditor::Accept()
{
    fields.file = m_image.FileForPicture(fields.file);
    return m_image;
}

// ---------------------------------------------------------------- cover art

QList<FileFilter> PictureEditor::CoverOpenFilters()
{
    return {{QStringLiteral("Cover art (.jpg, .png)"), QStringLiteral("*.jpg;*.jpeg;*.png")},
            {QStringLiteral("All files"), QStringLiteral("*.*")}};
}

QList<FileFilter> PictureEditor::CoverSaveFilters()
{
    return {{QStringLiteral("JPEG file (.jpg)"), QStringLiteral("*.jpg;*.jpeg")},
            {QStringLiteral("PNG file (.png)"), QStringLiteral("*.png")}};
}

QString PictureEditor::CoverNameWithExtension(const QString& name, int saveFilter)
{
    if (saveFilter == 1)
        return name.toUpper().contains(QLatin1String(".PNG")) ? name : name + QLatin1String(".png");
    return ChannelImage::NameWithExtension(name, ChannelImage::SaveJpeg);
}

QString PictureEditor::AddressBeside(const QString& imageUrl, const QString& fileName)
{
    QUrl url(imageUrl.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return fileName;
    QString path = url.path();
    path = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (path.isEmpty())
        path = QStringLiteral("/");
    url.setPath(path + fileName);
    url.setQuery(QString());
    url.setFragment(QString());
    return url.toString();
}

void PictureEditor::loadCover(const QString& path)
{
    m_coverCheck = CoverArt::CheckFile(path);
    m_coverPicture = QImage();
    if (m_coverCheck.header.type == ImageHeader::Unknown)
        return;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_coverPicture = CoverArt::DecodeRgb(file.readAll());
    if (m_coverPicture.isNull())
        m_coverCheck.problems = QStringList{QStringLiteral("Cannot open the image file \"%1\".").arg(path)};
}

bool PictureEditor::OpenCover()
{
    const FileDialogResult chosen =
        m_prompts->openFile(QStringLiteral("Open Cover Art"), CoverOpenFilters(), cover.file);
    return chosen.accepted() && OpenCoverPath(chosen.path);
}

bool PictureEditor::OpenCoverPath(const QString& path)
{
    const CoverCheck keptCheck = m_coverCheck;
    const QImage keptPicture = m_coverPicture;
    loadCover(path);
    if (m_coverPicture.isNull()) {
        m_prompts->message(m_coverCheck.problems.value(0, kUnknownFormat), MessageIcon::Exclamation);
        m_coverCheck = keptCheck;
        m_coverPicture = keptPicture;
        return false;
    }
    cover.file = path;
    cover.url = AddressBeside(cover.url.isEmpty() ? fields.url : cover.url, fileNamePart(path));
    return true;
}

bool PictureEditor::MakeSquare(const QRect& crop, int size)
{
    if (m_coverPicture.isNull())
        return false;
    const QFileInfo source(cover.file);
    const QString suggested =
        source.dir().filePath(source.completeBaseName() + QStringLiteral("-%1").arg(size));
    const FileDialogResult chosen =
        m_prompts->saveFile(QStringLiteral("Save Cover Art"), CoverSaveFilters(), suggested);
    if (!chosen.accepted())
        return false;
    const QString target = CoverNameWithExtension(chosen.path, chosen.filterIndex);
    const int format = chosen.filterIndex == 1 ? ImageHeader::Png : ImageHeader::Jpeg;
    // The whole of a cover at its own size is the file itself: copied, not encoded again.
    const bool whole = crop == QRect(QPoint(0, 0), m_coverPicture.size()) && size == crop.width();
    const CoverArt::Result made = whole ? CoverArt::Make(cover.file, target, format)
                                        : CoverArt::Make(m_coverPicture, target, format, crop, size);
    if (!made.ok) {
        m_prompts->message(made.error, MessageIcon::Exclamation);
        return false;
    }
    cover.url = AddressBeside(cover.url.isEmpty() ? fields.url : cover.url, fileNamePart(target));
    cover.file = target;
    loadCover(target);
    return true;
}

bool PictureEditor::UseCoverForFeedImage()
{
    if (m_coverPicture.isNull())
        return false;
    m_history[m_position].fields = fields;
    const QImage feed = CoverArt::FeedImage(m_coverPicture);
    m_image.SetPicture(feed, ImageHeader::Jpeg);
    fields.file = ChannelImage::NewFileBeside(cover.file, feed.size(), QStringLiteral("jpg"));
    fields.url = AddressBeside(fields.url.isEmpty() ? cover.url : fields.url, fileNamePart(fields.file));
    record();
    return true;
}

void PictureEditor::RemoveCover()
{
    cover = CoverArtFields();
    m_coverCheck = CoverCheck();
    m_coverPicture = QImage();
}
