#include "SignalUtil.h"
#include "audio/AudioEditor.h"
#include "audio/FileStreams.h"
#include "audio/PanelRecorder.h"
#include "audio/QtAudioSystem.h"
#include "audio/RecordingDevice.h"
#include "audio/TrackPlayer.h"
#include "audio/TrackRecorder.h"
#include "support/PulseServer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Play-back and recording on a real sound server: the fixture's null sink is the output, and its
// monitor, seen as a recording device, hears what plays.
class TestAudioDevices : public QObject {
    Q_OBJECT

    testutil::PulseServer m_pulse;
    std::unique_ptr<QtAudioSystem> m_audio;

    static constexpr int kRate = 44100;

    // Plays a tone on the output for as long as it lives.
    struct Tone {
        AudioEditor editor;
        TrackPlayer player;
        Tone(AudioSystem& audio, double hz, double seconds) : player(audio, editor)
        {
            signal::load(editor, kRate, 2, signal::sine(kRate, 2, seconds, hz, 0.5));
        }
    };

    static QString probe(const QString& file, const QString& entries)
    {
        QProcess p;
        p.start("ffprobe", {"-v", "error", "-show_entries", entries, "-of", "default=nw=1:nk=1", file});
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

private slots:
    void initTestCase()
    {
        VELMORA_START_PULSE(m_pulse);
        m_audio = std::make_unique<QtAudioSystem>();
        QVERIFY(m_audio->init(AudioSystem::kDefaultDevice, kRate));
    }

    void playbackRunsToTheEnd_data()
    {
        QTest::addColumn<qint64>("cursor");
        QTest::addColumn<qint64>("selStart");
        QTest::addColumn<qint64>("selLength");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::newRow("from the cursor") << qint64(kRate / 2) << qint64(0) << qint64(0) << qint64(kRate / 2) << qint64(kRate);
        QTest::newRow("the selection") << qint64(0) << qint64(kRate / 4) << qint64(kRate / 2) << qint64(kRate / 4)
                                       << qint64(3 * kRate / 4);
        QTest::newRow("the cursor at the end plays it all") << qint64(kRate) << qint64(0) << qint64(0) << qint64(0)
                                                            << qint64(kRate);
    }

    void playbackRunsToTheEnd()
    {
        QFETCH(qint64, cursor);
        QFETCH(qint64, selStart);
        QFETCH(qint64, selLength);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        AudioEditor editor;
        signal::load(editor, kRate, 2, signal::sine(kRate, 2, 1.0, 440, 0.5));
        editor.setCursor(cursor);
        if (selLength > 0)
            editor.setSelection(selStart, selLength);
        TrackPlayer player(*m_audio, editor);
        QList<qint64> positions;
        int loudest = 0;
        connect(&editor, &AudioEditor::position, this, [&](int frame) { positions << frame; });
        connect(&editor, &AudioEditor::levelStereo, this, [&](int l, int r) { loudest = std::max({loudest, l, r}); });
        QSignalSpy stopped(&player, &TrackPlayer::stopped);
        QVERIFY(player.Play());
        QVERIFY(stopped.wait(double(to - from) / kRate * 1000 + 3000));
        QVERIFY(!player.isPlaying());
        // The position moved on through the range and reached its end; then it went back to the
        // cursor, which playing did not move.
        QVERIFY2(positions.size() >= 5, qPrintable(QString::number(positions.size())));
        QCOMPARE(positions.last(), editor.cursor());
        positions.removeLast();
        QCOMPARE(positions.last(), to);
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
        QVERIFY(positions.first() >= from && positions.first() < from + kRate / 4);
        QVERIFY(std::adjacent_find(positions.begin(), positions.end(), std::not_equal_to<>()) != positions.end());
        QVERIFY(loudest >= 40 && loudest <= 51);
    }

    void pauseHoldsThePosition()
    {
        AudioEditor editor;
        signal::load(editor, kRate, 2, signal::sine(kRate, 2, 1.0, 440, 0.5));
        TrackPlayer player(*m_audio, editor);
        QVERIFY(player.Play());
        QTest::qWait(300);
        player.Pause();
        QTest::qWait(100);
        const qint64 held = player.position();
        QTest::qWait(400);
        QCOMPARE(player.position(), held);
        QVERIFY(held > 0 && held < kRate);
        QSignalSpy stopped(&player, &TrackPlayer::stopped);
        QVERIFY(player.Play());
        QVERIFY(stopped.wait(4000));
    }

    void recordingATone()
    {
        Tone tone(*m_audio, 1000, 6.0);
        QVERIFY(tone.player.Play());
        QTest::qWait(400);

        AudioEditor editor;
        editor.NewTrack(kRate, 2);
        RecordingDevice device(*m_audio);
        QCOMPARE(device.deviceNames().value(m_audio->defaultInputDevice()), QString("Velmora-Test-Input"));
        TrackRecorder recorder(*m_audio, editor, device);
        QList<qint64> growth;
        connect(&editor, &AudioEditor::trackChanged, this, [&] { growth << editor.frames(); });
        QVERIFY(recorder.Record());
        QTest::qWait(3000);
        QVERIFY(recorder.Stop().ok());
        tone.player.Stop();

        const double seconds = editor.seconds();
        QVERIFY2(std::abs(seconds - 3.0) <= 0.2, qPrintable(QString::number(seconds)));
        QCOMPARE(editor.undoCount(), 1);
        // The waveform grew while it recorded.
        QVERIFY(growth.size() >= 10);
        QVERIFY(std::is_sorted(growth.begin(), growth.end()));
        const std::vector<float> recorded = signal::all(editor);
        const qint64 middle = editor.frames() / 2;
        QCOMPARE(signal::dominantFrequency(recorded, 2, kRate, middle, 8192), 1000.0);
        QVERIFY(signal::rms(recorded, 2, 1, middle, 8192) > 0.2);
        QCOMPARE(recorder.droppedMs(), qint64(0));
    }

    void aDeviceThatGoesAwayKeepsTheRecording()
    {
        Tone tone(*m_audio, 500, 4.0);
        QVERIFY(tone.player.Play());
        AudioEditor editor;
        editor.NewTrack(kRate, 2);
        RecordingDevice device(*m_audio);
        TrackRecorder recorder(*m_audio, editor, device);
        QSignalSpy ended(&recorder, &TrackRecorder::ended);
        QVERIFY(recorder.Record());
        QTest::qWait(1200);
        QVERIFY(m_pulse.removeSource());
        QVERIFY(ended.wait(3000));
        tone.player.Stop();
        QVERIFY(recorder.deviceLost());
        QVERIFY(!recorder.isRecording());
        QVERIFY2(editor.seconds() >= 0.8, qPrintable(QString::number(editor.seconds())));
        QCOMPARE(editor.undoCount(), 1);
        QVERIFY(m_pulse.addSource());
        QTRY_COMPARE_WITH_TIMEOUT(m_audio->defaultInputDevice() >= 0, true, 5000);
    }

    void panelRecorderWritesAnMp3_data()
    {
        QTest::addColumn<bool>("stereo");
        QTest::addColumn<QString>("channels");
        QTest::newRow("stereo") << true << "2";
        QTest::newRow("mono") << false << "1";
    }

    void panelRecorderWritesAnMp3()
    {
        QFETCH(bool, stereo);
        QFETCH(QString, channels);
        QTemporaryDir home;
        Tone tone(*m_audio, 700, 4.0);
        QVERIFY(tone.player.Play());
        FileStreams streams(*m_audio);
        PanelRecorder recorder(*m_audio, streams, home.path());
        QSignalSpy encoded(&recorder, &PanelRecorder::encoded);
        PanelRecorder::Options options;
        options.stereo = stereo;
        QCOMPARE(recorder.Record(options), PanelRecorder::Start::Recording);
        QTest::qWait(1500);
        recorder.Stop();
        QVERIFY(encoded.wait(10000));
        QCOMPARE(encoded.first().first().toBool(), true);
        tone.player.Stop();
        const QString mp3 = home.filePath("Temp/currenttrack.mp3");
        QCOMPARE(probe(mp3, "stream=codec_name"), QString("mp3"));
        QCOMPARE(probe(mp3, "stream=channels"), channels);
        const double duration = probe(mp3, "format=duration").toDouble();
        QVERIFY2(duration > 1.2 && duration < 1.9, qPrintable(QString::number(duration)));
        // Play plays the recording just made.
        QVERIFY(recorder.Play());
        QCOMPARE(streams.activeCount(), 1);
        recorder.Stop();
        QCOMPARE(streams.activeCount(), 0);
    }

    void panelRecorderWithoutTheEncoder()
    {
        QTemporaryDir home, emptyPath;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", emptyPath.path().toLocal8Bit());
        FileStreams streams(*m_audio);
        PanelRecorder recorder(*m_audio, streams, home.path());
        const PanelRecorder::Start result = recorder.Record({});
        qputenv("PATH", path);
        QCOMPARE(result, PanelRecorder::Start::EncoderMissing);
        QVERIFY(!recorder.isRecording());
        QVERIFY(!QFile::exists(home.filePath("Temp/currenttrack.mp3")));
    }
};

QTEST_GUILESS_MAIN(TestAudioDevices)
#include "tst_audiodevices.moc"
