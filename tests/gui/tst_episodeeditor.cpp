// The "Edit episode" window opened from the main window's list, driven through its widgets, menus
// and toolbar, with real media files made by ffmpeg and the dialogs answered by scripted prompts.
// With VELMORA_SHOTS set to a folder (and an X display), the window is also photographed there.

#include "../audio/SignalUtil.h"
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
#include "support/ModalDialog.h"
#include "support/TestProgram.h"
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
#include <QToolBar>
#include <QtTest>

namespace {

// A stereo tone of `seconds` made by ffmpeg; empty when ffmpeg cannot run.
QString makeAudio(const QString& path, double seconds, int hz = 330, int rate = 44100)
{
    QProcess p;
    p.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                       QString("sine=frequency=%1:sample_rate=%2:duration=%3").arg(hz).arg(rate).arg(seconds), "-ac",
                       "2", path});
    return p.waitForFinished(120000) && p.exitCode() == 0 ? path : QString();
}

// The program over a temporary home folder, with one podcast of two episodes open.
struct Program : testutil::TestProgram {
    QString feed;

    bool start()
    {
        feed = path("show.rss");
        testutil::writeFile(feed, "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\"><channel><title>Show</title>"
                                  "<link>http://example.com/</link><description>d</description>"
                                  "<item><title>Pilot</title><guid>g1</guid><pubDate>Tue, 03 Dec 2024 21:57:19 GMT"
                                  "</pubDate></item><item><title>Second</title><guid>g2</guid></item>"
                                  "</channel></rss>");
        if (!TestProgram::start())
            return false;
        prompts.queueFile(feed);
        window->action("m_open")->trigger();
        return session->document().episodes.size() == 2;
    }

    // Double-clicks an episode row as a user does and returns the window that opened.
    EpisodeEditor* edit(int row)
    {
        doubleClickEpisode(row);
        auto* editor = window->findChild<EpisodeEditor*>();
        if (editor)
            (void)QTest::qWaitForWindowExposed(editor);
        return editor;
    }
    Episode& episode(int i) { return session->document().episodes[i]; }
    // Turns "Local file" on and opens `file` with the toolbar's Open button.
    AudioEditor& openLocal(EpisodeEditor* e, const QString& file)
    {
        e->findChild<QCheckBox*>("localFile")->click();
        prompts.queueFile(file);
        e->toolBar()->actions().at(1)->trigger();
        return e->form().editor();
    }
};

// Presses the mouse at one x of the track view's lanes and releases it at another.
void dragAcross(AudioTrackView* view, int x1, int x2)
{
    const int y = view->lanesRect().center().y();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(x1, y));
    QTest::mouseMove(view, QPoint(x2, y));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(x2, y));
}

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
        QVERIFY(p.start());
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
        QVERIFY(p.start());
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
        QVERIFY(p.start());
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
        QVERIFY(p.start());
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
        const int x1 = view->lanesRect().left() + view->lanesRect().width() / 4;
        dragAcross(view, x1, view->lanesRect().left() + view->lanesRect().width() / 2);
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

    // Mix from file adds the file's audio at the cursor and keeps the length; a file that is no
    // audio says why and leaves the track as it was, unmodified.
    void mixFromFileAddsTheFileAtTheCursor()
    {
        Program p;
        QVERIFY(p.start());
        const QString wav = makeAudio(p.path("take.wav"), 2);
        const QString beep = makeAudio(p.path("beep.wav"), 0.5, 1000);
        if (wav.isEmpty() || beep.isEmpty())
            QSKIP("ffmpeg could not make WAV files");
        testutil::writeFile(p.path("notes.wav"), "not a sound");
        EpisodeEditor* e = p.edit(0);
        QVERIFY(e);
        AudioEditor& track = p.openLocal(e, wav);
        AudioTrackView* view = e->trackView();
        const int x = view->lanesRect().center().x();
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(x, view->lanesRect().center().y()));
        const qint64 at = track.cursor();
        QCOMPARE(at, view->frameAt(x));
        const std::vector<float> before = signal::all(track);

        p.prompts.queueFile(p.path("notes.wav"));
        e->action("m_mix_file")->trigger();
        QCOMPARE(p.prompts.messages.size(), 1);
        QVERIFY2(p.prompts.messages.last().text.contains("could not be mixed in"),
                 qPrintable(p.prompts.messages.last().text));
        QVERIFY(!e->form().trackModified());
        QCOMPARE(signal::all(track), before);

        p.prompts.queueFile(beep);
        e->action("m_mix_file")->trigger();
        QCOMPARE(p.prompts.fileDialogs.last().title, QString("Open audio file"));
        QVERIFY(e->form().trackModified());
        const std::vector<float> after = signal::all(track);
        QCOMPARE(after.size(), before.size());
        // What was added is the beep, from the cursor on, and nothing before it.
        std::vector<float> added(after.size());
        for (size_t i = 0; i < after.size(); ++i)
            added[i] = after[i] - before[i];
        QCOMPARE(signal::peak({added.begin(), added.begin() + 2 * at}), 0.0);
        QCOMPARE(signal::dominantFrequency(added, 2, 44100, at, 11025), 1000.0);
        QVERIFY(signal::peak({added.begin() + 2 * (at + 22050), added.end()}) < 1e-6);
        e->action("m_undo")->trigger();
        QCOMPARE(signal::all(track), before);
    }

    // Save && Close on a changed track asks first; Yes saves it, the enclosure follows the saved
    // file and the typed title is kept.
    void saveAndCloseSavesTheTrackAndCommitsTheFields()
    {
        Program p;
        QVERIFY(p.start());
        const QString wav = makeAudio(p.path("take.wav"), 2);
        if (wav.isEmpty())
            QSKIP("ffmpeg could not make a WAV file");
        EpisodeEditor* e = p.edit(0);
        QVERIFY(e);
        p.openLocal(e, wav);
        e->action("m_invert")->trigger();
        child<QLineEdit>(e, "title")->setText("Final cut");
        const QString mp3 = p.path("final.mp3");
        p.prompts.queueAnswer(MessageAnswer::Yes);
        p.prompts.queueFile(mp3);
        e->action("m_save_exit")->trigger();
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());
        QCOMPARE(p.prompts.messageTexts(), QStringList{EpisodeForm::saveTrackQuestion()});
        QVERIFY(QFileInfo(mp3).size() > 1000);
        QCOMPARE(p.episode(0).title, QString("Final cut"));
        QCOMPARE(p.episode(0).enclosureUrl, QString("final.mp3"));
        QCOMPARE(p.episode(0).enclosureLength, QString::number(QFileInfo(mp3).size()));
        QCOMPARE(p.session->currentEntry()->enclosures.at(0).localFile, mp3);
        QVERIFY(p.session->currentEntry()->enclosures.at(0).isLocal);
    }

    // A one-hour stereo file (at 8 kHz, so that it is made and encoded quickly) through the
    // window: open, select with the mouse, an effect, undo, save as MP3, close.
    void anHourLongTrackIsEditedAndSaved()
    {
        Program p;
        QVERIFY(p.start());
        const QString wav = makeAudio(p.path("hour.wav"), 3600, 330, 8000);
        if (wav.isEmpty())
            QSKIP("ffmpeg could not make a WAV file");
        EpisodeEditor* e = p.edit(1);
        QVERIFY(e);
        AudioEditor& track = p.openLocal(e, wav);
        QCOMPARE(track.frames(), qint64(3600) * 8000);
        QCOMPARE(track.channels(), 2);
        AudioTrackView* view = e->trackView();
        const QRect lanes = view->lanesRect();
        const int x1 = lanes.left() + lanes.width() / 4;
        dragAcross(view, x1, lanes.left() + lanes.width() / 2);
        QCOMPARE(track.selectionStart(), view->frameAt(x1));
        QVERIFY(track.selectionLength() > 3600 * 8000 / 5);

        const qint64 start = track.selectionStart(), length = track.selectionLength();
        const float peakBefore = track.samples().peak(start, length);
        e->action("m_amp_minus")->trigger();
        QVERIFY(e->form().trackModified());
        QVERIFY(track.samples().peak(start, length) < 0.9f * peakBefore);
        QCOMPARE(track.samples().peak(0, start), peakBefore); // outside the selection: as it was
        e->action("m_undo")->trigger();
        QCOMPARE(track.samples().peak(start, length), peakBefore);

        const QString mp3 = p.path("hour.mp3");
        p.prompts.queueFile(mp3);
        e->action("m_save")->trigger();
        QVERIFY(!e->form().trackModified());
        QCOMPARE(child<QLineEdit>(e, "url")->text(), QString("hour.mp3"));
        AudioEditor saved;
        QVERIFY(saved.OpenTrack(mp3).ok());
        QVERIFY2(std::abs(saved.seconds() - 3600.0) < 1.0, qPrintable(QString::number(saved.seconds())));
        e->close();
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());
        QCOMPARE(p.episode(1).enclosureUrl, QString("hour.mp3"));
        QVERIFY(p.prompts.messages.isEmpty());
    }

    void closingAChangedTrackAsksAndCancelKeepsTheWindow()
    {
        Program p;
        QVERIFY(p.start());
        const QString wav = makeAudio(p.path("take.wav"), 2);
        if (wav.isEmpty())
            QSKIP("ffmpeg could not make a WAV file");
        EpisodeEditor* e = p.edit(0);
        QVERIFY(e);
        p.openLocal(e, wav);
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
