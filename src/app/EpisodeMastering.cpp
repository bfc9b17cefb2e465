// The episode editor's loudness, chapter marks and export for publishing.
#include "app/EpisodeForm.h"

#include "app/Session.h"
#include "app/WorkProgress.h"
#include "audio/AudioEditor.h"
#include "common/Prompts.h"
#include "feed/DirectoryValues.h"
#include "image/CoverArt.h"
#include "store/Settings.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A picture as APIC takes it: JPEG and PNG as they are, anything else (GIF, BMP) as JPEG.
QByteArray coverBytes(const QString& path)
{
    const QByteArray bytes = readFile(path);
    if (bytes.isEmpty() || !PodcastTagWriter::pictureType(bytes).isEmpty())
        return bytes;
    const QImage image = CoverArt::DecodeRgb(bytes);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "JPEG", 90))
        return {};
    return jpeg;
}

QString localPath(const QString& reference)
{
    const QUrl url(reference);
    const QString path = url.isLocalFile() ? url.toLocalFile() : reference;
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace

LoudnessReport EpisodeForm::measureLoudness()
{
    beginWork(QStringLiteral("Measuring loudness..."));
    const LoudnessReport r = m_editor->measureLoudness();
    endWork();
    return r;
}

AudioStatus EpisodeForm::normalizeLoudness(double targetLufs, double ceilingDbtp, LoudnessNormalizer::Result* result)
{
    beginWork(QStringLiteral("Loudness..."));
    const AudioStatus status = m_editor->normalizeLoudness(targetLufs, ceilingDbtp, nullptr, result);
    endWork();
    if (status.ok())
        m_modified = true;
    else if (status.code != AudioStatus::Cancelled)
        m_session.prompts().message(QStringLiteral("\"Loudness\" could not be applied:\r\n%1").arg(status.message),
                                    MessageIcon::Exclamation);
    return status;
}

PublishOptions EpisodeForm::publishingDefaults() const
{
    PublishOptions o;
    const Settings& s = m_session.settings();
    const bool mono = s.pMonoStereo == 0 || m_editor->channels() == 1;
    o.encoder = EncoderSettings(s.encoderBitrate > 0 ? s.encoderBitrate : 128, 32000, 160, mono ? 1 : 2);
    o.targetLufs = loudnesspresets::forChannels(mono ? 1 : 2);
    o.tags.fields = m_editor->tags();
    if (o.tags.fields.title.isEmpty())
        o.tags.fields.title = fields.title;
    o.tags.chapters = m_editor->chapterMarks();
    // The episode's own cover art, else the podcast's image.
    QString cover;
    if (m_index >= 0 && m_index < m_session.document().episodes.size())
        cover = localPath(m_session.document().episodes[m_index].itunesImage);
    if (cover.isEmpty() && m_session.currentEntry())
        cover = localPath(m_session.currentEntry()->imagePath);
    if (!cover.isEmpty())
        o.tags.cover = coverBytes(cover);
    return o;
}

bool EpisodeForm::exportForPublishing(const PublishOptions& options, PublishingExport::Result* out)
{
    const QString proposal = m_currentFile.isEmpty() ? QString()
                                                     : QFileInfo(m_currentFile).path() + QLatin1Char('/')
                                                           + QFileInfo(m_currentFile).completeBaseName()
                                                           + QStringLiteral("-published.mp3");
    const FileDialogResult r = m_session.prompts().saveFile(
        QStringLiteral("Export for publishing"), {FileFilter{QStringLiteral("MP3 Files (*.mp3)"), QStringLiteral("*.mp3")}},
        proposal);
    if (!r.accepted())
        return false;
    const QString path = r.path.toUpper().contains(QLatin1String(".MP3")) ? r.path : r.path + QStringLiteral(".mp3");
    beginWork(QStringLiteral("Exporting for publishing..."));
    const PublishingExport::Result result = PublishingExport::run(
        path, m_editor->samples(), m_editor->sampleRate(), m_editor->store(), options, nullptr,
        [this](qint64 done, qint64 total) { return !m_progress || m_progress->advance(done, total); });
    endWork();
    if (out)
        *out = result;
    if (!result.status.ok()) {
        if (result.status.code != AudioStatus::Cancelled)
            m_session.prompts().message(
                QStringLiteral("The episode could not be exported as \"%1\":\r\n%2").arg(path, result.status.message),
                MessageIcon::Exclamation);
        return false;
    }
    // The feed announces the published file.
    followFile(path);
    if (m_index >= 0 && m_index < m_session.document().episodes.size())
        m_session.document().episodes[m_index].itunesDuration = dirvalues::formatItunesDuration(result.seconds);
    return true;
}

void EpisodeForm::chapterCommand(const QString& c)
{
    const double at = double(m_editor->cursor()) / m_editor->sampleRate();
    const int nearest = m_editor->nearestChapterMark(at);
    if (c == QLatin1String("m_chapter_add")) {
        m_editor->addChapterMark(at, QStringLiteral("Chapter %1").arg(m_editor->chapterMarks().size() + 1));
    } else if (nearest < 0) {
        m_session.prompts().message(QStringLiteral("The track has no chapter marks."), MessageIcon::Information);
        return;
    } else if (c == QLatin1String("m_chapter_name")) {
        return; // the window asks for the title and calls nameChapterMark
    } else if (c == QLatin1String("m_chapter_move")) {
        m_editor->moveChapterMark(nearest, at);
    } else if (c == QLatin1String("m_chapter_remove")) {
        m_editor->removeChapterMark(nearest);
    }
    m_modified = true;
}

int EpisodeForm::chapterMarkAtCursor() const
{
    return m_editor->nearestChapterMark(double(m_editor->cursor()) / m_editor->sampleRate());
}

bool EpisodeForm::nameChapterMark(const QString& title)
{
    const int index = chapterMarkAtCursor();
    if (index < 0 || m_editor->chapterMarks()[size_t(index)].title == title)
        return false;
    m_editor->renameChapterMark(index, title);
    m_modified = true;
    return true;
}

void EpisodeForm::saveChapterFile(const QString& audioPath)
{
    const QString path = chaptermarks::jsonPathFor(audioPath);
    if (m_editor->chapterMarks().empty())
        return; // a chapters file of another take stays as it is
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(chaptermarks::toJson(m_editor->chapterMarks())) < 0
        || !file.commit())
        m_session.prompts().message(
            QStringLiteral("The chapter marks could not be saved as \"%1\":\r\n%2").arg(path, file.errorString()),
            MessageIcon::Exclamation);
}

void EpisodeForm::loadChapterFile(const QString& audioPath)
{
    const QString path = chaptermarks::jsonPathFor(audioPath);
    if (!QFileInfo::exists(path))
        return;
    std::vector<ChapterMark> marks;
    QString error;
    if (chaptermarks::fromJson(readFile(path), &marks, &error))
        m_editor->setChapterMarks(std::move(marks));
    else
        m_session.prompts().message(QStringLiteral("The chapter marks in \"%1\" could not be read:\r\n%2").arg(path, error),
                                    MessageIcon::Exclamation);
}
