#include "SignalUtil.h"
#include "support/TestUtil.h"
#include "audio/AudioEditor.h"
#include "audio/AudioFileReader.h"
#include "audio/AudioFormats.h"
#include "audio/Mp3CommandLine.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Opening and saving every listed format, the naming rule of the save dialog, the recorder's MP3
// command line and the velmora-cli audio commands.
class TestAudioFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static AudioTags sampleTags()
    {
        AudioTags t;
        t.title = QStringLiteral("Épisode 7");
        t.artist = QStringLiteral("Ana Díaz");
        t.album = QStringLiteral("Morning Show");
        t.year = 2026;
        t.trackNumber = 7;
        t.comment = QStringLiteral("recorded live");
        return t;
    }

    static bool run(const QString& program, const QStringList& args, int* exitCode = nullptr,
                    QByteArray* out = nullptr)
    {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(60000))
            return false;
        if (out)
            *out = p.readAllStandardOutput();
        if (exitCode)
            *exitCode = p.exitCode();
        return p.exitStatus() == QProcess::NormalExit;
    }

    static QString cli() { return testutil::builtProgram("src/cli/velmora-cli"); }

private slots:
    void saveAndReadBackEveryFormat_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("rate");       // rate read back
        QTest::addColumn<int>("channels");   // channels read back
        QTest::addColumn<int>("slack");      // frames: one codec frame
        QTest::addColumn<bool>("tagged");
        QTest::newRow("mp3") << "mp3" << 44100 << 2 << 1152 << true;
        QTest::newRow("wav") << "wav" << 44100 << 2 << 0 << true;
        QTest::newRow("mp2") << "mp2" << 44100 << 2 << 1152 << false;
        QTest::newRow("ogg") << "ogg" << 44100 << 2 << 2048 << true;
        QTest::newRow("wma") << "wma" << 44100 << 2 << 2048 << true;
        QTest::newRow("raw") << "raw" << 44100 << 2 << 0 << false;
        QTest::newRow("pcm") << "pcm" << 44100 << 2 << 0 << false;
        QTest::newRow("vox") << "vox" << 8000 << 1 << 1 << false;
        QTest::newRow("g721") << "g721" << 8000 << 1 << 8 << false;
        QTest::newRow("g723") << "g723" << 8000 << 1 << 8 << false;
        QTest::newRow("g726") << "g726" << 8000 << 1 << 8 << false;
    }
    void saveAndReadBackEveryFormat()
    {
        QFETCH(QString, ext);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, slack);
        QFETCH(bool, tagged);
        AudioEditor e;
        signal::load(e, 44100, 2, signal::sine(44100, 2, 1.0, 440, 0.5));
        e.setTags(sampleTags());
        e.setEncoderSettings(EncoderSettings(96, 32000, 160, 2));
        const QString path = m_dir.filePath("take1." + ext);
        const AudioStatus s = e.SaveTrack(path, false, 0);
        QVERIFY2(s.ok(), qPrintable(s.message));

        AudioEditor back;
        const AudioStatus r = back.OpenTrack(path);
        QVERIFY2(r.ok(), qPrintable(r.message));
        QCOMPARE(back.sampleRate(), rate);
        QCOMPARE(back.channels(), channels);
        QVERIFY2(std::abs(back.frames() - rate) <= slack, qPrintable(QString::number(back.frames())));
        const auto samples = signal::all(back);
        const double f = signal::frequency(samples, channels, rate, rate / 4, rate / 2);
        QVERIFY2(std::fabs(f - 440.0) < 2.0, qPrintable(QString::number(f)));
        const double level = signal::rms(samples, channels, 0, rate / 4, rate / 2);
        QVERIFY2(std::fabs(level - 0.5 / std::sqrt(2.0)) < 0.05, qPrintable(QString::number(level)));
        if (tagged) {
            QCOMPARE(back.tags().title, sampleTags().title);
            QCOMPARE(back.tags().artist, sampleTags().artist);
            QCOMPARE(back.tags().comment, sampleTags().comment);
            QCOMPARE(back.tags().album, sampleTags().album);
            QCOMPARE(back.tags().year, 2026);
            QCOMPARE(back.tags().trackNumber, qint16(7));
        }
        QCOMPARE(QDir(m_dir.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden).size(), 0);
    }

    void mp3CarriesId3v2AndTheBitrate()
    {
        AudioEditor e;
        signal::load(e, 44100, 2, signal::sine(44100, 2, 2.0, 440, 0.5));
        e.setTags(sampleTags());
        e.setEncoderSettings(EncoderSettings(96, 32000, 160, 2));
        const QString path = m_dir.filePath("id3.mp3");
        QVERIFY(e.SaveTrack(path).ok());
        const QByteArray bytes = testutil::readFile(path);
        QVERIFY(bytes.startsWith("ID3\x03"));
        QByteArray probe;
        QVERIFY(run("ffprobe", {"-v", "error", "-show_entries", "stream=bit_rate,codec_name", "-of", "csv=p=0", path},
                    nullptr, &probe));
        QCOMPARE(probe.trimmed(), QByteArray("mp3,96000"));
    }

    void monoSettingWritesMono()
    {
        AudioEditor e;
        signal::load(e, 44100, 2, signal::sine(44100, 2, 0.5, 440, 0.5));
        e.setEncoderSettings(EncoderSettings(96, 32000, 160, 1));
        const QString path = m_dir.filePath("mono.mp3");
        QVERIFY(e.SaveTrack(path).ok());
        AudioEditor back;
        QVERIFY(back.OpenTrack(path).ok());
        QCOMPARE(back.channels(), 1);
        // Left and right are averaged: the level of the sine is kept.
        const double level = signal::rms(signal::all(back), 1, 0, 5000, 10000);
        QVERIFY2(std::fabs(level - 0.5 / std::sqrt(2.0)) < 0.02, qPrintable(QString::number(level)));
    }

    void voxOfAStereoTrackAveragesTheChannels()
    {
        AudioEditor e;
        auto in = signal::sine(16000, 2, 0.5, 300, 0.4);
        for (size_t i = 1; i < in.size(); i += 2)
            in[i] = -in[i]; // opposite phases cancel in the average
        signal::load(e, 16000, 2, in);
        const QString path = m_dir.filePath("cancel.vox");
        QVERIFY(e.SaveTrack(path).ok());
        AudioEditor back;
        QVERIFY(back.OpenTrack(path).ok());
        QCOMPARE(back.frames(), 4000);
        QVERIFY(signal::peak(signal::all(back)) < 0.01);
    }

    void ratesTheFormatLacksAreRaised_data()
    {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("trackRate");
        QTest::addColumn<int>("fileRate");
        QTest::newRow("mp3 keeps 22050") << "mp3" << 22050 << 22050;
        QTest::newRow("mp3 raises 11000") << "mp3" << 11000 << 11025;
        QTest::newRow("mp2 raises 8000") << "mp2" << 8000 << 16000;
        QTest::newRow("wav keeps 11000") << "wav" << 11000 << 11000;
    }
    void ratesTheFormatLacksAreRaised()
    {
        QFETCH(QString, ext);
        QFETCH(int, trackRate);
        QFETCH(int, fileRate);
        AudioEditor e;
        signal::load(e, trackRate, 1, signal::sine(trackRate, 1, 1.0, 300, 0.5));
        const QString path = m_dir.filePath(QStringLiteral("rate%1.%2").arg(trackRate).arg(ext));
        QVERIFY(e.SaveTrack(path).ok());
        AudioEditor back;
        QVERIFY(back.OpenTrack(path).ok());
        QCOMPARE(back.sampleRate(), fileRate);
        QVERIFY(std::fabs(back.seconds() - 1.0) < 0.08);
    }

    void rawKeepsExactSamplesAndOpensAs44100Stereo()
    {
        AudioEditor e;
        const auto in = signal::noise(44100, 2, 0.1, 0.9);
        signal::load(e, 44100, 2, in);
        const QString path = m_dir.filePath("exact.pcm");
        QVERIFY(e.SaveTrack(path).ok());
        QCOMPARE(QFileInfo(path).size(), qint64(in.size() * 2));
        AudioEditor back;
        QVERIFY(back.OpenTrack(path).ok());
        const auto out = signal::all(back);
        QCOMPARE(out.size(), in.size());
        for (size_t i = 0; i < in.size(); ++i)
            QVERIFY(std::fabs(out[i] - in[i]) <= 1.0 / 32768 + 1e-6);
        // A mono 16 kHz file opened as told.
        AudioEditor told;
        told.setRawFormat(16000, 1);
        QVERIFY(told.OpenTrack(path).ok());
        QCOMPARE(told.sampleRate(), 16000);
        QCOMPARE(told.frames(), qint64(in.size()));
    }

    void filesMadeByRealToolsOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("ffmpegArgs");
        QTest::addColumn<int>("rate");
        QTest::newRow("mp3 by ffmpeg") << "a.mp3" << QStringList{"-ac", "2", "-b:a", "64k"} << 44100;
        QTest::newRow("mpeg") << "a.mpeg" << QStringList{"-f", "mp2", "-ar", "48000"} << 48000;
        QTest::newRow("wav 8 kHz") << "a.wav" << QStringList{"-ar", "8000"} << 8000;
        QTest::newRow("ogg") << "a.ogg" << QStringList{"-c:a", "libvorbis", "-ar", "32000"} << 32000;
        QTest::newRow("avi") << "a.avi" << QStringList{"-c:a", "pcm_s16le", "-ar", "22050"} << 22050;
        QTest::newRow("wma") << "a.wma" << QStringList{"-c:a", "wmav2", "-b:a", "64k"} << 44100;
        QTest::newRow("g721") << "a.g721"
                              << QStringList{"-ar", "8000", "-ac", "1", "-c:a", "g726", "-b:a", "32k", "-f", "g726"}
                              << 8000;
        QTest::newRow("g726") << "a.g726"
                              << QStringList{"-ar", "8000", "-ac", "1", "-c:a", "g726", "-b:a", "40k", "-f", "g726"}
                              << 8000;
    }
    void filesMadeByRealToolsOpen()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, ffmpegArgs);
        QFETCH(int, rate);
        const QString path = m_dir.filePath(name);
        int code = -1;
        QVERIFY(run("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                          "sine=frequency=440:duration=2"} + ffmpegArgs + QStringList{path},
                    &code));
        QCOMPARE(code, 0);
        AudioEditor e;
        const AudioStatus s = e.OpenTrack(path);
        QVERIFY2(s.ok(), qPrintable(s.message));
        QCOMPARE(e.sampleRate(), rate);
        QVERIFY2(std::fabs(e.seconds() - 2.0) < 0.06, qPrintable(QString::number(e.seconds())));
        const double f = signal::frequency(signal::all(e), e.channels(), rate, rate / 2, rate);
        QVERIFY2(std::fabs(f - 440.0) < 2.0, qPrintable(QString::number(f)));
    }

    void aStreamThatChangesFormatMidwayOpensWhole()
    {
        // Two MP3 streams one after the other: mono 22.05 kHz, then stereo 44.1 kHz.
        QByteArray chained;
        for (const QStringList& args : {QStringList{"-ar", "22050", "-ac", "1"}, QStringList{"-ar", "44100", "-ac", "2"}}) {
            const QString part = m_dir.filePath("part.mp3");
            int code = -1;
            QVERIFY(run("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                              "sine=frequency=300:duration=1"}
                                      + args + QStringList{"-write_xing", "0", "-id3v2_version", "0", part},
                        &code));
            QCOMPARE(code, 0);
            chained += testutil::readFile(part);
        }
        const QString path = m_dir.filePath("chained.mp3");
        QVERIFY(testutil::writeFile(path, chained));
        AudioEditor e;
        QVERIFY(e.OpenTrack(path).ok());
        QVERIFY2(std::fabs(e.seconds() - 2.0) < 0.15, qPrintable(QString::number(e.seconds())));
        const auto samples = signal::all(e);
        const int rate = e.sampleRate();
        for (const double at : {0.3, 1.4}) {
            const double f = signal::frequency(samples, e.channels(), rate, qint64(at * rate), rate / 4);
            QVERIFY2(std::fabs(f - 300.0) < 2.0, qPrintable(QString::number(f)));
        }
    }

    void mp3MadeByLameOpensWithTags()
    {
        AudioEditor e;
        signal::load(e, 44100, 1, signal::sine(44100, 1, 1.0, 440, 0.5));
        const QString wav = m_dir.filePath("forlame.wav");
        QVERIFY(e.SaveTrack(wav).ok());
        const QString mp3 = m_dir.filePath("lame.mp3");
        int code = -1;
        QVERIFY(run("lame", {"--quiet", "--tt", "Lame title", "--ta", "Lame artist", "--ty", "2024", wav, mp3}, &code));
        QCOMPARE(code, 0);
        AudioEditor back;
        QVERIFY(back.OpenTrack(mp3).ok());
        QCOMPARE(back.tags().title, QStringLiteral("Lame title"));
        QCOMPARE(back.tags().year, 2024);
        QVERIFY(std::abs(back.frames() - 44100) <= 1152);
    }

    void voxDecodesWithFfmpegsOkiDecoder()
    {
        // Written here, read through FFmpeg's adpcm_ima_oki decoder: a slow sine survives closely.
        AudioEditor e;
        signal::load(e, 8000, 1, signal::sine(8000, 1, 1.0, 200, 0.5));
        const QString path = m_dir.filePath("slow.vox");
        QVERIFY(e.SaveTrack(path).ok());
        QCOMPARE(QFileInfo(path).size(), 4000);
        AudioEditor back;
        QVERIFY(back.OpenTrack(path).ok());
        const auto in = signal::all(e), out = signal::all(back);
        QCOMPARE(out.size(), in.size());
        double err = 0;
        for (size_t i = 800; i < in.size(); ++i)
            err = std::max(err, double(std::fabs(out[i] - in[i])));
        QVERIFY2(err < 0.05, qPrintable(QString::number(err)));
    }

    void cdaIsReportedAsUnsupported()
    {
        const QString path = m_dir.filePath("Track01.cda");
        QVERIFY(testutil::writeFile(path, QByteArray("RIFF\x24\0\0\0CDDAfmt ", 16)));
        AudioEditor e;
        e.NewTrack();
        const AudioStatus s = e.OpenTrack(path);
        QCOMPARE(s.code, AudioStatus::Unsupported);
        QVERIFY(s.message.contains("CD Audio"));
        QCOMPARE(e.frames(), 0);
    }

    void openFailuresLeaveTheTrack()
    {
        AudioEditor e;
        signal::load(e, 8000, 1, std::vector<float>(100, 0.25f));
        QCOMPARE(e.OpenTrack(m_dir.filePath("nothing.mp3")).code, AudioStatus::Failed);
        const QString junk = m_dir.filePath("junk.mp3");
        QVERIFY(testutil::writeFile(junk, QByteArray("not audio at all\n").repeated(200)));
        const AudioStatus s = e.OpenTrack(junk);
        QCOMPARE(s.code, AudioStatus::Failed);
        QVERIFY(s.message.contains("junk.mp3"));
        QCOMPARE(signal::all(e), std::vector<float>(100, 0.25f));
        // A truncated MP3 opens with what is there.
        AudioEditor full;
        signal::load(full, 44100, 2, signal::sine(44100, 2, 2.0, 440, 0.5));
        const QString mp3 = m_dir.filePath("cut.mp3");
        QVERIFY(full.SaveTrack(mp3).ok());
        QVERIFY(QFile::resize(mp3, QFileInfo(mp3).size() / 2));
        QVERIFY(e.OpenTrack(mp3).ok());
        QVERIFY(e.seconds() > 0.8 && e.seconds() < 1.2);
    }

    void failedOrCancelledSavesKeepTheOldFile()
    {
        const QString path = m_dir.filePath("keep.wav");
        QVERIFY(testutil::writeFile(path, "old contents"));
        AudioEditor e;
        signal::load(e, 44100, 2, signal::noise(44100, 2, 2.0, 0.5));
        e.setProgressHandler([](qint64 done, qint64 total) { return done < total / 2; });
        QCOMPARE(e.SaveTrack(path).code, AudioStatus::Cancelled);
        QCOMPARE(testutil::readFile(path), QByteArray("old contents"));
        e.setProgressHandler({});
        const AudioStatus s = e.SaveTrack(m_dir.filePath("no/such/folder/x.wav"));
        QCOMPARE(s.code, AudioStatus::Failed);
        QVERIFY(!s.message.isEmpty());
        QCOMPARE(e.SaveTrack(m_dir.filePath("x.flac")).code, AudioStatus::Unsupported);
        QVERIFY(!QFile::exists(m_dir.filePath("x.flac")));
        QCOMPARE(QDir(m_dir.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden).size(), 0);
        QVERIFY(e.SaveTrack(path).ok());
        QVERIFY(testutil::readFile(path).startsWith("RIFF"));
    }

    void savingThroughALinkReplacesTheLinkedFile()
    {
        const QString real = m_dir.filePath("real.wav");
        const QString link = m_dir.filePath("link.wav");
        QVERIFY(testutil::writeFile(real, "old"));
        QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFile::link(real, link));
        AudioEditor e;
        signal::load(e, 8000, 1, std::vector<float>(800, 0.1f));
        QVERIFY(e.SaveTrack(link).ok());
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(testutil::readFile(real).startsWith("RIFF"));
        const QFile::Permissions perms = QFile::permissions(real);
        QVERIFY(perms.testFlag(QFile::WriteOwner));
        QVERIFY(!perms.testFlag(QFile::ReadGroup) && !perms.testFlag(QFile::ReadOther)); // kept private
    }

    void saveNameFollowsTheFilter()
    {
        using audioformats::savedFileName;
        QCOMPARE(savedFileName("take1", 1), QString("take1.mp3"));
        QCOMPARE(savedFileName("take1.mp3", 1), QString("take1.mp3"));
        QCOMPARE(savedFileName("old.mp3.bak", 1), QString("old.mp3.bak"));
        QCOMPARE(savedFileName("Take1.MP3", 1), QString("Take1.MP3"));
        QCOMPARE(savedFileName("take1", 2), QString("take1.wav"));
        QCOMPARE(savedFileName("take1", 3), QString("take1.mp2"));
        QCOMPARE(savedFileName("take1", 4), QString("take1.ogg"));
        QCOMPARE(savedFileName("take1", 5), QString("take1"));
        QCOMPARE(savedFileName("take1", 6), QString("take1"));
        QCOMPARE(savedFileName("take1", 7), QString("take1.raw"));
        QCOMPARE(savedFileName("take1.pcm", 7), QString("take1.pcm.raw"));
        QCOMPARE(savedFileName("take1", 8), QString("take1.wma"));
        const QStringList open = audioformats::dialogFilters(audioformats::openFilters());
        QCOMPARE(open.size(), 9);
        QCOMPARE(open.first(), QString("MPEG Files (*.mp3 *.mp2 *.mpeg)"));
        QCOMPARE(open.last(), QString("CD Audio (*.cda)"));
        const QStringList save = audioformats::dialogFilters(audioformats::saveFilters());
        QCOMPARE(save.size(), 8);
        QCOMPARE(save[4], QString("G.72x Files (*.g721 *.g723 *.g726)"));
        QCOMPARE(save[6], QString("RAW Files (*.raw *.pcm)"));
    }

    void mp3CommandLineExamples()
    {
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const Mp3CommandLine def = Mp3CommandLine::make("/home/u/.velmora", true, 64, 44100, english);
        QCOMPARE(def.arguments, QStringList({"-h", "-ms", "-b64", "-s44.1", "-", "/home/u/.velmora/Temp/currenttrack.mp3"}));
        QVERIFY(def.text().endsWith(" -h -ms -b64 -s44.1 - \"/home/u/.velmora/Temp/currenttrack.mp3\""));
        QCOMPARE(Mp3CommandLine::make("/h", false, 128, 22050, english).arguments.mid(0, 4),
                 QStringList({"-h", "-mm", "-b128", "-s22.05"}));
        QCOMPARE(Mp3CommandLine::make("/h", true, 64, 48000, english).arguments[3], QString("-s48"));
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(Mp3CommandLine::make("/h", true, 64, 44100, german).arguments[3], QString("-s44,1"));
        // The encoder beside the program wins over the one on PATH.
        QTemporaryDir folder;
        const QString beside = folder.filePath("lame");
        QVERIFY(testutil::writeFile(beside, "#!/bin/sh\n"));
        QFile::setPermissions(beside, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(Mp3CommandLine::findEncoder(folder.path()), beside);
        QCOMPARE(Mp3CommandLine::findEncoder(m_dir.filePath("empty")), QString("/usr/bin/lame"));
    }

    void cliInfoConvertApply()
    {
        AudioEditor e;
        signal::load(e, 22050, 1, std::vector<float>(22050 * 3, 0.25f));
        e.setTags(sampleTags());
        const QString wav = m_dir.filePath("cli.wav");
        QVERIFY(e.SaveTrack(wav).ok());

        int code = -1;
        QByteArray out;
        QVERIFY(run(cli(), {"audio", "info", wav}, &code, &out));
        QCOMPARE(code, 0);
        QJsonParseError parse;
        const QJsonObject info = QJsonDocument::fromJson(out, &parse).object();
        QCOMPARE(parse.error, QJsonParseError::NoError);
        QVERIFY(out.indexOf("\"format\"") < out.indexOf("\"sampleRate\""));
        QVERIFY(out.indexOf("\"seconds\"") < out.indexOf("\"tags\""));
        QCOMPARE(info["format"].toString(), QString("wav"));
        QCOMPARE(info["sampleRate"].toInt(), 22050);
        QCOMPARE(info["channels"].toInt(), 1);
        QCOMPARE(info["frames"].toInt(), 66150);
        QCOMPARE(info["seconds"].toDouble(), 3.0);
        QCOMPARE(info["tags"].toObject()["title"].toString(), sampleTags().title);

        const QString amp = m_dir.filePath("amp.wav");
        QVERIFY(run(cli(), {"audio", "apply", wav, amp, "m_amp_plus", "--from", "1", "--to", "2"}, &code));
        QCOMPARE(code, 0);
        AudioEditor back;
        QVERIFY(back.OpenTrack(amp).ok());
        const auto s = signal::all(back);
        QVERIFY(std::fabs(s[22050 / 2] - 0.25f) < 1e-3);
        QVERIFY(std::fabs(s[22050 + 100] - 0.30f) < 1e-3);
        QVERIFY(std::fabs(s[2 * 22050 + 100] - 0.25f) < 1e-3);

        const QString longer = m_dir.filePath("longer.ogg");
        QVERIFY(run(cli(), {"audio", "apply", wav, longer, "m_silence_insert", "--from", "1"}, &code));
        QCOMPARE(code, 0);
        QVERIFY(run(cli(), {"audio", "info", longer}, &code, &out));
        QVERIFY(std::fabs(QJsonDocument::fromJson(out).object()["seconds"].toDouble() - 3.5) < 0.01);

        QVERIFY(run(cli(), {"audio", "convert", wav, m_dir.filePath("conv.mp3")}, &code));
        QCOMPARE(code, 0);
        QVERIFY(run(cli(), {"audio", "info", m_dir.filePath("conv.mp3")}, &code, &out));
        QCOMPARE(QJsonDocument::fromJson(out).object()["tags"].toObject()["album"].toString(), sampleTags().album);

        QVERIFY(run(cli(), {"audio", "apply", wav, amp, "m_zoom_in"}, &code));
        QCOMPARE(code, 2);
        QVERIFY(run(cli(), {"audio", "apply", wav, amp, "m_norm", "--from", "x"}, &code));
        QCOMPARE(code, 2);
        QVERIFY(run(cli(), {"audio", "info", m_dir.filePath("absent.wav")}, &code));
        QCOMPARE(code, 1);
        QVERIFY(run(cli(), {"audio", "convert", wav, m_dir.filePath("x.xyz")}, &code));
        QCOMPARE(code, 1);
        QVERIFY(run(cli(), {"audio", "--help"}, &code, &out));
        QCOMPARE(code, 0);
        QVERIFY(out.contains("m_high_shelf"));
        QVERIFY(out.contains("Exit codes: 0 done, 1 failed"));
    }
};

QTEST_GUILESS_MAIN(TestAudioFiles)
#include "tst_audiofiles.moc"
