#include "feed/Channel.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"
#include "feed/FeedJson.h"
#include "feed/FeedReader.h"
#include "support/TestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The directory fields from the command line: "feed set", and what an independent reader
// (Python's feedparser) makes of a feed the program wrote.
namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

Run cli(const QStringList& args)
{
    return run(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")), args);
}

FeedDocument readBack(const QString& path)
{
    FeedDocument d;
    importFeed(readFeedFile(path).text, d, nullptr);
    return d;
}

const char kPlainFeed[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
                          "<title>Birds</title><link>https://birds.example/</link><description>D</description>"
                          "<item><title>One</title></item><item><title>Two</title></item></channel></rss>";

// feedparser's view of a feed file as one JSON object of the values the test compares.
const char kFeedparserScript[] = R"(
import feedparser, json, sys
d = feedparser.parse(sys.argv[1])
e = d.entries[0]
enc = e.enclosures[0]
print(json.dumps({
  "bozo": bool(d.bozo),
  "image.href": d.feed.image.href,
  "itunes_explicit": str(d.feed.itunes_explicit),
  "itunes_duration": e.itunes_duration,
  "item itunes_explicit": str(e.itunes_explicit),
  "itunes_episode": e.itunes_episode,
  "itunes_season": e.itunes_season,
  "podcast_transcript.url": e.podcast_transcript["url"],
  "podcast_transcript.type": e.podcast_transcript["type"],
  "podcast_transcript.language": e.podcast_transcript["language"],
  "enclosure.href": enc.href,
  "enclosure.length": enc.length,
  "enclosure.type": enc.type,
}))
)";

} // namespace

class TestFeedDirectoriesCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QJsonObject m_parsed; // feedparser's values of the feed written in initTestCase
    QString m_parseError;

    bool makeAudio(const QString& path, const QString& seconds, const QStringList& codec)
    {
        return run(QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                                          "anullsrc=r=22050:cl=mono", "-t", seconds}
                                                 + codec + QStringList{path})
                   .code
            == 0;
    }

private slots:
    void initTestCase()
    {
        FeedDocument d;
        d.channel.title = QStringLiteral("Birds");
        d.channel.link = QStringLiteral("https://birds.example/");
        d.channel.description = QStringLiteral("Songs");
        d.channel.itunesImage = QStringLiteral("https://birds.example/cover.jpg");
        // feedparser 6 knows Apple's older values only: "yes" and "clean".
        d.channel.itunesExplicit = QStringLiteral("clean");
        Episode e;
        e.title = QStringLiteral("Robin");
        e.enclosureUrl = QStringLiteral("https://birds.example/robin.mp3");
        e.enclosureLength = QStringLiteral("3725829");
        e.enclosureType = QStringLiteral("audio/mpeg");
        e.itunesDuration = QStringLiteral("01:02:05");
        e.itunesExplicit = QStringLiteral("yes");
        e.itunesEpisode = QStringLiteral("7");
        e.itunesSeason = QStringLiteral("2");
        e.podcastTranscripts = {{QStringLiteral("https://birds.example/robin.vtt"), QStringLiteral("text/vtt"),
                                 QStringLiteral("en"), QStringLiteral("captions")}};
        d.episodes = {e};
        const QString json = m_dir.filePath(QStringLiteral("doc.json"));
        const QString feed = m_dir.filePath(QStringLiteral("written.rss"));
        QVERIFY(testutil::writeFile(json, feedjson::toJson(d)));
        const Run w = cli({"feed", "write", "--from", json, "--out", feed, "--encoding", "UTF-8"});
        QVERIFY2(w.code == 0, w.err.constData());
        const Run parsed = run(QStringLiteral("/usr/bin/python3"), {"-c", kFeedparserScript, feed});
        if (parsed.err.contains("No module named 'feedparser'"))
            m_parseError = QStringLiteral("python3-feedparser is not installed");
        else if (parsed.code != 0)
            m_parseError = QString::fromUtf8(parsed.err);
        m_parsed = QJsonDocument::fromJson(parsed.out).object();
    }

    void feedparserReadsTheValuesSet_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("expected");
        QTest::newRow("well-formed") << "bozo" << QJsonValue(false);
        QTest::newRow("cover art") << "image.href" << QJsonValue("https://birds.example/cover.jpg");
        QTest::newRow("channel explicit") << "itunes_explicit" << QJsonValue("False");
        QTest::newRow("duration") << "itunes_duration" << QJsonValue("01:02:05");
        QTest::newRow("item explicit") << "item itunes_explicit" << QJsonValue("True");
        QTest::newRow("episode") << "itunes_episode" << QJsonValue("7");
        QTest::newRow("season") << "itunes_season" << QJsonValue("2");
        QTest::newRow("transcript url") << "podcast_transcript.url" << QJsonValue("https://birds.example/robin.vtt");
        QTest::newRow("transcript type") << "podcast_transcript.type" << QJsonValue("text/vtt");
        QTest::newRow("transcript language") << "podcast_transcript.language" << QJsonValue("en");
        QTest::newRow("enclosure url") << "enclosure.href" << QJsonValue("https://birds.example/robin.mp3");
        QTest::newRow("enclosure length") << "enclosure.length" << QJsonValue("3725829");
        QTest::newRow("enclosure type") << "enclosure.type" << QJsonValue("audio/mpeg");
    }
    void feedparserReadsTheValuesSet()
    {
        if (m_parseError.startsWith(QLatin1String("python3-feedparser")))
            QSKIP("python3-feedparser is not installed (scripts/install-deps)");
        QVERIFY2(m_parseError.isEmpty(), qPrintable(m_parseError));
        QFETCH(QString, key);
        QFETCH(QJsonValue, expected);
        QCOMPARE(m_parsed.value(key), expected);
    }

    void setChangesOnlyWhatItNames_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("key");   // a key of "feed show"'s JSON: channel.KEY or episodes.N.KEY
        QTest::addColumn<QString>("value"); // what it holds afterwards
        const QString guid = QStringLiteral("917393e3-1b1e-5cef-ace4-edaa54e1f810");
        QTest::newRow("first feed URL makes the guid")
            << QStringList{"--feed-url", "https://mp3s.nashownotes.com/pc20rss.xml"} << "channel.podcastGuid" << guid;
        QTest::newRow("a second URL keeps it")
            << QStringList{"--feed-url", "https://mp3s.nashownotes.com/pc20rss.xml", "--feed-url",
                           "https://elsewhere.example/feed.xml"}
            << "channel.podcastGuid" << guid;
        QTest::newRow("on request it follows the URL")
            << QStringList{"--feed-url", "https://a.example/x", "--feed-url", "https://mp3s.nashownotes.com/pc20rss.xml",
                           "--generate-guid"}
            << "channel.podcastGuid" << guid;
        QTest::newRow("a guid typed in stays")
            << QStringList{"--podcast-guid", "00000000-0000-5000-8000-000000000000", "--feed-url", "https://a.example/x"}
            << "channel.podcastGuid" << "00000000-0000-5000-8000-000000000000";
        QTest::newRow("channel text") << QStringList{"--itunes-owner-email", "ann@birds.example"}
                                      << "channel.itunesOwnerEmail" << "ann@birds.example";
        QTest::newRow("second item") << QStringList{"--item", "1", "--itunes-episode", "12"} << "episodes.1.itunesEpisode"
                                     << "12";
        QTest::newRow("first item untouched") << QStringList{"--item", "1", "--itunes-episode", "12"}
                                              << "episodes.0.itunesEpisode" << "";
        QTest::newRow("empty clears") << QStringList{"--item", "0", "--itunes-season", "3", "--itunes-season", ""}
                                      << "episodes.0.itunesSeason" << "";
    }
    void setChangesOnlyWhatItNames()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString feed = dir.filePath(QStringLiteral("feed.rss"));
        QVERIFY(testutil::writeFile(feed, kPlainFeed));
        const Run r = cli(QStringList{"feed", "set", feed} + args);
        QVERIFY2(r.code == 0, r.err.constData());
        const Run shown = cli({"feed", "show", feed});
        QJsonValue v = QJsonDocument::fromJson(shown.out).object();
        for (const QString& part : key.split(QLatin1Char('.')))
            v = v.isArray() ? v.toArray().at(part.toInt()) : v.toObject().value(part);
        QCOMPARE(v.toString(), value);
        QCOMPARE(readBack(feed).channel.title, QStringLiteral("Birds"));
    }

    void setRefusesAndLeavesTheFile_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("e-mail") << QStringList{"--itunes-owner-email", "ann@birds"} << QByteArray("not an e-mail address");
        QTest::newRow("episode number") << QStringList{"--item", "0", "--itunes-episode", "4a"}
                                        << QByteArray("a whole number is needed");
        QTest::newRow("image") << QStringList{"--itunes-image", "https://b.example/c.gif"} << QByteArray(".jpg or .png");
        QTest::newRow("type") << QStringList{"--itunes-type", "daily"} << QByteArray("one of episodic, serial");
        QTest::newRow("feed URL") << QStringList{"--feed-url", "birds.example/feed"} << QByteArray("not a web address");
        QTest::newRow("guid without URL") << QStringList{"--generate-guid"} << QByteArray("set the feed URL first");
        QTest::newRow("item past the end") << QStringList{"--item", "2", "--itunes-title", "x"}
                                           << QByteArray("the feed has items 0 to 1");
        QTest::newRow("item option on the channel") << QStringList{"--itunes-duration", "1:00"}
                                                    << QByteArray("unknown channel option");
        QTest::newRow("later option refused") << QStringList{"--itunes-author", "Ann", "--item", "0", "--itunes-season", "x"}
                                              << QByteArray("a whole number");
    }
    void setRefusesAndLeavesTheFile()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, reason);
        QTemporaryDir dir;
        const QString feed = dir.filePath(QStringLiteral("feed.rss"));
        QVERIFY(testutil::writeFile(feed, kPlainFeed));
        const Run r = cli(QStringList{"feed", "set", feed} + args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(reason), r.err.constData());
        QCOMPARE(testutil::readFile(feed), QByteArray(kPlainFeed));
    }

    void durationComesFromTheAudio_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<QStringList>("codec");
        QTest::addColumn<QString>("duration");
        QTest::newRow("3,725.4-second MP3") << "long.mp3" << "3725.4" << QStringList{"-c:a", "libmp3lame", "-b:a", "8k"}
                                            << "01:02:05";
        QTest::newRow("WAV rounds up") << "short.wav" << "2.6" << QStringList{} << "00:00:03";
        QTest::newRow("Ogg Vorbis") << "a.ogg" << "75" << QStringList{"-c:a", "libvorbis"} << "00:01:15";
        QTest::newRow("headerless PCM") << "a.pcm" << "10" << QStringList{"-f", "s16le", "-ac", "2", "-ar", "44100"}
                                        << "00:00:10";
    }
    void durationComesFromTheAudio()
    {
        QFETCH(QString, file);
        QFETCH(QString, seconds);
        QFETCH(QStringList, codec);
        QFETCH(QString, duration);
        QTemporaryDir dir;
        const QString audio = dir.filePath(file);
        if (!makeAudio(audio, seconds, codec))
            QSKIP("ffmpeg cannot make the audio file");
        const QString feed = dir.filePath(QStringLiteral("feed.rss"));
        QVERIFY(testutil::writeFile(feed, kPlainFeed));
        const Run r = cli({"feed", "set", feed, "--item", "1", "--duration-from", audio});
        QVERIFY2(r.code == 0, r.err.constData());
        QCOMPARE(r.out, QByteArray("item 1 itunesDuration ") + duration.toLatin1() + '\n');
        QCOMPARE(readBack(feed).episodes.at(1).itunesDuration, duration);
    }

    void durationOfNoAudioFails()
    {
        QTemporaryDir dir;
        const QString feed = dir.filePath(QStringLiteral("feed.rss"));
        const QString text = dir.filePath(QStringLiteral("notes.mp3"));
        QVERIFY(testutil::writeFile(feed, kPlainFeed));
        QVERIFY(testutil::writeFile(text, "not audio at all"));
        const Run r = cli({"feed", "set", feed, "--item", "0", "--duration-from", text});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("notes.mp3"), r.err.constData());
        QCOMPARE(testutil::readFile(feed), QByteArray(kPlainFeed));
    }
};

QTEST_GUILESS_MAIN(TestFeedDirectoriesCli)
#include "tst_feeddirectoriescli.moc"
