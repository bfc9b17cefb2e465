#include "gui/MainController.h"

#include "app/AppShell.h"
#include "app/EpisodePlayback.h"
#include "app/FeedDownload.h"
#include "app/PictureEditing.h"
#include "app/PodcastCheck.h"
#include "app/Session.h"
#include "app/SoundTrackDevices.h"
#include "app/TrackDevices.h"
#include "audio/PanelRecorder.h"
#include "audio/FileStreams.h"
#include "common/ProductInfo.h"
#include "common/Prompts.h"
#include "feed/CharsetTable.h"
#include "gui/AboutDialog.h"
#include "gui/AudioSettingsDialog.h"
#include "gui/DirectoriesTab.h"
#include "gui/CheckDialog.h"
#include "gui/DownloadDialog.h"
#include "gui/EpisodeEditor.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/PictureWindow.h"
#include "gui/PreviewWindow.h"
#include "gui/RecorderPanel.h"
#include "gui/UploadDialog.h"
#include "gui/WindowGeometry.h"

#include <QApplication>
#include <QTimer>
#include <QUrl>
#include <QWhatsThis>

MainController::MainController(AppShell& shell, Session& session, MainWindow& window)
    : QObject(&window), m_shell(shell), m_session(session), m_window(window),
      m_download(std::make_unique<FeedDownload>(session)),
      m_trackDevices(std::make_unique<NullTrackDevices>())
{
    QStringList encodings;
    for (const CharsetEntry& e : charsets::table())
        encodings << QString::fromLatin1(e.displayName);
    window.setEncodingLines(encodings);
    window.directoriesTab()->setPrompts(&session.prompts());

    window.onCommand = [this](const QString& command) { run(command); };
    window.onProjectSelected = [this] { m_session.projectSelectionChanged(); };
    window.onTitleEdited = [this](const QString& text) { m_session.titleEdited(text); };
    window.onEncodingChosen = [this](int index) { m_session.encodingChosen(index); };
    window.placeholderState = [this](bool& noPodcast, bool& hasImage) {
        noPodcast = m_session.noPodcast();
        hasImage = m_session.hasChannelImage();
    };
    window.onCloseRequested = [this] { return closeRequested(); };
    window.onUnload = [this] {
        window_geometry::storeMainWindow(m_window, m_shell.settings());
        m_shell.setUnattendedExit(m_window.unattended());
        if (m_preview)
            m_preview->close();
        m_window.hide();
        m_shell.unload();
    };
    session.openEpisodeEditor = [this](int position) { editEpisode(position); };
}

MainController::~MainController()
{
    // An open episode editor plays and records through the devices that go with this.
    delete m_episodeEditor;
}

bool MainController::closeRequested()
{
    // A feed being read or downloaded is finished first, so a half-read document is never saved.
    if (m_session.busy()) {
        if (!m_closeAfterBusy) {
            m_closeAfterBusy = true;
            auto* poll = new QTimer(this);
            connect(poll, &QTimer::timeout, this, [this, poll] {
                if (m_session.busy())
                    return;
                poll->deleteLater();
                m_window.close();
            });
            poll->start(100);
        }
        return false;
    }
    m_closeAfterBusy = false;
    return m_session.saveAtExit(m_window.unattended());
}

void MainController::run(const QString& c)
{
    if (c == QLatin1String("m_new"))
        m_session.newPodcast();
    else if (c == QLatin1String("m_open"))
        m_session.open();
    else if (c == QLatin1String("m_save"))
        m_session.save();
    else if (c == QLatin1String("m_save_as"))
        m_session.saveAs();
    else if (c == QLatin1String("m_remove"))
        m_session.remove();
    else if (c == QLatin1String("m_quit")) {
        m_session.prompts().processEvents();
        m_window.close();
    } else if (c == QLatin1String("m_item_new"))
        m_session.newEpisode();
    else if (c == QLatin1String("m_item_clone"))
        m_session.cloneEpisode();
    else if (c == QLatin1String("m_item_cut"))
        m_session.cutEpisode();
    else if (c == QLatin1String("m_item_copy"))
        m_session.copyEpisode();
    else if (c == QLatin1String("m_item_paste"))
        m_session.pasteEpisode();
    else if (c == QLatin1String("m_item_remove"))
        m_session.removeEpisode();
    else if (c == QLatin1String("m_item_up"))
        m_session.moveEpisodeUp();
    else if (c == QLatin1String("m_item_down"))
        m_session.moveEpisodeDown();
    else if (c == QLatin1String("search"))
        m_session.search();
    else if (c == QLatin1String("episode_edit")) {
        // Through the session's hook, the one way the episode editor opens.
        const int row = m_window.selectedEpisodeRow();
        if (row >= 1 && m_session.openEpisodeEditor)
            m_session.openEpisodeEditor(row - 1);
    } else if (c == QLatin1String("m_contents"))
        openHelp(QStringLiteral("index.htm"));
    else if (c == QLatin1String("m_what_this"))
        QWhatsThis::enterWhatsThisMode();
    else if (c == QLatin1String("m_video_tutorial"))
        m_session.prompts().openUrl(QLatin1String(product::kTutorialPage));
    else if (c == QLatin1String("m_homepage"))
        m_session.prompts().openUrl(QLatin1String(product::kHomepage));
    else if (c == QLatin1String("m_about")) {
        AboutDialog about(m_session.prompts(), &m_window);
        about.exec();
    } else if (c == QLatin1String("m_download"))
        downloadFeed();
    else if (c == QLatin1String("m_upload"))
        publish();
    else if (c == QLatin1String("m_preview"))
        showPreview();
    else if (c == QLatin1String("m_options"))
        editOptions();
    else if (c == QLatin1String("m_check"))
        checkFeed();
    else if (c == QLatin1String("m_image_edit"))
        editPicture();
    else if (c == QLatin1String("m_ep_play") && m_playback)
        m_playback->play();
    else if (c == QLatin1String("m_ep_stop") && m_playback)
        m_playback->stop();
}

void MainController::setAudio(AudioSystem& audio)
{
    m_playback.reset();
    m_panelRecorder.reset();
    m_audio = &audio;
    m_streams = std::make_unique<FileStreams>(audio);
    m_playback = std::make_unique<EpisodePlayback>(m_session, *m_streams);
    m_panelRecorder = std::make_unique<PanelRecorder>(audio, *m_streams, m_shell.home().path());

    auto devices = std::make_unique<SoundTrackDevices>(audio, m_shell.settings(), m_shell.prompts());
    devices->settingsDialog = [this](RecordingDevice& device, Settings& settings) {
        QWidget* owner = m_episodeEditor ? static_cast<QWidget*>(m_episodeEditor.data()) : &m_window;
        AudioSettingsDialog dialog(device, settings, m_shell.prompts(), owner);
        return dialog.exec() == QDialog::Accepted;
    };
    m_trackDevices = std::move(devices);
}

void MainController::editEpisode(int position)
{
    FeedDocument& doc = m_session.document();
    if (position < 0 || position >= doc.episodes.size())
        return;
    // Window-modal: the episode list cannot change under the editor.
    auto* editor = new EpisodeEditor(m_session, *m_trackDevices, &m_window);
    m_episodeEditor = editor;
    editor->setAttribute(Qt::WA_DeleteOnClose);
    if (m_panelRecorder) {
        editor->addPanel(new RecorderPanel(*m_panelRecorder, *m_audio, m_shell.settings(), m_shell.prompts()));
        // The panel's recording does not outlive the editor.
        connect(editor, &QObject::destroyed, m_panelRecorder.get(), [r = m_panelRecorder.get()] { r->Stop(); });
    }
    if (!editor->open(position)) {
        delete editor;
        return;
    }
    editor->show();
    editor->activateWindow();
}

void MainController::downloadFeed()
{
    if (m_session.busy())
        return;
    DownloadDialog dialog(&m_window);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // The dialog is hidden by now; the main window has the focus back during the download.
    m_window.activateWindow();
    if (accepted)
        m_download->accept(dialog.url());
}

void MainController::editOptions()
{
    OptionsDialog dialog(m_shell.settings(), m_session.prompts(), &m_window);
    dialog.onHelp = [this](const QString& page) { openHelp(page); };
    dialog.exec();
    m_window.activateWindow();
}

void MainController::showPreview()
{
    const HomeFolder& home = m_shell.home();
    if (!m_preview) {
        m_preview = new PreviewWindow(home.themesPath(), home.previewScratchPath(),
                                      m_session.document(), m_session.image(), m_shell.settings(),
                                      m_session.prompts(), &m_window);
        m_preview->setAttribute(Qt::WA_DeleteOnClose);
        m_preview->beforeRender = [this] { m_session.storeWindowFields(); };
        m_preview->onHelp = [this] { openHelp(QStringLiteral("index.htm")); };
    }
    if (!m_preview->open()) {
        // Without themes the program cannot go on; it ends as at any exit, saving the podcast.
        delete m_preview;
        m_window.close();
        return;
    }
    m_preview->show();
    m_preview->raise();
    m_preview->activateWindow();
}

void MainController::publish()
{
    // A feed being read is not published half-read.
    if (m_session.busy())
        return;
    UploadDialog dialog(m_session, &m_window);
    dialog.onFinding = [this](const Finding& f) { goToFinding(f); };
    dialog.exec();
}

void MainController::editPicture()
{
    if (m_session.busy() || m_session.noPodcast() || !PictureEditing::available(m_session))
        return;
    PictureEditing editing(m_session);
    PictureWindow window(editing, &m_window);
    window.onUpload = [this] { publish(); };
    window.onHelp = [this](const QString& page) { openHelp(page); };
    window.exec();
}

void MainController::checkFeed()
{
    if (m_session.busy())
        return;
    PodcastCheck check(m_session);
    const CheckResult result = check.checkOpenPodcast();
    // Beside the main window, so that the user can mend a field and look at the list again.
    auto* dialog = new CheckDialog(&m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->onActivated = [this](const Finding& f) { goToFinding(f); };
    dialog->setFindings(result.findings, QStringLiteral("The podcast as it would be saved now"));
    dialog->show();
}

void MainController::goToFinding(const Finding& finding)
{
    const CheckJump jump = PodcastCheck::jumpFor(finding);
    if (jump.episodeRow > 0 && jump.episodeRow <= m_session.document().episodes.size()) {
        m_window.selectEpisodeRow(jump.episodeRow);
        m_window.activateWindow();
        m_window.focusEpisodeList();
    } else if (!jump.channelField.isEmpty()) {
        m_window.focusChannelField(jump.channelField);
    }
}

void MainController::openHelp(const QString& page)
{
    const QString path = m_shell.home().filePath(QStringLiteral("manual/") + page);
    m_session.prompts().openUrl(QUrl::fromLocalFile(path).toString());
}
