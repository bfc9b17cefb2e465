#include "support/MediaTools.h"
#include "support/TestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

// velmora-cli audio loudness and audio master, checked with ffmpeg's meter and read back with
// ffprobe: loudness, true peak, tags, cover art and chapters.
class TestMasterCli : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_stereo, m_mono, m_cover;

    static QString cli() { return testutil::builtProgram("src/cli/velmora-cli"); }

    static int velmora(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr)
    {
        int code = -1;
        if (!mediatools::run(cli(), args, &code, out, err, 300000))
            return -1;
        return code;
    }

    static QJsonObject probe(const QString& path)
    {
        int code = -1;
        QByteArray out;
        mediatools::run("ffprobe", {"-v", "error", "-show_chapters", "-show_format", "-show_streams", "-of", "json", path},
                        &code, &out);
        return QJsonDocument::fromJson(out).object();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Speech-like bursts with a loud clap every three seconds: the gain alone would clip.
        const QString voice = "pow(sin(PI*mod(t*3.7,1)),2)*gt(sin(2*PI*t/4.3)+0.3,0)";
        const QString prog = QString("0.05*(random(0)*2-1)*%1+0.05*sin(2*PI*190*t)*%1+0.9*(random(1)*2-1)*exp(-mod(t,3)*80)").arg(voice);
        m_stereo = m_dir.filePath("stereo.wav");
        m_mono = m_dir.filePath("mono.mp3");
        m_cover = m_dir.filePath("cover.jpg");
        // Band-limited as speech is: white noise up to 22 kHz would lose a dB of loudness to the MP3
        // encoder's low-pass, whatever the mastering did.
        const QStringList speech{"-af", "lowpass=f=7000,lowpass=f=7000"};
        QVERIFY(mediatools::generate(m_stereo, prog + "|0.9*(" + prog + ")", 44100, 30, speech + QStringList{"-c:a", "pcm_s16le"}));
        QVERIFY(mediatools::generate(m_mono, prog, 48000, 30, speech + QStringList{"-c:a", "libmp3lame", "-b:a", "96k"}));
        int code = -1;
        QVERIFY(mediatools::run("convert", {"-size", "300x300", "gradient:red-blue", m_cover}, &code));
        QCOMPARE(code, 0);
    }

    void loudnessAgreesWithFfmpeg()
    {
        QByteArray out;
        QCOMPARE(velmora({"audio", "loudness", m_stereo, "--json"}, &out), 0);
        const QJsonObject o = QJsonDocument::fromJson(out).object();
        QCOMPARE(o.keys(), QStringList({"integrated", "range", "samplePeak", "truePeak"}));
        const mediatools::Loudness ref = mediatools::ffmpegLoudness(m_stereo);
        QVERIFY2(ref.ok, qPrintable(ref.error));
        QVERIFY(std::fabs(o["integrated"].toDouble() - ref.integrated) <= 0.1);
        QVERIFY(std::fabs(o["truePeak"].toDouble() - ref.truePeak) <= 0.2);
        QVERIFY(o["samplePeak"].toDouble() <= o["truePeak"].toDouble());
    }

    void masterMeetsTargetWithTagsAndChapters_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("ceiling");
        QTest::addColumn<int>("channels");
        QTest::addColumn<char>("id3");
        QTest::newRow("stereo to -16, defaults") << "stereo" << QStringList{} << -16.0 << -1.0 << 2 << '\x03';
        QTest::newRow("mono mp3 at 48k, -19 by --mono, ID3v2.4")
            << "mono" << QStringList{"--mono", "--id3v2", "4"} << -19.0 << -1.0 << 1 << '\x04';
        QTest::newRow("-14 with ceiling -2, VBR") << "stereo" << QStringList{"--target", "-14", "--ceiling", "-2", "--vbr", "4"}
                                                 << -14.0 << -2.0 << 2 << '\x03';
    }

    void masterMeetsTargetWithTagsAndChapters()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, options);
        QFETCH(double, target);
        QFETCH(double, ceiling);
        QFETCH(int, channels);
        QFETCH(char, id3);
        const QString out = m_dir.filePath(QString("episode-%1.mp3").arg(QTest::currentDataTag()).replace(' ', '_'));
        const QString chaptersFile = m_dir.filePath("chapters.json");
        QVERIFY(testutil::writeFile(chaptersFile, R"({"version":"1.2.0","chapters":[{"startTime":20.5,"title":"Zum Schluss"}]})"));
        QByteArray err;
        const int code = velmora(QStringList{"audio", "master", input == "stereo" ? m_stereo : m_mono, out, "--title", "Folge 12",
                                             "--artist", "Ana Díaz", "--album", "Morgenrunde", "--year", "2026", "--track",
                                             "12", "--comment", "live", "--cover", m_cover, "--chapter", "00:00:00 Intro",
                                             "--chapter", "0:10 Interview", "--chapters", chaptersFile}
                                     + options,
                                 nullptr, &err);
        QVERIFY2(code == 0, err.constData());

        const mediatools::Loudness ref = mediatools::ffmpegLoudness(out);
        QVERIFY2(ref.ok, qPrintable(ref.error));
        QVERIFY2(std::fabs(ref.integrated - target) <= 0.5, qPrintable(QString::number(ref.integrated)));
        QVERIFY2(ref.truePeak <= ceiling + 0.1, qPrintable(QString::number(ref.truePeak)));
        QCOMPARE(testutil::readFile(out).left(4), QByteArray("ID3") + id3);

        const QJsonObject info = probe(out);
        const QJsonObject tags = info["format"].toObject()["tags"].toObject();
        QCOMPARE(tags["title"].toString(), QString("Folge 12"));
        QCOMPARE(tags["artist"].toString(), QString("Ana Díaz"));
        QCOMPARE(tags["album"].toString(), QString("Morgenrunde"));
        QCOMPARE(tags["genre"].toString(), QString("Podcast"));
        QCOMPARE(tags["track"].toString(), QString("12"));
        QVERIFY(tags["date"].toString().startsWith("2026"));
        QCOMPARE(tags["comment"].toString(), QString("live"));
        bool audio = false, cover = false;
        for (const QJsonValue& s : info["streams"].toArray()) {
            const QJsonObject stream = s.toObject();
            if (stream["codec_type"] == "audio")
                audio = stream["channels"].toInt() == channels;
            cover |= stream["disposition"].toObject()["attached_pic"].toInt() == 1 && stream["codec_name"] == "mjpeg";
        }
        QVERIFY(audio);
        QVERIFY(cover);
        const QJsonArray chapters = info["chapters"].toArray();
        QCOMPARE(chapters.size(), 3);
        const QStringList titles{"Intro", "Interview", "Zum Schluss"};
        const QList<double> starts{0.0, 10.0, 20.5};
        for (int i = 0; i < 3; ++i) {
            const QJsonObject c = chapters[i].toObject();
            QCOMPARE(c["tags"].toObject()["title"].toString(), titles[i]);
            QCOMPARE(c["start_time"].toString().toDouble(), starts[i]);
        }
        QCOMPARE(chapters[2].toObject()["end_time"].toString().toDouble(), 30.0);

        const QJsonObject json = QJsonDocument::fromJson(testutil::readFile(QString(out).replace(".mp3", ".chapters.json"))).object();
        QCOMPARE(json["version"].toString(), QString("1.2.0"));
        const QJsonArray listed = json["chapters"].toArray();
        QCOMPARE(listed.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(listed[i].toObject()["title"].toString(), titles[i]);
            QCOMPARE(listed[i].toObject()["startTime"].toDouble(), starts[i]);
        }
    }

    void unusableInputGivesAClearMessage_data()
    {
        QTest::addColumn<QString>("expr");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent") << "0" << 5.0 << QStringList{} << 1 << "the audio is silent";
        QTest::newRow("very short") << "0.5*sin(2*PI*440*t)" << 0.2 << QStringList{} << 1 << "the audio is too short";
        QTest::newRow("chapter past the end") << "0.5*sin(2*PI*440*t)" << 2.0 << QStringList{"--chapter", "00:00:05 Late"}
                                              << 2 << "lies past the end";
        QTest::newRow("chapter without a time") << "0.5*sin(2*PI*440*t)" << 2.0 << QStringList{"--chapter", "Intro"}
                                                << 2 << "is not a chapter";
    }

    void unusableInputGivesAClearMessage()
    {
        QFETCH(QString, expr);
        QFETCH(double, seconds);
        QFETCH(QStringList, extra);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString in = m_dir.filePath("unusable.wav"), out = m_dir.filePath("unusable.mp3");
        QFile::remove(out);
        QVERIFY(mediatools::generate(in, expr, 44100, seconds, {"-c:a", "pcm_s16le"}));
        QByteArray err;
        QCOMPARE(velmora(QStringList{"audio", "master", in, out} + extra, nullptr, &err), exitCode);
        QVERIFY2(QString::fromUtf8(err).contains(message), err.constData());
        QVERIFY(!QFile::exists(out));
    }
};

QTEST_GUILESS_MAIN(TestMasterCli)
#include "tst_mastercli.moc"
