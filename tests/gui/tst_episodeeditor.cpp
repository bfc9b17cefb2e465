// The "Edit episode" window opened from the main window's list, driven through its widgets, menus
// and toolbar, with real media files made by ffmpeg and the dialogs answered by scripted prompts.
// With VELMORA_SHOTS set to a folder (and an X display), the window is also photographed there.

#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/EpisodeCommandTable.h"
#include "app/EpisodeForm.h"
#include "app/Session.h"
#include "audio/AudioEditor.h"
#include "gui/AudioSettingsDialog.h"
#include "gui/AudioTrackView.h"
#include "gui/EpisodeEditor.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/RecorderPanel.h"
#include "gui/TrackInfoDialog.h"
#include "support/FakeAudioSystem.h"
#include "support/FakePrompts.h"
#include "support/ModalDialog.h"
#include "support/TestUtil.h"

#include <cmath>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

namespace {

// A tone of `seconds` made by ffmpeg; empty when ffmpeg cannot run.
QString makeAudio(const QString& path, double seconds)
{
    QProcess p;
    p.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                       QString("sine=frequency=330:sample_rate=44100:duration=%1").arg(seconds), "-ac", "2", path});
    return p.waitForFinished(60000) && p.exitCode() == 0 ? path : QString();
}

// The program as main() wires it over a temporary home folder, with one podcast of two episodes.
struct Program {
    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<AppShell> shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ChannelImageAdapter> image;
    std::unique_ptr<Session> session;
    MainController* controller = nullptr; // owned by the window
    QString feed;

    QString path(const QString& name) const { return dir.filePath(name); }

    void start()
    {
        feed = path("show.rss");
        testutil::writeFile(feed, "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\"><channel><title>Show</title>"
                                  "<link>http://example.com/</link><description>d</description>"
                                  "<item><title>Pilot</title><guid>g1</guid><pubDate>Tue, 03 Dec 2024 21:57:19 GMT"
                                  "</pubDate></item><item><title>Second</title><guid>g2</guid></item>"
                                  "</channel></rss>");
        shell = std::make_unique<AppShell>(HomeFolder(dir.path()), prompts);
        shell->installResources();
        shell->loadSettings(QSize(1920 * 15, 1080 * 15));
        window = std::make_unique<MainWindow>();
        shell->loadProjectList();
        image = std::make_unique<ChannelImageAdapter>(prompts);
        session = std::make_unique<Session>(*shell, *image);
        session->setView(window.get());
        controller = new MainController(*shell, *session, *window);
        session->startUp();
        window->show();
        prompts.queueFile(feed);
        window->action("m_open")->trigger();
    }

    // Double-clicks an episode row as a user does and returns the window that opened.
    EpisodeEditor* edit(int row)
    {
        auto* list = window->findChild<QTreeView*>("lw3");
        const QRect r = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        auto* editor = window->findChild<EpisodeEditor*>();
        if (editor)
            (void)QTest::qWaitForWindowExposed(editor);
        return editor;
    }
    Episode& episode(int i) { return session->document().episodes[i]; }
};

template <typename T>
T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no widget %s", name);
    return c;
}

void photograph(const QString& name)
{
    const QString folder = qEnvironmentVariable("VELMORA_SHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(300);
    QProcess::execute("import", {"-window", "root", QDir(folder).filePath(name)});
}

} // namespace

class TestEpisodeEditor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void windowShowsTheMenusToolbarAndFields()
    {
        Program p;
        p.start();
        EpisodeEditor* e = p.edit(0);
        QVERIFY(e);
        QCOMPARE(e->windowTitle(), QString("Edit episode"));
        QVERIFY(e->isModal());
        QStringList menus;
        for (QAction* a : e->menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"File", "View", "Edit", "Effects", "Tools", "Help"}));
        QCOMPARE(e->action("m_save_exit")->text(), QString("Save && Close"));
        QCOMPARE(e->action("m_silence_insert")->text(), QString("Insert 'Silence'"));
        const QList<QAction*> buttons = e->toolBar()->actions();
        QCOMPARE(buttons.size(), 16);
        QCOMPARE(buttons.at(1)->toolTip(), QString("Open audio file"));
        QCOMPARE(buttons.at(14)->toolTip(), QString("Settings"));
        QCOMPARE(child<QLineEdit>(e, "title")->text(), QString("Pilot"));
        QCOMPARE(child<QDateTimeEdit>(e, "pubDate")->date(), QDate(2024, 12, 3));
        QCOMPARE(child<QDateTimeEdit>(e, "pubTime")->time(), QTime(21, 57, 19));
        // An episode read from a feed has no local file: the track editor is hidden, its menus off.
        QVERIFY(!child<QCheckBox>(e, "localFile")->isChecked());
        QVERIFY(!e->trackView()->isVisible());
        QVERIFY(!e->menuBar()->actions().at(3)->isEnabled());
        QVERIFY(e->menuBar()->actions().at(0)->isEnabled());
        QVERIFY(!e->action("m_save")->isEnabled());

        // File > Close drops the edit; the main window's list is usable again.
        child<QLineEdit>(e, "title")->setText("Changed");
        e->action("m_close")->trigger();
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());
        QCOMPARE(p.episode(0).title, QString("Pilot"));
    }

    // The program's sound system reaches the editor: its recorder panel, "Audio settings" and
    // Start recording into the track.
    void theEditorRecordsAndShowsSettingsOnTheSoundSystem()
    {
        FakeAudioSystem audio; // outlives the program below
        audio.devices = {{"mic", "Microphone", 2, true}};
        audio.input = std::make_shared<ScriptedInput::Script>();
        Program p;
        p.start();
        p.controller->setAudio(audio);
        EpisodeEditor* e = p.edit(1);
        QVERIFY(e);
        auto* panel = e->findChild<RecorderPanel*>();
        QVERIFY(panel);
        for (const char* name : {"Record", "Play", "Stop"})
            QCOMPARE(child<QPushButton>(panel, name)->text(), QString(name));
        QVERIFY(child<QSlider>(panel, "Volume"));

        child<QCheckBox>(e, "localFile")->click();
        QTRY_VERIFY(e->trackView()->isVisible());
        QString shown;
        testutil::onModalDialog<AudioSettingsDialog>([&](AudioSettingsDialog& d) {
            shown = d.windowTitle();
            d.reject();
        });
        e->run("m_preferences");
        QCOMPARE(shown, QString("Audio settings"));

        // Half a second of a 440 Hz tone rising from silence, as a voice would come in.
        std::vector<float> take(2 * 22050);
        for (size_t i = 0; i < take.size(); ++i)
            take[i] = float(std::sin(2 * M_PI * 440 * double(i / 2) / 44100) * 0.8 * double(i) / take.size());
        audio.input->pending = take;
        e->run("m_start_rec");
        QCOMPARE(e->form().fields.file, QString(" "));
        QTRY_COMPARE(e->form().editor().frames(), qint64(22050));
        photograph("episode-editor-recording.png");
        e->run("m_stop");
        QVERIFY(e->form().trackModified());
        QVERIFY(p.prompts.messages.isEmpty());
        p.prompts.queueAnswer(MessageAnswer::No);
        e->action("m_close")->trigger();
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());
    }

    void chooseAttachesAFileThatTheSavedFeedAnnounces()
    {
        Program p;
        p.start();
        const QString mp3 = makeAudio(p.path("pilot.mp3"), 2);
        if (mp3.isEmpty())
            QSKIP("ffmpeg could not make an MP3 file");
        EpisodeEditor* e = p.edit(0);
        QVERIFY(e);
        p.prompts.queueFile(mp3);
        QTest::mouseClick(child<QPushButton>(e, "choose"), Qt::LeftButton);
        const QString length = QString::number(QFileInfo(mp3).size());
        QCOMPARE(child<QLineEdit>(e, "url")->text(), QString("pilot.mp3"));
        QCOMPARE(child<QLineEdit>(e, "length")->text(), length);
        QCOMPARE(child<QComboBox>(e, "type")->currentText(), QString("audio/mpeg"));
        QCOMPARE(child<QComboBox>(e, "type")->currentIndex(), 2);
        QTest::mouseClick(child<QPushButton>(e, "ok"), Qt::LeftButton);
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());

        p.window->action("m_save")->trigger();
        const QByteArray written = testutil::readFile(p.feed);
        QVERIFY2(written.contains("<enclosure url=\"pilot.mp3\" length=\"" + length.toUtf8() + "\" type=\"audio/mpeg\""),
                 written.constData());
        QCOMPARE(p.session->currentEntry()->enclosures.at(0).localFile, mp3);
        QVERIFY(p.prompts.unexpected.isEmpty());
    }

    void localTrackIsEditedSavedAsMp3AndClosed()
    {
        Program p;
        p.start();
        const QString shotAudio = qEnvironmentVariable("VELMORA_SHOT_AUDIO");
        const QString wav = shotAudio.isEmpty() ? makeAudio(p.path("take.wav"), 20) : shotAudio;
        if (wav.isEmpty())
            QSKIP("ffmpeg could not make a WAV file");
        EpisodeEditor* e = p.edit(1);
        QVERIFY(e);
        e->resize(1000, 760);
        child<QCheckBox>(e, "localFile")->click();
        QTRY_VERIFY(e->trackView()->isVisible());
        QVERIFY(!e->action("m_amp_plus")->isEnabled()); // no file yet
        QVERIFY(e->action("m_open")->isEnabled());

        p.prompts.queueFile(wav);
        e->toolBar()->actions().at(1)->trigger();
        AudioEditor& track = e->form().editor();
        QVERIFY(track.frames() > 44100 * 19);
        QCOMPARE(child<QLineEdit>(e, "file")->text(), wav);
        QVERIFY(e->action("m_amp_plus")->isEnabled());

        AudioTrackView* view = e->trackView();
        const int y = view->lanesRect().center().y();
        const int x1 = view->lanesRect().left() + view->lanesRect().width() / 4;
        const int x2 = view->lanesRect().left() + view->lanesRect().width() / 2;
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(x1, y));
        QTest::mouseMove(view, QPoint(x2, y));
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(x2, y));
        QVERIFY(track.selectionLength() > 0);
        QCOMPARE(track.selectionStart(), view->frameAt(x1));
        photograph("episode-editor.png");
        e->action("m_spectral")->trigger();
        QCOMPARE(view->viewMode(), int(AudioTrackView::Spectral));
        QVERIFY(e->action("m_spectral")->isChecked() && !e->action("m_waveform")->isChecked());
        photograph("episode-editor-spectral.png");
        e->action("m_waveform")->trigger();

        const float peakBefore = track.samples().peak(track.selectionStart(), track.selectionLength());
        e->action("m_fade_minus")->trigger();
        QVERIFY(e->form().trackModified());
        QVERIFY(track.samples().peak(track.selectionStart() + track.selectionLength() - 100, 100) < 0.05f * peakBefore);
        e->action("m_undo")->trigger();
        QCOMPARE(track.samples().peak(track.selectionStart(), track.selectionLength()), peakBefore);

        testutil::onModalDialog<TrackInfoDialog>([](TrackInfoDialog& d) {
            child<QLineEdit>(&d, "title")->setText("Second take");
            d.accept();
        });
        e->action("m_edit_tags")->trigger();
        QCOMPARE(track.tags().title, QString("Second take"));

        p.prompts.queueFile(p.path("second"), 0);
        e->toolBar()->actions().at(2)->trigger();
        const QString mp3 = p.path("second.mp3");
        QVERIFY(QFileInfo(mp3).size() > 1000);
        QCOMPARE(p.prompts.fileDialogs.last().title, QString("Save audio"));
        QCOMPARE(child<QLineEdit>(e, "file")->text(), mp3);
        QCOMPARE(child<QLineEdit>(e, "url")->text(), QString("second.mp3"));
        QVERIFY(!e->form().trackModified());

        // Cancel commits: the saved file is the episode's enclosure, with no question asked.
        QTest::mouseClick(child<QPushButton>(e, "cancel"), Qt::LeftButton);
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());
        QCOMPARE(p.episode(1).enclosureUrl, QString("second.mp3"));
        QCOMPARE(p.episode(1).enclosureType, QString("audio/mpeg"));
        QVERIFY(p.session->currentEntry()->enclosures.at(1).isLocal);
        QVERIFY(p.prompts.messages.isEmpty());
    }

    void closingAChangedTrackAsksAndCancelKeepsTheWindow()
    {
        Program p;
        p.start();
        const QString wav = makeAudio(p.path("take.wav"), 2);
        if (wav.isEmpty())
            QSKIP("ffmpeg could not make a WAV file");
        EpisodeEditor* e = p.edit(0);
        QVERIFY(e);
        child<QCheckBox>(e, "localFile")->click();
        p.prompts.queueFile(wav);
        e->action("m_open")->trigger();
        e->action("m_invert")->trigger();
        child<QLineEdit>(e, "title")->setText("Edited");
        p.prompts.queueAnswer(MessageAnswer::Cancel);
        e->close();
        QVERIFY(e->isVisible());
        QCOMPARE(p.prompts.messageTexts(), QStringList{EpisodeForm::saveTrackQuestion()});
        QCOMPARE(child<QLineEdit>(e, "title")->text(), QString("Edited"));
        p.prompts.queueAnswer(MessageAnswer::No);
        e->close();
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());
        QCOMPARE(p.episode(0).title, QString("Edited"));
        QCOMPARE(p.episode(0).enclosureUrl, QString("take.wav"));
    }
};

QTEST_MAIN(TestEpisodeEditor)
#include "tst_episodeeditor.moc"
