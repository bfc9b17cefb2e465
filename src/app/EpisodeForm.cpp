#include "app/EpisodeForm.h"

#include "app/AppShell.h"
#include "app/EpisodeCommandTable.h"
#include "app/RecordingDefaults.h"
#include "app/Session.h"
#include "app/TrackDevices.h"
#include "app/WorkProgress.h"
#include "audio/AudioDecoder.h"
#include "audio/AudioEditor.h"
#include "audio/AudioFormats.h"
#include "audio/TrackCommands.h"
#include "common/Prompts.h"
#include "store/Settings.h"

#include <QFileInfo>
#include <QUrl>

namespace {

// A new track and the one after New.
constexpr int kNewTrackRate = 44100;
constexpr int kNewTrackChannels = 2;

QList<FileFilter> promptFilters(const std::vector<audioformats::FilterEntry>& entries)
{
    QList<FileFilter> filters;
    for (const audioformats::FilterEntry& e : entries)
        filters.append(FileFilter{QString::fromLatin1(e.description), QString::fromLatin1(e.patterns)});
    return filters;
}

// Inside the pickers' ranges; hour 24 and minute or second 60 pass (the pickers carry them over).
bool inPickerRange(const FeedDateTime& d)
{
    return d.day >= 1 && d.day <= 31 && d.month >= 1 && d.month <= 12 && d.year >= 1800 && d.year <= 2050
           && d.hour >= 0 && d.hour <= 24 && d.minute >= 0 && d.minute <= 60 && d.second >= 0 && d.second <= 60;
}

// "" → 0, a number → itself, anything else → `old` (the field keeps its value).
qint64 numberOr(const QString& text, qint64 old, qint64 low, qint64 high)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    return ok && v >= low && v <= high ? v : old;
}

QString numberText(qint64 v)
{
    return v == 0 ? QString() : QString::number(v);
}

} // namespace

QString FileNamePart(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

QString FileLengthText(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !info.isReadable())
        return {};
    return QString::number(info.size());
}

qint16 MediaTypeIndex(const QString& path)
{
    const QString name = FileNamePart(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return -1;
    const QString ext = name.mid(dot + 1).trimmed().toLower();
    static const std::pair<const char*, qint16> table[] = {{"zip", 0}, {"pdf", 1}, {"mp3", 2},  {"m4a", 3}, {"mp4", 4},
                                                           {"m4v", 5}, {"mov", 6}, {"jpeg", 7}, {"jpg", 7}, {"gif", 8}};
    for (const auto& [e, index] : table)
        if (ext == QLatin1String(e))
            return index;
    return -1;
}

EpisodeForm::EpisodeForm(Session& session, TrackDevices& devices)
    : m_session(session), m_devices(devices), m_editor(std::make_unique<AudioEditor>())
{
    m_editor->setProgressHandler([this](qint64 done, qint64 total) {
        return !m_progress || m_progress->advance(done, total);
    });
}

EpisodeForm::~EpisodeForm()
{
    release();
}

const QStringList& EpisodeForm::mediaTypes()
{
    static const QStringList list = {"application/zip", "application/pdf", "audio/mpeg",
                                     "audio/x-m4a",     "video/mp4",       "video/x-m4v",
                                     "video/quicktime", "image/jpeg",      "image/gif"};
    return list;
}

QString EpisodeForm::saveTrackQuestion()
{
    return QStringLiteral("Would you like to save the current audio track?");
}

bool EpisodeForm::load(int index)
{
    FeedDocument& doc = m_session.document();
    if (index < 0 || index >= doc.episodes.size())
        return false;
    stopDevices();
    m_index = index;
    const Episode& e = doc.episodes.at(index);
    fields = EpisodeFieldValues{};
    fields.title = e.title;
    fields.description = e.description;
    fields.link = e.link;
    fields.url = e.enclosureUrl;
    fields.length = e.enclosureLength;
    fields.type = e.enclosureType;

    const qsizetype comma = e.pubDate.indexOf(QLatin1Char(','));
    FeedDateTime date = parseFeedDate(e.pubDate.mid(comma + 1).trimmed());
    if (inPickerRange(date)) {
        // The time picker shows 0 to 59: second 60 becomes the next minute.
        if (date.second == 60) {
            date.second = 0;
            ++date.minute;
        }
        fields.date = normalizeFeedDateTime(date);
    } else
        fields.date = currentFeedDateTime();

    const Settings& s = m_session.settings();
    m_editor->NewTrack(kNewTrackRate, kNewTrackChannels);
    m_devices.attach(m_editor.get());
    m_devices.setBuffers(s.bufPar1, s.bufPar2, s.bufPar3);
    // A settings file without the key reads 0, which would leave no undo at all.
    if (s.undoRedo > 0)
        m_editor->setUndoDepth(s.undoRedo);
    if (!s.tempDir.isEmpty())
        m_editor->setTempFolder(s.tempDir);

    m_currentFile = e.enclosureFile;
    m_local = false;
    if (const ProjectEntry* entry = m_session.currentEntry(); entry && index < entry->enclosures.count()) {
        m_currentFile = entry->enclosures.at(index).localFile;
        m_local = entry->enclosures.at(index).isLocal;
    }
    fields.file = m_currentFile;
    m_directory.load(e);
    if (!m_currentFile.isEmpty() && QFileInfo(m_currentFile).isFile())
        m_directory.setAudioLength(AudioDecoder::fileDuration(m_currentFile));
    m_loadedFile.clear();
    m_modified = m_discard = m_recordingIntoNewTrack = m_busy = false;
    m_newTrack = true;
    m_pendingOpen = false;
    m_viewMode = 0;
    setLocalFile(m_local);
    return true;
}

void EpisodeForm::setLocalFile(bool on)
{
    m_local = on;
    m_pendingOpen = on && !m_currentFile.isEmpty() && m_currentFile != m_loadedFile && !m_modified;
}

void EpisodeForm::openPendingFile()
{
    if (!m_pendingOpen)
        return;
    m_pendingOpen = false;
    if (!QFileInfo(m_currentFile).isFile() || !openTrackFile(m_currentFile))
        return;
    m_newTrack = false;
    m_loadedFile = m_currentFile;
}

void EpisodeForm::setCurrentDate()
{
    fields.date = currentFeedDateTime();
}

void EpisodeForm::openLink()
{
    const QString link = fields.link.trimmed();
    if (!link.isEmpty())
        m_session.prompts().openUrl(link);
}

void EpisodeForm::chooseEnclosure()
{
    const FileDialogResult r = m_session.prompts().openFile(QStringLiteral("Open multimedia enclosure"),
                                                            {FileFilter{QStringLiteral("All files"), QStringLiteral("*.*")}},
                                                            m_currentFile);
    if (r.accepted())
        followFile(r.path);
}

bool EpisodeForm::recording() const
{
    return m_devices.isRecording();
}

bool EpisodeForm::commandEnabled(const QString& command) const
{
    const episodecommands::Command* c = episodecommands::find(command);
    if (!c)
        return false;
    using G = episodecommands::Group;
    if (c->group == G::Always)
        return true;
    if (!m_local || (c->notWhileRecording && recording()))
        return false;
    if (c->group == G::LocalFile)
        return true;
    return !fields.file.isEmpty() || (command == QLatin1String("m_stop") && recording());
}

bool EpisodeForm::commandChecked(const QString& command) const
{
    if (command == QLatin1String("m_waveform"))
        return m_viewMode == 0;
    if (command == QLatin1String("m_spectral"))
        return m_viewMode == 1;
    return false;
}

bool EpisodeForm::menuEnabled(const QString& menu) const
{
    return m_local || menu == QLatin1String("m_file") || menu == QLatin1String("m_help");
}

void EpisodeForm::run(const QString& c)
{
    if (m_busy || m_index < 0 || !commandEnabled(c))
        return;
    if (c == QLatin1String("m_new")) {
        if (confirmDropTrack())
            newTrack();
    } else if (c == QLatin1String("m_open"))
        openCommand();
    else if (c == QLatin1String("m_save"))
        saveTrack();
    else if (c == QLatin1String("m_save_exit")) {
        writeBackEnclosure();
        if (closeWindow)
            closeWindow();
    } else if (c == QLatin1String("m_close")) {
        if (discardRequested() && closeWindow)
            closeWindow();
    } else if (c == QLatin1String("m_waveform"))
        m_viewMode = 0;
    else if (c == QLatin1String("m_spectral"))
        m_viewMode = 1;
    else if (c == QLatin1String("m_mix_file"))
        mixFromFile();
    else if (c == QLatin1String("m_start_rec"))
        startRecording();
    else if (c == QLatin1String("m_stop"))
        stopDevices();
    else if (c == QLatin1String("m_play"))
        m_devices.play();
    else if (c == QLatin1String("m_pause"))
        m_devices.pause();
    else if (c == QLatin1String("m_preferences"))
        m_devices.showSettings();
    else if (c == QLatin1String("m_f1"))
        m_session.prompts().openUrl(
            QUrl::fromLocalFile(m_session.shell().home().filePath(QStringLiteral("manual/creating_new_episode.htm")))
                .toString());
    else if (trackcommands::isEffectCommand(c) || c == QLatin1String("m_undo") || c == QLatin1String("m_redo")
             || c == QLatin1String("m_copy") || c == QLatin1String("m_cut") || c == QLatin1String("m_paste")
             || c == QLatin1String("m_mix"))
        runTrackCommand(c);
    else if (c.startsWith(QLatin1String("m_chapter_")))
        chapterCommand(c);
}

void EpisodeForm::runTrackCommand(const QString& c)
{
    const episodecommands::Command* command = episodecommands::find(c);
    const bool reportsFailure = trackcommands::isEffectCommand(c) || c == QLatin1String("m_mix");
    if (reportsFailure)
        beginWork(episodecommands::plainCaption(*command) + QStringLiteral("..."));
    const AudioStatus status = trackcommands::run(*m_editor, c);
    if (reportsFailure)
        endWork();
    if (status.ok()) {
        if (c != QLatin1String("m_copy"))
            m_modified = true;
        return;
    }
    // Undo with no history, Cut without a selection ...: nothing happened, nothing to say.
    if (status.code == AudioStatus::Cancelled || !reportsFailure)
        return;
    m_session.prompts().message(QStringLiteral("\"%1\" could not be applied:\r\n%2")
                                    .arg(episodecommands::plainCaption(*command), status.message),
                                MessageIcon::Exclamation);
}

void EpisodeForm::newTrack()
{
    m_modified = false;
    m_currentFile.clear();
    m_loadedFile.clear();
    fields.url.clear();
    fields.length.clear();
    fields.type.clear();
    fields.file.clear();
    m_editor->NewTrack(kNewTrackRate, kNewTrackChannels);
    m_newTrack = true;
}

void EpisodeForm::openCommand()
{
    if (!confirmDropTrack())
        return;
    const FileDialogResult r = m_session.prompts().openFile(
        QStringLiteral("Open audio file"), promptFilters(audioformats::openFilters()), m_currentFile);
    // A cancelled dialog keeps the enclosure as it was: nothing was opened that it could follow.
    if (!r.accepted() || !QFileInfo::exists(r.path) || !openTrackFile(r.path))
        return;
    m_modified = false;
    m_newTrack = false;
    m_loadedFile = r.path;
    followFile(r.path);
}

bool EpisodeForm::openTrackFile(const QString& path)
{
    beginWork(QStringLiteral("Opening..."));
    const AudioStatus status = m_editor->OpenTrack(path);
    endWork();
    if (status.ok())
        loadChapterFile(path);
    if (!status.ok() && status.code != AudioStatus::Cancelled)
        m_session.prompts().message(
            QStringLiteral("The audio file \"%1\" could not be opened:\r\n%2").arg(path, status.message),
            MessageIcon::Exclamation);
    return status.ok();
}

bool EpisodeForm::saveTrack()
{
    const FileDialogResult r = m_session.prompts().saveFile(
        QStringLiteral("Save audio"), promptFilters(audioformats::saveFilters()), m_currentFile);
    if (!r.accepted())
        return false;
    const QString path = audioformats::savedFileName(r.path, r.filterIndex + 1);
    m_editor->setEncoderSettings(EncoderSettings(96, 32000, 160, 2));
    beginWork(QStringLiteral("Saving..."));
    const AudioStatus status = m_editor->SaveTrack(path, false, 0);
    endWork();
    if (!status.ok()) {
        // The track stays modified and the enclosure keeps naming the file that really exists.
        if (status.code != AudioStatus::Cancelled)
            m_session.prompts().message(
                QStringLiteral("The audio track could not be saved as \"%1\":\r\n%2").arg(path, status.message),
                MessageIcon::Exclamation);
        return false;
    }
    m_modified = false;
    m_loadedFile = path;
    saveChapterFile(path);
    followFile(path);
    return true;
}

void EpisodeForm::mixFromFile()
{
    const FileDialogResult r = m_session.prompts().openFile(QStringLiteral("Open audio file"),
                                                            promptFilters(audioformats::openFilters()));
    if (!r.accepted())
        return;
    beginWork(QStringLiteral("Mix from file..."));
    const AudioStatus status = m_editor->MixFromFile(100, r.path, -100);
    endWork();
    if (status.ok())
        m_modified = true;
    else if (status.code != AudioStatus::Cancelled)
        m_session.prompts().message(
            QStringLiteral("\"%1\" could not be mixed in:\r\n%2").arg(r.path, status.message),
            MessageIcon::Exclamation);
}

void EpisodeForm::startRecording()
{
    if (!m_devices.startRecording())
        return;
    if (m_newTrack) {
        m_recordingIntoNewTrack = true;
        m_newTrack = false;
    }
    fields.file = QStringLiteral(" ");
    m_modified = true;
}

void EpisodeForm::stopDevices()
{
    if (m_recordingIntoNewTrack) {
        AudioTags t = m_editor->tags();
        recordingdefaults::applyDefaultTags(t, m_session.settings());
        m_editor->setTags(t);
        m_recordingIntoNewTrack = false;
    }
    m_devices.stop();
}

void EpisodeForm::followFile(const QString& path)
{
    m_currentFile = path;
    fields.file = path;
    const qint16 type = MediaTypeIndex(path);
    fields.type = type >= 0 ? mediaTypes().at(type) : QString();
    fields.length = FileLengthText(path);
    fields.url = FileNamePart(path);
    m_directory.setAudioLength(AudioDecoder::fileDuration(path));
}

bool EpisodeForm::confirmDropTrack()
{
    if (!m_modified)
        return true;
    switch (m_session.prompts().message(saveTrackQuestion(), MessageIcon::Exclamation,
                                        MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes:
        return saveTrack();
    case MessageAnswer::No:
        return true;
    default:
        return false;
    }
}

bool EpisodeForm::closeRequested()
{
    if (m_discard)
        return true;
    if (m_index < 0 || m_index >= m_session.document().episodes.size())
        return true;
    if (m_busy)
        return false;
    if (recording())
        stopDevices();
    if (m_local && !confirmDropTrack())
        return false;
    writeBackEnclosure();
    commitFields();
    return true;
}

void EpisodeForm::closeUnattended()
{
    if (m_discard || m_index < 0 || m_index >= m_session.document().episodes.size())
        return;
    if (recording())
        stopDevices();
    writeBackEnclosure();
    commitFields();
    m_discard = true;
}

bool EpisodeForm::discardRequested()
{
    if (recording())
        stopDevices();
    if (m_local && !confirmDropTrack())
        return false;
    m_discard = true;
    return true;
}

void EpisodeForm::writeBackEnclosure()
{
    FeedDocument& doc = m_session.document();
    if (m_index < 0 || m_index >= doc.episodes.size())
        return;
    Episode& e = doc.episodes[m_index];
    e.enclosureUrl = fields.url;
    e.enclosureFile = m_currentFile;
    e.enclosureLength = fields.length;
    e.enclosureType = fields.type;
    ProjectEntry* entry = m_session.currentEntry();
    if (!entry)
        return;
    // One state per episode, at the episode's position; states past the end are kept.
    if (entry->enclosures.count() < doc.episodes.size())
        entry->enclosures.resize(int(doc.episodes.size()));
    EnclosureState& state = entry->enclosures[m_index];
    state.localFile = m_currentFile;
    state.text2 = e.enclosureUrl;
    state.text3 = e.guid;
    state.text4 = fields.title;
    state.text5 = QString::number(m_index);
    state.isLocal = m_local;
}

void EpisodeForm::commitFields()
{
    Episode& e = m_session.document().episodes[m_index];
    e.title = fields.title;
    e.description = fields.description;
    e.link = fields.link;
    e.pubDate = formatFeedDate(fields.date);
    EpisodeDirectoryForm::copyFields(m_directory.values(), e);
    if (m_session.view())
        m_session.refillEpisodeList(m_index + 1);
}

TrackInfoFields EpisodeForm::trackInfo() const
{
    const AudioTags t = m_editor->tags();
    return TrackInfoFields{m_currentFile, numberText(t.trackNumber), t.title, t.artist, t.album, numberText(t.year),
                           t.comment};
}

void EpisodeForm::applyTrackInfo(const TrackInfoFields& info)
{
    const AudioTags old = m_editor->tags();
    AudioTags t = old;
    t.trackNumber = qint16(numberOr(info.track, t.trackNumber, 0, INT16_MAX));
    t.title = info.title;
    t.artist = info.artist;
    t.album = info.album;
    t.year = qint32(numberOr(info.year, t.year, 0, 9999));
    t.comment = info.comment;
    if (t == old)
        return;
    m_editor->setTags(t);
    m_modified = true;
}

void EpisodeForm::beginWork(const QString& text)
{
    m_busy = true;
    if (m_progress)
        m_progress->begin(text);
}

void EpisodeForm::endWork()
{
    if (m_progress)
        m_progress->end();
    m_busy = false;
}

void EpisodeForm::release()
{
    if (recording())
        stopDevices();
    m_devices.attach(nullptr);
    m_editor->CloseTrack();
}
