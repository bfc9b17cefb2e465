// The episode editor's devices: its Play, Start recording and Stop on a private sound server, and
// what a user is told about a recording that overran or lost its device.

#include "../audio/SignalUtil.h"
#include "SessionHarness.h"

#include "app/EpisodeForm.h"
#include "app/SoundTrackDevices.h"
#include "audio/AudioEditor.h"
#include "audio/QtAudioSystem.h"
#include "audio/TrackPlayer.h"
#include "store/Settings.h"
#include "support/FakeAudioSystem.h"
#include "support/PulseServer.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(AudioTags)

namespace {

constexpr int kRate = 44100;

// One podcast with one episode and the editor form on it, its devices on `audio`.
struct Editor {
    SessionHarness h;
    std::unique_ptr<SoundTrackDevices> devices;
    std::unique_ptr<EpisodeForm> form;

    explicit Editor(AudioSystem& audio)
    {
        h.startWithLocalEpisode();
        Settings& s = settings();
        s.defTrack = "3";
        s.defTitle = "Pilot";
        s.defArtist = "Ann Lee";
        s.defAlbum = "Season 1";
        s.defYear = "2024";
        s.defComment = "Made at home";
        devices = std::make_unique<SoundTrackDevices>(audio, s, h.prompts);
        form = std::make_unique<EpisodeForm>(*h.session, *devices);
        form->load(0);
    }
    ~Editor()
    {
        form.reset(); // detaches from the devices
    }
    Settings& settings() { return h.shell->settings(); }
    // A 440 Hz WAV file in the home folder.
    QString writeTone(const QString& name, double seconds)
    {
        AudioEditor file;
        signal::load(file, kRate, 2, signal::sine(kRate, 2, seconds, 440, 0.5));
        return file.SaveTrack(h.path(name)).ok() ? h.path(name) : QString();
    }
    AudioEditor& track() { return form->editor(); }
};

AudioTags defaultTags(qint32 year)
{
    AudioTags t;
    t.album = "Season 1";
    t.trackNumber = 3;
    t.title = "Pilot";
    t.artist = "Ann Lee";
    t.comment = "Made at home";
    t.year = year;
    return t;
}

} // namespace

class TestTrackDevices : public QObject {
    Q_OBJECT

    testutil::PulseServer m_pulse;
    QString m_noServer; // why the sound server did not start, empty when it runs
    std::unique_ptr<QtAudioSystem> m_audio;

private slots:
    void initTestCase()
    {
        // Started before Qt Multimedia is touched; the cases on a fake system run either way.
        if (!m_pulse.start(&m_noServer) && m_noServer.isEmpty())
            m_noServer = "unknown";
        if (m_noServer.isEmpty()) {
            m_audio = std::make_unique<QtAudioSystem>();
            QVERIFY(m_audio->init(AudioSystem::kDefaultDevice, kRate));
        }
    }

    void recordingIntoTheTrack_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("defYear");
        QTest::addColumn<AudioTags>("tags");
        AudioTags own;
        own.title = "Own title";
        own.year = 1999;
        QTest::newRow("a new track takes the six default tags") << false << "2024" << defaultTags(2024);
        QTest::newRow("an opened track keeps its tags") << true << "2024" << own;
    }

    // A tone played into the sound server's output is recorded from its monitor for 3 s.
    void recordingIntoTheTrack()
    {
        if (!m_noServer.isEmpty())
            QSKIP(qPrintable("PulseAudio cannot start here: " + m_noServer));
        QFETCH(bool, opened);
        QFETCH(QString, defYear);
        QFETCH(AudioTags, tags);
        Editor e(*m_audio);
        e.settings().defYear = defYear;
        qint64 before = 0;
        if (opened) {
            e.h.prompts.queueFile(e.writeTone("opened.wav", 1.0));
            e.form->run("m_open");
            QCOMPARE(e.track().frames(), qint64(kRate));
            e.track().setTags(tags);
            e.track().setCursor(kRate);
            before = kRate;
        }

        AudioEditor tone;
        signal::load(tone, kRate, 2, signal::sine(kRate, 2, 5.0, 1000, 0.5));
        TrackPlayer player(*m_audio, tone);
        QVERIFY(player.Play());
        QTest::qWait(300);

        e.form->run("m_start_rec");
        QVERIFY(e.devices->isRecording());
        QCOMPARE(e.form->fields.file, QString(" "));
        QVERIFY(e.form->trackModified());
        QVERIFY(!e.devices->play()); // the track cannot be heard while it grows
        // The waveform grows while the recording runs.
        QList<qint64> lengths;
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(1000);
            lengths << e.track().frames();
        }
        QVERIFY2(lengths[0] > before && lengths[1] > lengths[0] && lengths[2] > lengths[1],
                 qPrintable(QString("%1 %2 %3").arg(lengths[0]).arg(lengths[1]).arg(lengths[2])));
        e.form->run("m_stop");
        player.Stop();

        QVERIFY(!e.devices->isRecording());
        const double seconds = double(e.track().frames() - before) / kRate;
        QVERIFY2(std::abs(seconds - 3.0) <= 0.2, qPrintable(QString::number(seconds)));
        const std::vector<float> recorded = signal::all(e.track());
        QCOMPARE(signal::dominantFrequency(recorded, 2, kRate, before + kRate, kRate / 2), 1000.0);
        QCOMPARE(e.track().tags(), tags);
        QVERIFY(e.h.prompts.messages.isEmpty());
    }

    // Play with a selection: the position runs through it, then the cursor is shown again.
    void playingTheSelection()
    {
        if (!m_noServer.isEmpty())
            QSKIP(qPrintable("PulseAudio cannot start here: " + m_noServer));
        Editor e(*m_audio);
        e.h.prompts.queueFile(e.writeTone("tone.wav", 1.0));
        e.form->run("m_open");
        e.track().setSelection(kRate / 4, kRate / 2);
        QList<int> positions;
        connect(&e.track(), &AudioEditor::position, this, [&](int frame) { positions << frame; });
        QSignalSpy ended(e.devices.get(), &SoundTrackDevices::stateChanged);
        e.form->run("m_play");
        QVERIFY(e.devices->isPlaying());
        QVERIFY(ended.wait(4000));
        QVERIFY(positions.size() >= 4);
        QCOMPARE(positions.takeLast(), int(e.track().cursor()));
        QCOMPARE(positions.last(), 3 * kRate / 4);
        QVERIFY(positions.first() >= kRate / 4 && positions.first() < kRate / 2);
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
    }

    void anOverrunIsToldAtStop()
    {
        FakeAudioSystem audio;
        audio.devices = {{"mic", "Microphone", 2, true}};
        audio.input = std::make_shared<ScriptedInput::Script>();
        audio.input->pending = signal::sine(kRate, 2, 0.5, 440, 0.5);
        audio.input->dropped = kRate / 10;
        Editor e(audio);
        e.form->run("m_start_rec");
        QTRY_COMPARE(e.track().frames(), qint64(kRate / 2));
        QVERIFY(e.h.prompts.messages.isEmpty()); // nothing interrupts the recording
        e.form->run("m_stop");
        QCOMPARE(e.h.prompts.messageTexts(), QStringList{SoundTrackDevices::overrunText(100)});
        QCOMPARE(e.track().frames(), qint64(kRate / 2));
    }

    // The samples stay, the user is told at once, and the editor's Stop still ends it as usual.
    void aDeviceThatGoesAwayKeepsTheRecording()
    {
        FakeAudioSystem audio;
        audio.devices = {{"mic", "Microphone", 1, true}};
        audio.input = std::make_shared<ScriptedInput::Script>();
        audio.input->channels = 1;
        audio.input->pending = signal::sine(kRate, 1, 0.5, 440, 0.5);
        Editor e(audio);
        QSignalSpy changed(e.devices.get(), &SoundTrackDevices::stateChanged);
        e.form->run("m_start_rec");
        QTRY_COMPARE(e.track().frames(), qint64(kRate / 2));
        audio.input->pending = signal::sine(kRate, 1, 0.25, 440, 0.5);
        audio.input->lost = true;
        QVERIFY(changed.wait(2000));
        QCOMPARE(e.track().frames(), qint64(3 * kRate / 4));
        QCOMPARE(e.h.prompts.messageTexts(), QStringList{SoundTrackDevices::deviceLostText(0.75)});
        QVERIFY(e.devices->isRecording());
        e.form->run("m_stop");
        QVERIFY(!e.devices->isRecording());
        QCOMPARE(e.track().tags(), defaultTags(2024));
        QCOMPARE(e.h.prompts.messages.size(), 1);
        QCOMPARE(e.track().frames(), qint64(3 * kRate / 4));
    }

    void noDeviceRecordsNothing()
    {
        FakeAudioSystem audio;
        Editor e(audio);
        e.form->run("m_start_rec");
        e.form->run("m_play");
        QVERIFY(!e.devices->isRecording());
        QVERIFY(!e.devices->isPlaying());
        QCOMPARE(e.form->fields.file, QString());
        QVERIFY(!e.form->trackModified());
        QVERIFY(e.h.prompts.messages.isEmpty());
    }

    void settingsApplyOnOkOnly_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    void settingsApplyOnOkOnly()
    {
        QFETCH(bool, ok);
        FakeAudioSystem audio;
        Editor e(audio);
        const AudioBuffering before = e.devices->buffering();
        const int depth = e.track().UndoDepth();
        e.devices->settingsDialog = [&](RecordingDevice&, Settings& s) {
            if (ok) {
                s.bufPar1 = 900;
                s.bufPar2 = 6;
                s.bufPar3 = 30;
                s.undoRedo = 7;
            }
            return ok;
        };
        e.form->run("m_preferences");
        QVERIFY(e.devices->buffering() == (ok ? AudioBuffering{900, 6, 30} : before));
        QCOMPARE(e.track().UndoDepth(), ok ? 7 : depth);
    }
};

QTEST_MAIN(TestTrackDevices)
#include "tst_trackdevices.moc"
