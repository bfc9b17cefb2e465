#include "SessionHarness.h"

#include "app/EpisodePlayback.h"
#include "app/RecorderPanelLogic.h"
#include "app/RecordingDefaults.h"
#include "audio/AudioEditor.h"
#include "audio/FileStreams.h"
#include "audio/PanelRecorder.h"
#include "audio/QtAudioSystem.h"
#include "audio/RecordingDevice.h"
#include "audio/TrackPlayer.h"
#include "audio/TrackRecorder.h"

#include <QElapsedTimer>
#include <QtTest>

// Without a sound server (this test points the process at a socket where none listens), start-up
// reports the sound system once and every device command afterwards fails quietly and at once.
class TestNoSound : public QObject {
    Q_OBJECT
private slots:
    void everyDeviceCommandFailsQuietly()
    {
        QElapsedTimer clock;
        clock.start();
        SessionHarness h;
        const QString feed = h.writeFeed("a.rss", "Alpha", 1);
        testutil::writeFile(h.path("project.ini"), "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8()
                                                       + "\r\nTotalEnclosures=1\r\n[Project_0_E_0]\r\n1=" + feed.toUtf8()
                                                       + "\r\n");
        h.start();
        QtAudioSystem audio;
        QVERIFY(!h.shell->startAudio(audio));
        QCOMPARE(h.prompts.messages.size(), 1);
        QVERIFY(h.prompts.messages.first().text.startsWith("Can't initialize digital sound system"));

        AudioEditor editor;
        editor.NewTrack(44100, 2);
        const std::vector<float> second(44100 * 2, 0.25f);
        editor.insertSamples(0, second.data(), 44100);
        TrackPlayer player(audio, editor);
        QVERIFY(!player.Play());
        RecordingDevice device(audio);
        QVERIFY(device.deviceNames().isEmpty());
        TrackRecorder recorder(audio, editor, device);
        QVERIFY(!recorder.Record());
        QCOMPARE(editor.frames(), 44100);
        QCOMPARE(editor.undoCount(), 1);

        FileStreams streams(audio);
        EpisodePlayback playback(*h.session, streams);
        h.view.selectEpisodeRow(1);
        playback.play();
        playback.stop();
        QCOMPARE(streams.activeCount(), 0);

        PanelRecorder panel(audio, streams, h.dir.path());
        RecorderPanelLogic logic(panel, audio, h.shell->settings(), h.prompts);
        QVERIFY(!logic.record());
        QVERIFY(!logic.play());
        logic.stop();

        recordingdefaults::takeFromSystem(h.shell->settings(), audio);
        QCOMPARE(h.shell->settings().recDevice, -1);
        QCOMPARE(h.prompts.messages.size(), 1);
        QVERIFY2(clock.elapsed() < 10000, "a device command waited for the missing server");
    }
};

QTEST_GUILESS_MAIN(TestNoSound)
#include "tst_nosound.moc"
