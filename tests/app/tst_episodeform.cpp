// The episode editor below its window: fields, enclosure, close path and the track commands, on a
// real session with real audio files written by the engine.

#include "SessionHarness.h"

#include "app/EpisodeCommandTable.h"
#include "app/EpisodeForm.h"
#include "app/TrackDevices.h"
#include "app/WorkProgress.h"
#include "audio/AudioEditor.h"
#include "audio/TrackCommands.h"
#include "store/ProjectList.h"
#include "store/Settings.h"

#include <QtTest>

#include <cmath>
#include <ctime>

namespace {

// A sine of `seconds` at `hz`, amplitude 0.5, written as a WAV file by the engine.
QString writeTone(const QString& path, int rate, int channels, double hz, double seconds)
{
    AudioEditor e;
    e.NewTrack(rate, channels);
    const qint64 n = qint64(seconds * rate);
    std::vector<float> data(size_t(n) * size_t(channels));
    for (qint64 i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            data[size_t(i * channels + c)] = float(0.5 * std::sin(2 * M_PI * hz * double(i) / rate));
    e.insertSamples(0, data.data(), n);
    return e.SaveTrack(path).ok() ? path : QString();
}

double rms(const AudioEditor& e, qint64 start, qint64 count)
{
    std::vector<float> data(size_t(count) * size_t(e.channels()));
    if (!e.samples().read(start, count, data.data()))
        return -1;
    double sum = 0;
    for (float v : data)
        sum += double(v) * v;
    return std::sqrt(sum / double(data.size()));
}

// A device layer that records nothing but says it does, to drive Start recording and Stop.
class PretendDevices : public NullTrackDevices {
public:
    bool startRecording() override { return recording = true; }
    bool isRecording() const override { return recording; }
    void stop() override { recording = false; }
    bool recording = false;
};

class CancellingProgress : public WorkProgress {
public:
    void begin(const QString& text) override { texts << text; }
    bool advance(qint64, qint64) override { return ++steps < cancelAt; }
    void end() override {}
    QStringList texts;
    int steps = 0;
    int cancelAt = 2;
};

// One podcast with one episode, its enclosure state local, and the form loaded on it.
struct Fixture {
    SessionHarness h;
    PretendDevices devices;
    std::unique_ptr<EpisodeForm> form;

    explicit Fixture(bool local = true, const QString& pubDate = QStringLiteral("Tue, 03 Dec 2024 21:57:19 GMT"))
    {
        const QString feed = h.writeFeed("a.rss", "Alpha", 1);
        testutil::writeFile(h.path("project.ini"), "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8()
                                                       + "\r\nTotalEnclosures=1\r\n[Project_0_E_0]\r\n7="
                                                       + (local ? "True" : "False") + "\r\n");
        h.start();
        episode().pubDate = pubDate;
        episode().enclosureType = QStringLiteral("audio/ogg");
        form = std::make_unique<EpisodeForm>(*h.session, devices);
        form->load(0);
    }
    Episode& episode() { return h.session->document().episodes[0]; }
    EnclosureState& state() { return h.session->projects()[0].enclosures[0]; }
    // Opens a file through File > Open as a user does.
    void open(const QString& path)
    {
        h.prompts.queueFile(path);
        form->run("m_open");
    }
};

} // namespace

class TestEpisodeForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void mediaTypeOfName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("index");
        QTest::newRow("upper case and a blank") << "/a/take.MP3 " << 2;
        QTest::newRow("last extension counts") << "backup.tar.gz" << -1;
        QTest::newRow("no dot") << "README" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("dot in a folder only") << "/home/a.mp3/notes" << -1;
        QTest::newRow("jpeg") << "c:\\pics\\cover.JPEG" << 7;
        QTest::newRow("jpg") << "cover.jpg" << 7;
        QTest::newRow("quicktime") << "clip.mov" << 6;
    }
    void mediaTypeOfName()
    {
        QFETCH(QString, path);
        QFETCH(int, index);
        QCOMPARE(int(MediaTypeIndex(path)), index);
    }

    void fileNameAndLength()
    {
        QCOMPARE(FileNamePart("/srv/pod/ep1.mp3"), QString("ep1.mp3"));
        QCOMPARE(FileNamePart("c:\\pod\\ep1.mp3"), QString("ep1.mp3"));
        QCOMPARE(FileNamePart("ep1.mp3"), QString("ep1.mp3"));
        QTemporaryDir dir;
        testutil::writeFile(dir.filePath("f"), QByteArray(1234, 'x'));
        QCOMPARE(FileLengthText(dir.filePath("f")), QString("1234"));
        QCOMPARE(FileLengthText(dir.filePath("missing")), QString());
        QCOMPARE(FileLengthText(dir.path()), QString()); // a folder is no media file
    }

    void loadDate_data()
    {
        QTest::addColumn<QString>("pubDate");
        QTest::addColumn<QDateTime>("shown"); // invalid: the current time
        const auto at = [](int y, int mo, int d, int h, int mi, int s) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
        };
        QTest::newRow("plain") << "Tue, 03 Dec 2024 21:57:19 GMT" << at(2024, 12, 3, 21, 57, 19);
        QTest::newRow("hour 24 carries over") << "03 Dec 2024 24:00:00 GMT" << at(2024, 12, 4, 0, 0, 0);
        QTest::newRow("minute and second 60") << "03 Dec 2024 10:60:60 GMT" << at(2024, 12, 3, 11, 1, 0);
        QTest::newRow("year 1700") << "Fri, 03 Dec 1700 10:00:00 GMT" << QDateTime();
        QTest::newRow("year 2051") << "03 Dec 2051 10:00:00 GMT" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }
    void loadDate()
    {
        QFETCH(QString, pubDate);
        QFETCH(QDateTime, shown);
        Fixture f(false, pubDate);
        const FeedDateTime d = f.form->fields.date;
        const QDateTime got(QDate(d.year, d.month, d.day), QTime(d.hour, d.minute, d.second));
        if (shown.isValid())
            QCOMPARE(got, shown);
        else
            QVERIFY(qAbs(got.secsTo(QDateTime::currentDateTime())) < 60);
    }

    void typeOutsideTheListIsShownAndKept()
    {
        Fixture f(false);
        QCOMPARE(f.form->fields.type, QString("audio/ogg"));
        QVERIFY(f.form->closeRequested());
        QCOMPARE(f.episode().enclosureType, QString("audio/ogg"));
    }

    void closeDiscardsAndCancelCommits()
    {
        Fixture f(false);
        const Episode before = f.episode();
        f.form->fields.title = "Edited";
        f.form->fields.url = "other.mp3";
        QVERIFY(f.form->discardRequested());
        QVERIFY(f.form->closeRequested());
        QCOMPARE(f.episode(), before);

        Fixture g(false);
        g.form->fields.title = "Edited";
        g.form->fields.date = FeedDateTime{5, 1, 2025, 8, 30, 0};
        QVERIFY(g.form->closeRequested());
        QCOMPARE(g.episode().title, QString("Edited"));
        QCOMPARE(g.episode().pubDate, QString("5 Jan 2025 08:30:00 GMT"));
        QCOMPARE(g.h.view.episodes.value(0).title, QString("Edited"));
        QVERIFY(g.h.prompts.messages.isEmpty());
    }

    void commandStatesFollowTheFileBox()
    {
        Fixture f(true);
        const auto enabled = [&](episodecommands::Group g) {
            QStringList on;
            for (const episodecommands::Command& c : episodecommands::commands())
                if (c.group == g && f.form->commandEnabled(c.name))
                    on << c.name;
            return on.size();
        };
        const auto count = [](episodecommands::Group g) {
            return int(std::count_if(episodecommands::commands().begin(), episodecommands::commands().end(),
                                     [g](const auto& c) { return c.group == g; }));
        };
        using G = episodecommands::Group;
        // No file yet: only New, Open, Start recording, Preferences and the window's own commands.
        QCOMPARE(enabled(G::TrackFile), 0);
        QVERIFY(!f.form->commandEnabled("m_stop"));
        QCOMPARE(enabled(G::LocalFile), 4);
        QCOMPARE(enabled(G::Always), count(G::Always));

        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1));
        QCOMPARE(enabled(G::TrackFile), count(G::TrackFile));
        QVERIFY(f.form->commandEnabled("m_stop"));

        f.form->setLocalFile(false);
        QCOMPARE(enabled(G::TrackFile) + enabled(G::LocalFile), 0);
        QVERIFY(!f.form->menuEnabled("m_operation"));
        QVERIFY(f.form->menuEnabled("m_file"));
        QVERIFY(f.form->commandEnabled("m_close"));
    }

    void viewModesAndClipboardMarks()
    {
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1));
        f.form->run("m_spectral");
        QVERIFY(f.form->commandChecked("m_spectral") && !f.form->commandChecked("m_waveform"));
        f.form->run("m_waveform");
        QVERIFY(!f.form->commandChecked("m_spectral") && f.form->commandChecked("m_waveform"));
        f.form->editor().setSelection(0, 1000);
        f.form->run("m_copy");
        QVERIFY(!f.form->trackModified());
        f.form->run("m_cut");
        QVERIFY(f.form->trackModified());
        QCOMPARE(f.form->editor().frames(), qint64(44100 - 1000));
    }

    void savedTrackBecomesTheEnclosureAndReachesTheFeed()
    {
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 2));
        QCOMPARE(f.form->fields.type, QString()); // .wav is no listed type
        f.form->run("m_amp_minus");
        QVERIFY(f.form->trackModified());
        f.h.prompts.queueAnswer(MessageAnswer::Yes);
        f.h.prompts.queueFile(f.h.path("take1"), 0); // the MP3 filter adds .mp3
        QVERIFY(f.form->closeRequested());
        QCOMPARE(f.h.prompts.messages.value(0).text, EpisodeForm::saveTrackQuestion());
        const QString mp3 = f.h.path("take1.mp3");
        const QString length = QString::number(QFileInfo(mp3).size());
        QVERIFY(length.toLongLong() > 1000);
        QCOMPARE(f.episode().enclosureUrl, QString("take1.mp3"));
        QCOMPARE(f.episode().enclosureLength, length);
        QCOMPARE(f.episode().enclosureType, QString("audio/mpeg"));
        QCOMPARE(f.episode().enclosureFile, mp3);
        const EnclosureState& s = f.state();
        QCOMPARE(s.localFile, mp3);
        QCOMPARE(s.text2, QString("take1.mp3"));
        QCOMPARE(s.text3, f.episode().guid);
        QCOMPARE(s.text4, f.episode().title);
        QCOMPARE(s.text5, QString("0"));
        QVERIFY(s.isLocal);

        f.h.session->save();
        const QByteArray feed = testutil::readFile(f.h.path("a.rss"));
        QVERIFY2(feed.contains("<enclosure url=\"take1.mp3\" length=\"" + length.toUtf8() + "\" type=\"audio/mpeg\""),
                 feed.constData());
    }

    void closeQuestionCancelKeepsEverything()
    {
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1));
        f.form->run("m_invert");
        f.form->fields.title = "Edited";
        const Episode before = f.episode();
        f.h.prompts.queueAnswer(MessageAnswer::Cancel);
        QVERIFY(!f.form->closeRequested());
        QCOMPARE(f.episode(), before);
        QCOMPARE(f.form->fields.title, QString("Edited"));
        QVERIFY(f.form->trackModified());
        // File > Close asks as well before it drops the audio.
        f.h.prompts.queueAnswer(MessageAnswer::Cancel);
        QVERIFY(!f.form->discardRequested());
        f.h.prompts.queueAnswer(MessageAnswer::No);
        QVERIFY(f.form->discardRequested());
        QVERIFY(f.form->closeRequested());
        QCOMPARE(f.episode(), before);
        QCOMPARE(f.h.prompts.messages.size(), 3);
    }

    void newAndOpenAskBeforeDroppingTheTrack_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("new, cancel") << "m_new" << int(MessageAnswer::Cancel) << false;
        QTest::newRow("new, no") << "m_new" << int(MessageAnswer::No) << true;
        QTest::newRow("open, cancel") << "m_open" << int(MessageAnswer::Cancel) << false;
        QTest::newRow("open, no") << "m_open" << int(MessageAnswer::No) << true;
    }
    void newAndOpenAskBeforeDroppingTheTrack()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(bool, dropped);
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1));
        f.form->run("m_fade_plus");
        const QString other = writeTone(f.h.path("other.wav"), 22050, 1, 440, 0.5);
        f.h.prompts.queueAnswer(MessageAnswer(answer));
        f.h.prompts.queueFile(other);
        f.form->run(command);
        QCOMPARE(f.h.prompts.messages.value(0).text, EpisodeForm::saveTrackQuestion());
        QCOMPARE(f.h.prompts.messages.value(0).buttons, MessageButtons::YesNoCancel);
        QCOMPARE(f.form->trackModified(), !dropped);
        QCOMPARE(f.form->editor().frames(), !dropped ? 44100 : command == "m_new" ? 0 : 11025);
    }

    void failedSaveKeepsTheTrackModifiedAndTheEnclosure()
    {
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1));
        f.form->run("m_norm");
        const EpisodeFieldValues before = f.form->fields;
        f.h.prompts.queueFile(f.h.path("no-such-folder/take.mp3"), 0);
        f.form->run("m_save");
        QVERIFY(f.form->trackModified());
        QCOMPARE(f.form->fields, before);
        QCOMPARE(f.form->currentAudioFile(), f.h.path("tone.wav"));
        QCOMPARE(f.h.prompts.messages.size(), 1);
        QVERIFY(f.h.prompts.messages[0].text.startsWith("The audio track could not be saved as \""));
        QVERIFY(f.h.prompts.messages[0].text.size() > 60); // and why
        // Closing with Yes and a save that fails again keeps the window open.
        f.h.prompts.queueAnswer(MessageAnswer::Yes);
        f.h.prompts.queueFile(f.h.path("no-such-folder/take.mp3"), 0);
        QVERIFY(!f.form->closeRequested());
        QCOMPARE(f.episode().enclosureUrl, QString());
    }

    void failedEffectLeavesTheTrackUnmodified()
    {
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1));
        f.form->editor().selectAll();
        f.form->run("m_cut");
        f.h.prompts.queueFile(f.h.path("empty.wav"), 1);
        f.form->run("m_save");
        QVERIFY(!f.form->trackModified());
        f.form->run("m_amp_plus");
        QVERIFY(!f.form->trackModified());
        QCOMPARE(f.h.prompts.messages.value(0).text, QString("\"Amplify +\" could not be applied:\r\nthe track is empty"));
    }

    void cancelledEffectLeavesTheTrackAsItWas()
    {
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 5));
        CancellingProgress progress;
        f.form->setProgress(&progress);
        const double before = rms(f.form->editor(), 0, 44100 * 5);
        f.form->run("m_fade_plus");
        QVERIFY(progress.steps >= 2);
        QCOMPARE(progress.texts.last(), QString("Fade +..."));
        QVERIFY(!f.form->trackModified());
        QCOMPARE(f.form->editor().undoCount(), 0);
        QCOMPARE(rms(f.form->editor(), 0, 44100 * 5), before);
        QVERIFY(f.h.prompts.messages.isEmpty());
    }

    void bandPassFollowsTheTrackRate()
    {
        Fixture f;
        f.open(writeTone(f.h.path("low.wav"), 22050, 1, 110.25, 2));
        QCOMPARE(f.form->editor().sampleRate(), 22050);
        QCOMPARE(trackcommands::commandFrequency("m_band_pass", 22050), 110.25f);
        const double before = rms(f.form->editor(), 22050, 11025);
        f.form->run("m_band_pass");
        QVERIFY(f.form->trackModified());
        // A tone at the centre passes; centred at 220.5 Hz (a 44100 Hz guess) it would lose half.
        QVERIFY2(rms(f.form->editor(), 22050, 11025) > 0.9 * before,
                 qPrintable(QString::number(rms(f.form->editor(), 22050, 11025) / before)));
    }

    void recordingIntoANewTrackWritesTheDefaultTags()
    {
        Fixture f;
        Settings& s = f.h.session->settings();
        s.defTitle = "Show";
        s.defArtist = "Host";
        s.defTrack = "7";
        s.defYear = "soon"; // not a number: the year stays
        f.form->run("m_start_rec");
        QVERIFY(f.form->trackModified());
        QVERIFY(f.form->commandEnabled("m_stop"));
        QCOMPARE(f.form->fields.file, QString(" "));
        f.form->run("m_amp_plus"); // the recording owns the track
        QCOMPARE(f.form->editor().undoCount(), 0);
        f.form->run("m_stop");
        const AudioTags t = f.form->editor().tags();
        QCOMPARE(t.title, QString("Show"));
        QCOMPARE(t.artist, QString("Host"));
        QCOMPARE(int(t.trackNumber), 7);
        QCOMPARE(t.year, 0);
        QVERIFY(f.form->commandEnabled("m_play"));
    }

    void fileInfoEditsTheTagsAndMarksTheTrack()
    {
        Fixture f;
        f.open(writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1));
        TrackInfoFields info = f.form->trackInfo();
        QCOMPARE(info.file, f.h.path("tone.wav"));
        f.form->applyTrackInfo(info);
        QVERIFY(!f.form->trackModified());
        info.title = "Pilot";
        info.year = "2024";
        info.track = "x"; // not a number: kept
        f.form->applyTrackInfo(info);
        QVERIFY(f.form->trackModified());
        QCOMPARE(f.form->editor().tags().title, QString("Pilot"));
        QCOMPARE(f.form->editor().tags().year, 2024);
        QCOMPARE(int(f.form->editor().tags().trackNumber), 0);
    }

    void chooseAndOpenFollowTheFile()
    {
        Fixture f(false);
        testutil::writeFile(f.h.path("notes.PDF"), QByteArray(321, 'p'));
        f.h.prompts.queueFile(f.h.path("notes.PDF"));
        f.form->chooseEnclosure();
        QCOMPARE(f.h.prompts.fileDialogs.value(0).title, QString("Open multimedia enclosure"));
        QCOMPARE(f.form->fields.url, QString("notes.PDF"));
        QCOMPARE(f.form->fields.length, QString("321"));
        QCOMPARE(f.form->fields.type, QString("application/pdf"));
        // A cancelled dialog changes nothing.
        f.h.prompts.queueCancelledFile();
        f.form->chooseEnclosure();
        QCOMPARE(f.form->fields.url, QString("notes.PDF"));
        QVERIFY(f.form->closeRequested());
        QCOMPARE(f.state().localFile, f.h.path("notes.PDF"));
        QVERIFY(!f.state().isLocal);
    }

    void localFileOpensTheEpisodesFileOnce()
    {
        Fixture f(false);
        const QString tone = writeTone(f.h.path("tone.wav"), 44100, 2, 440, 1);
        f.state().localFile = tone;
        f.form->load(0);
        QVERIFY(!f.form->hasPendingOpen());
        f.form->setLocalFile(true);
        QVERIFY(f.form->commandEnabled("m_save"));
        f.form->openPendingFile();
        QCOMPARE(f.form->editor().frames(), qint64(44100));
        QVERIFY(!f.form->trackModified());
        f.form->run("m_invert");
        f.form->setLocalFile(false);
        f.form->setLocalFile(true);
        f.form->openPendingFile(); // the changed track is not replaced
        QCOMPARE(f.form->editor().undoCount(), 1);
    }

    void helpPage()
    {
        Fixture f;
        f.form->run("m_f1");
        QVERIFY(f.h.prompts.openedUrls.value(0).endsWith("/manual/creating_new_episode.htm"));
        QVERIFY(QFileInfo::exists(QUrl(f.h.prompts.openedUrls.value(0)).toLocalFile()));
    }
};

QTEST_GUILESS_MAIN(TestEpisodeForm)
#include "tst_episodeform.moc"
