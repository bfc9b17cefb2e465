#pragma once

#include "app/EpisodeDirectoryForm.h"
#include "audio/PublishingExport.h"
#include "feed/FeedDateTime.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class AudioEditor;
class Session;
class TrackDevices;
class WorkProgress;

// The name and length of a media file, and its place in the media-type list.
// Text after the last "/" or "\"; the whole path when it holds neither.
QString FileNamePart(const QString& path);
// The size of a file in bytes as decimal text; empty when it is no readable file.
QString FileLengthText(const QString& path);
// Index into EpisodeForm::mediaTypes() of the file name's extension (the text after its last ".",
// trimmed and lower-cased); -1 for any other extension or none.
qint16 MediaTypeIndex(const QString& path);

// What the "Edit episode" window shows in its fields.
struct EpisodeFieldValues {
    QString title;
    QString description;
    QString link;
    FeedDateTime date; // the date and time pickers, local time
    QString url;
    QString length;
    QString type; // the type box's text, also one outside the list
    QString file; // "File:"

    bool operator==(const EpisodeFieldValues&) const = default;
};

// The "Edit file info" dialog's seven fields.
struct TrackInfoFields {
    QString file;
    QString track;
    QString title;
    QString artist;
    QString album;
    QString year;
    QString comment;
};

// The "Edit episode" window below its widgets: one episode of the open podcast, its enclosure,
// and the audio track behind it with the commands of the window's menus and toolbar. The window
// copies its widgets into `fields` before it calls in and shows `fields` and the command states
// afterwards. Questions and file dialogs go through the session's Prompts.
class EpisodeForm {
public:
    EpisodeForm(Session& session, TrackDevices& devices);
    ~EpisodeForm();
    EpisodeForm(const EpisodeForm&) = delete;
    EpisodeForm& operator=(const EpisodeForm&) = delete;

    static const QStringList& mediaTypes();
    static QString saveTrackQuestion();

    // Shows the episode at `index` of the document; false when there is none.
    bool load(int index);
    int episodeIndex() const { return m_index; }

    EpisodeFieldValues fields;
    // The "Directories" page: committed with the fields.
    EpisodeDirectoryForm& directory() { return m_directory; }

    // "Local file": shows the track editor and offers its commands.
    bool localFile() const { return m_local; }
    void setLocalFile(bool on);
    // The episode's file waits to be opened into the track once the window is on screen.
    bool hasPendingOpen() const { return m_pendingOpen; }
    void openPendingFile();

    // The buttons beside the fields.
    void setCurrentDate();
    void openLink();
    void chooseEnclosure();

    // A menu or toolbar command by its name ("m_amp_plus"); disabled ones do nothing. Zoom and
    // the help modes belong to the window.
    void run(const QString& command);
    bool commandEnabled(const QString& command) const;
    bool commandChecked(const QString& command) const;
    bool menuEnabled(const QString& menu) const;
    int viewMode() const { return m_viewMode; }
    // Long work is running: the window takes no commands.
    bool busy() const { return m_busy; }

    // Closing, whatever started it: commits unless File > Close came first. False keeps the
    // window open (the user cancelled the question, or the audio could not be saved).
    bool closeRequested();
    // File > Close: asks before it drops a changed track; true when the window may close
    // without committing anything.
    bool discardRequested();
    // Closing when nobody can answer (the session ends): commits the fields and the enclosure;
    // a changed track is dropped unsaved.
    void closeUnattended();
    // The window closes now (File > Close and Save && Close call this; the window sets it).
    std::function<void()> closeWindow;

    // --- loudness, chapter marks and the export for publishing (EpisodeMastering.cpp)
    // Effects > "Loudness...": the selection's or the track's loudness, with progress.
    LoudnessReport measureLoudness();
    // One gain to the target and the true-peak limiter, one undo step; a failure is shown.
    AudioStatus normalizeLoudness(double targetLufs, double ceilingDbtp, LoudnessNormalizer::Result* result = nullptr);
    // What File > "Export for publishing..." starts from: the preferences' encoder settings, the
    // track's tags, the episode's cover art and the chapter marks.
    PublishOptions publishingDefaults() const;
    // Asks for the MP3's name and exports; the enclosure then follows the file and the episode's
    // itunes:duration is set. False when cancelled or failed (a failure was shown).
    bool exportForPublishing(const PublishOptions& options, PublishingExport::Result* result = nullptr);

    // Edit > "Add chapter mark" adds "Chapter N" at the cursor; name, move and remove take the
    // mark nearest to the cursor (-1: none). The window asks for the title.
    int chapterMarkAtCursor() const;
    bool nameChapterMark(const QString& title);

    TrackInfoFields trackInfo() const;
    void applyTrackInfo(const TrackInfoFields& info);

    AudioEditor& editor() { return *m_editor; }
    const AudioEditor& editor() const { return *m_editor; }
    bool trackModified() const { return m_modified; }
    QString currentAudioFile() const { return m_currentFile; }
    void setProgress(WorkProgress* progress) { m_progress = progress; }

private:
    void newTrack();
    void openCommand();
    bool saveTrack();
    bool openTrackFile(const QString& path);
    void mixFromFile();
    void runTrackCommand(const QString& command);
    void startRecording();
    void stopDevices();
    void followFile(const QString& path);
    // Asks before a changed track is dropped; false when the user cancelled or a save failed.
    bool confirmDropTrack();
    void writeBackEnclosure();
    void commitFields();
    bool recording() const;
    void beginWork(const QString& text);
    void endWork();
    void release();
    void chapterCommand(const QString& command);
    // Chapter marks travel beside the audio file as its chapters file.
    void saveChapterFile(const QString& audioPath);
    void loadChapterFile(const QString& audioPath);

    Session& m_session;
    TrackDevices& m_devices;
    std::unique_ptr<AudioEditor> m_editor;
    EpisodeDirectoryForm m_directory;
    WorkProgress* m_progress = nullptr;
    int m_index = -1;
    QString m_currentFile;
    QString m_loadedFile; // the file the track holds unchanged since it was opened or saved
    bool m_local = false;
    bool m_modified = false;
    bool m_discard = false;
    bool m_newTrack = true;
    bool m_recordingIntoNewTrack = false;
    bool m_pendingOpen = false;
    bool m_busy = false;
    int m_viewMode = 0;
};
