#include "SessionHarness.h"

#include "app/EpisodePlayback.h"
#include "audio/FileStreams.h"
#include "audio/QtAudioSystem.h"
#include "support/PulseServer.h"

#include <QProcess>
#include <QtTest>

// Episode > Play and Stop on a real sound server.
class TestEpisodePlayback : public QObject {
    Q_OBJECT

    testutil::PulseServer m_pulse;
    std::unique_ptr<QtAudioSystem> m_audio;

private slots:
    void initTestCase()
    {
        VELMORA_START_PULSE(m_pulse);
        m_audio = std::make_unique<QtAudioSystem>();
        QVERIFY(m_audio->init(AudioSystem::kDefaultDevice, 44100));
    }

    void playTwiceThenStopStopsTheLatest()
    {
        SessionHarness h;
        const QString wav = h.path("one.wav");
        QCOMPARE(QProcess::execute("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1.5",
                                              "-ac", "2", wav}),
                 0);
        const QString feed = h.writeFeed("a.rss", "Alpha", 3);
        testutil::writeFile(h.path("project.ini"),
                            "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8()
                                + "\r\nTotalEnclosures=3\r\n[Project_0_E_0]\r\n1=" + wav.toUtf8()
                                + "\r\n[Project_0_E_1]\r\n1=\r\n[Project_0_E_2]\r\n1="
                                + h.path("gone.mp3").toUtf8() + "\r\n");
        h.start();
        FileStreams streams(*m_audio);
        EpisodePlayback playback(*h.session, streams);

        playback.stop(); // before any Play: nothing
        for (int row : {2, 3}) { // no local file; a file that is not there
            h.view.selectEpisodeRow(row);
            playback.play();
            QCOMPARE(playback.handle(), 0u);
        }
        QCOMPARE(streams.activeCount(), 0);

        h.view.selectEpisodeRow(1);
        playback.play();
        const quint32 first = playback.handle();
        QTest::qWait(300);
        playback.play();
        const quint32 second = playback.handle();
        QVERIFY(first != 0 && second != 0 && first != second);
        QCOMPARE(streams.activeCount(), 2);
        playback.stop();
        QVERIFY(!streams.ChannelIsActive(second));
        QVERIFY(streams.ChannelIsActive(first));
        // The first plays on to its end by itself.
        QTRY_COMPARE_WITH_TIMEOUT(streams.ChannelIsActive(first), false, 5000);
        QVERIFY(h.prompts.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEpisodePlayback)
#include "tst_episodeplayback.moc"
