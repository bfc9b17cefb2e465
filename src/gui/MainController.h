#pragma once

#include <QObject>
#include "check/Finding.h"

#include <QPointer>
#include <QString>

#include <memory>

class AppShell;
class AudioSystem;
class EpisodeEditor;
class EpisodePlayback;
class FileStreams;
class FeedDownload;
class MainWindow;
class PanelRecorder;
class PreviewWindow;
class Session;
class TrackDevices;

// Connects the main window to the session: runs each command by name, opens the dialogs, and
// takes the window through the exit path.
class MainController : public QObject {
    Q_OBJECT
public:
    MainController(AppShell& shell, Session& session, MainWindow& window);
    ~MainController() override;

    void run(const QString& command);
    // The sound system that Episode > Play and the episode editor's devices and recorder panel
    // use; without it they do nothing.
    void setAudio(AudioSystem& audio);

private:
    void editEpisode(int position);
    void downloadFeed();
    void editOptions();
    void showPreview();
    void publish();
    void editPicture();
    void checkFeed();
    // Selects the episode and field a finding of the feed check is about.
    void goToFinding(const Finding& finding);
    void openHelp(const QString& page);
    bool closeRequested();

    AppShell& m_shell;
    Session& m_session;
    MainWindow& m_window;
    bool m_closeAfterBusy = false;
    std::unique_ptr<FeedDownload> m_download; // owns the HTTP client
    QPointer<PreviewWindow> m_preview;        // owned by the main window
    std::unique_ptr<TrackDevices> m_trackDevices; // the episode editor's play and record
    QPointer<EpisodeEditor> m_episodeEditor;       // open while it shows, owned by the main window
    std::unique_ptr<FileStreams> m_streams;
    std::unique_ptr<EpisodePlayback> m_playback;
    std::unique_ptr<PanelRecorder> m_panelRecorder; // the recorder panel's, one per process
    AudioSystem* m_audio = nullptr;
};
