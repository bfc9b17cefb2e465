#include "check/CheckContext.h"
#include "check/CheckRules.h"
#include "check/FeedChecker.h"
#include "feed/CharsetTable.h"
#include "feed/FeedWriter.h"
#include "feed/DirectoryValues.h"
#include "image/ImageMagick.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray cleanFeed()
{
    return testutil::readFile(QStringLiteral(VELMORA_TEST_DATA "/check/clean.rss"));
}

int lineOf(const QByteArray& text, qsizetype offset)
{
    return static_cast<int>(text.left(offset).count('\n')) + 1;
}

QString describe(const Findings& findings)
{
    QStringList lines;
    for (const Finding& f : findings)
        lines << QStringLiteral("%1:%2 %3 %4").arg(f.line).arg(f.column).arg(f.rule, f.message);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestFeedCheck : public QObject {
    Q_OBJECT
private slots:
    void cleanFeedHasNoFindings();
    void oneFaultOneFinding_data();
    void oneFaultOneFinding();
    void datesSayWhichPartIsWrong_data();
    void datesSayWhichPartIsWrong();
    void coverPictureBesideTheFeed();
    void writtenFeedPassesEveryRule();
    void rulesPickFamilies();
    void everyRuleIsDocumented();
};

void TestFeedCheck::cleanFeedHasNoFindings()
{
    const CheckResult result = FeedChecker::check(cleanFeed());
    QVERIFY2(result.findings.isEmpty(), qPrintable(describe(result.findings)));
    QVERIFY(result.wellFormed);
    // Two enclosures, the channel image and the cover are what the online check fetches.
    QCOMPARE(result.links.size(), 4);
}

// Each row plants one fault in the clean feed: `from` becomes `to`, and the finding is expected
// on the line where `at` stands in the faulty feed.
void TestFeedCheck::oneFaultOneFinding_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QByteArray>("at");
    const auto row = [](const char* rule, const char* from, const char* to, const char* at = nullptr) {
        QTest::newRow(rule) << QByteArray(from) << QByteArray(to) << QByteArray(at ? at : to);
    };
    row("xml-encoding-unknown", "encoding=\"UTF-8\"", "encoding=\"x-no-such\"");
    row("xml-encoding-bytes", "Talk about coffee", "Talk about caf\xE9");
    row("xml-encoding-bom", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
    row("xml-encoding-utf8", "encoding=\"UTF-8\"", "encoding=\"ISO-8859-1\"");
    row("xml-control-char", "<description>First", "<description>Fi\x01rst");
    row("xml-well-formed", "<ttl>60</ttl>", "<ttl>60</tt>");
    row("rss-root", "<rss version=\"2.0\"", "<rss version=\"0.92\"");
    row("rss-channel-count", "</channel>\n</rss>",
        "</channel>\n<channel><title>x</title><link>https://x.example/</link><description>d</description></channel>\n</rss>",
        "<channel><title>x");
    row("rss-channel-required", "<link>https://radio.example/</link>\n<description>", "<description>", "<channel>");
    row("rss-item-title", "<item>\n<title>Episode 2</title>\n", "<item>\n", "<item>\n<guid isPermaLink=\"true\"");
    row("rss-date", "Thu, 03 Oct 2002", "Thu, 33 Oct 2002");
    row("rss-ttl", "<ttl>60</ttl>", "<ttl>an hour</ttl>");
    row("rss-enclosure-url", "url=\"https://radio.example/1.mp3\" ", "", "<enclosure length=\"1234\"");
    row("rss-enclosure-length", "length=\"1234\"", "length=\"12 KB\"");
    row("rss-enclosure-length-zero", "length=\"1234\"", "length=\"0\"");
    row("rss-enclosure-type", "length=\"1234\" type=\"audio/mpeg\"", "length=\"1234\"");
    row("rss-guid-unique", "<guid isPermaLink=\"true\">https://radio.example/2</guid>",
        "<guid isPermaLink=\"false\">ep-1</guid>", "ep-1</guid>\n<enclosure url=\"https://radio.example/2.m4a\"");
    row("rss-guid-permalink", "<guid isPermaLink=\"false\">ep-1", "<guid isPermaLink=\"true\">ep-1");
    row("rss-image-required", "logo.png</url>\n<title>Café Radio</title>", "logo.png</url>", "<image>");
    row("rss-image-size", "<width>144</width>", "<width>600</width>");
    row("apple-image-missing", "<itunes:image href=\"https://radio.example/cover.jpg\"/>\n", "", "<channel>");
    row("apple-image-url", "cover.jpg\"", "cover.gif\"");
    row("apple-category-missing", "<itunes:category text=\"Arts\">\n<itunes:category text=\"Food\"/>\n</itunes:category>\n",
        "", "<channel>");
    row("apple-category", "text=\"Arts\"", "text=\"Artz\"");
    row("apple-subcategory", "text=\"Food\"", "text=\"Cooking\"");
    row("apple-explicit", "<itunes:explicit>false</itunes:explicit>\n<itunes:type>",
        "<itunes:explicit>no</itunes:explicit>\n<itunes:type>");
    row("apple-author", "<itunes:author>Ann Example</itunes:author>\n", "", "<channel>");
    row("apple-owner-missing", "<itunes:owner>\n<itunes:name>Ann Example</itunes:name>\n"
        "<itunes:email>ann@radio.example</itunes:email>\n</itunes:owner>\n", "", "<channel>");
    row("apple-owner-email", "<itunes:email>ann@radio.example", "<itunes:email>ann at radio");
    row("apple-language", "<language>en</language>\n", "", "<channel>");
    row("apple-enclosure-type", "type=\"audio/x-m4a\"", "type=\"audio/ogg\"");
    row("apple-https", "https://radio.example/2.m4a", "http://radio.example/2.m4a");
    row("apple-duration", "01:02:03", "1h 2m");
    row("apple-number", "<itunes:episode>1<", "<itunes:episode>one<");
    row("apple-type", "<itunes:type>episodic", "<itunes:type>daily");
    row("p20-guid", "db51ed65-2540-5794-a35b-b62e07ad1c14", "not-a-uuid");
    row("p20-guid-feed-url", "db51ed65-2540-5794-a35b-b62e07ad1c14", "662f16b9-18e6-5546-8c85-1c6fb7c1e654");
    row("p20-locked", " owner=\"ann@radio.example\">yes", ">yes");
    row("p20-transcript", "type=\"text/vtt\"", "type=\"text/srt\"");
    row("p20-chapters", "application/json+chapters", "application/json");
    row("p20-number", "<podcast:episode>1<", "<podcast:episode>1st<");
}

void TestFeedCheck::oneFaultOneFinding()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QByteArray, at);
    QByteArray feed = cleanFeed();
    QVERIFY2(feed.count(from) == 1, "the text to replace must be in the clean feed once");
    feed.replace(from, to);
    QVERIFY2(feed.count(at) == 1, "the expected place must be in the faulty feed once");

    const CheckResult result = FeedChecker::check(feed);
    QVERIFY2(result.findings.size() == 1, qPrintable(describe(result.findings)));
    const Finding& f = result.findings.first();
    QCOMPARE(f.rule, QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(f.line, lineOf(feed, feed.indexOf(at)));
    QCOMPARE(f.severity, checkrules::find(f.rule)->severity);
    QVERIFY(!f.message.isEmpty());
}

void TestFeedCheck::datesSayWhichPartIsWrong_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("part"); // a word the reason must hold; empty for a valid date
    QTest::newRow("full") << "Wed, 02 Oct 2002 13:00:00 GMT" << "";
    QTest::newRow("no weekday, zone offset") << "2 Oct 2002 13:00 -0500" << "";
    QTest::newRow("weekday") << "Wek, 02 Oct 2002 13:00:00 GMT" << "day of the week";
    QTest::newRow("comma") << "Wed 02 Oct 2002 13:00:00 GMT" << "comma";
    QTest::newRow("day") << "Wed, 40 Oct 2002 13:00:00 GMT" << "the day \"40\"";
    QTest::newRow("month") << "Wed, 02 October 2002 13:00:00 GMT" << "month";
    QTest::newRow("year") << "Wed, 02 Oct 202 13:00:00 GMT" << "year";
    QTest::newRow("time") << "Wed, 02 Oct 2002 25:00:00 GMT" << "time";
    QTest::newRow("no zone") << "Wed, 02 Oct 2002 13:00:00" << "no time zone";
    QTest::newRow("zone") << "Wed, 02 Oct 2002 13:00:00 CEST" << "time zone \"CEST\"";
    QTest::newRow("no such day") << "31 Feb 2003 13:00:00 GMT" << "no day 31";
    QTest::newRow("wrong weekday") << "Mon, 02 Oct 2002 13:00:00 GMT" << "is a Wed";
    QTest::newRow("ISO") << "2002-10-02T13:00:00Z" << "needs day, month";
}

void TestFeedCheck::datesSayWhichPartIsWrong()
{
    QFETCH(QString, date);
    QFETCH(QString, part);
    const QString why = checkrules::checkRfc822Date(date);
    if (part.isEmpty())
        QCOMPARE(why, QString());
    else
        QVERIFY2(why.contains(part), qPrintable(why));
}

void TestFeedCheck::coverPictureBesideTheFeed()
{
    if (!magick::available())
        QSKIP("ImageMagick's convert is not installed");
    QTemporaryDir dir;
    QCOMPARE(magick::convert({QStringLiteral("-size"), QStringLiteral("1400x1000"), QStringLiteral("xc:red"),
                              dir.filePath(QStringLiteral("cover.jpg"))}), 0);
    CheckOptions options;
    options.baseFolder = dir.path();
    const QByteArray feed = cleanFeed();
    const CheckResult result = FeedChecker::check(feed, options);
    QCOMPARE(result.findings.size(), 1);
    QCOMPARE(result.findings.first().rule, QStringLiteral("apple-image-picture"));
    QVERIFY2(result.findings.first().message.contains(QLatin1String("not square")), qPrintable(result.findings.first().message));
    QCOMPARE(result.findings.first().line, lineOf(feed, feed.indexOf("<itunes:image")));

    QCOMPARE(magick::convert({QStringLiteral("-size"), QStringLiteral("1400x1400"), QStringLiteral("xc:red"),
                              dir.filePath(QStringLiteral("cover.jpg"))}), 0);
    QVERIFY(FeedChecker::check(feed, options).findings.isEmpty());
}

void TestFeedCheck::writtenFeedPassesEveryRule()
{
    FeedDocument d;
    Channel& c = d.channel;
    c.title = QStringLiteral("Café Radio");
    c.link = QStringLiteral("https://radio.example/");
    c.description = QStringLiteral("Talk & more");
    c.language = QStringLiteral("en");
    c.pubDate = QStringLiteral("Wed, 02 Oct 2002 13:00:00 GMT");
    c.ttl = QStringLiteral("60");
    c.imageUrl = QStringLiteral("https://radio.example/logo.png");
    c.imageTitle = c.title;
    c.imageLink = c.link;
    c.itunesAuthor = QStringLiteral("Ann Example");
    c.itunesOwnerName = QStringLiteral("Ann Example");
    c.itunesOwnerEmail = QStringLiteral("ann@radio.example");
    c.itunesImage = QStringLiteral("https://radio.example/cover.jpg");
    c.itunesCategories = {{QStringLiteral("Arts"), {QStringLiteral("Food")}}};
    c.itunesExplicit = QStringLiteral("false");
    c.itunesType = QStringLiteral("serial");
    c.podcastLocked = QStringLiteral("yes");
    c.podcastLockedOwner = QStringLiteral("ann@radio.example");
    c.atomSelfLink = QStringLiteral("https://radio.example/feed.rss");
    c.podcastGuid = dirvalues::podcastGuidForFeedUrl(c.atomSelfLink);
    for (int i = 1; i <= 2; ++i) {
        Episode e;
        e.title = QStringLiteral("Episode %1").arg(i);
        e.description = QStringLiteral("Notes");
        e.pubDate = QStringLiteral("Thu, 03 Oct 2002 13:00:00 GMT");
        e.guid = QStringLiteral("ep-%1").arg(i);
        e.enclosureUrl = QStringLiteral("https://radio.example/%1.mp3").arg(i);
        e.enclosureLength = QStringLiteral("1234");
        e.enclosureType = QStringLiteral("audio/mpeg");
        e.itunesDuration = QStringLiteral("00:10:00");
        e.itunesEpisode = e.itunesSeason = e.podcastSeason = e.podcastEpisode = QString::number(i);
        e.itunesEpisodeType = QStringLiteral("full");
        e.itunesExplicit = QStringLiteral("false");
        e.podcastTranscripts = {{QStringLiteral("https://radio.example/%1.vtt").arg(i), QStringLiteral("text/vtt"),
                                 QStringLiteral("en"), {}}};
        e.podcastChaptersUrl = QStringLiteral("https://radio.example/%1.json").arg(i);
        e.podcastChaptersType = QStringLiteral("application/json+chapters");
        d.episodes.append(e);
    }
    for (const int encoding : {charsets::kDefaultIndex, charsets::indexOfCharset(QStringLiteral("UTF-8"))}) {
        const CheckResult result = FeedChecker::check(buildFeedBytes(d, encoding, QSize(144, 144)));
        QVERIFY2(result.findings.isEmpty(), qPrintable(describe(result.findings)));
        QCOMPARE(result.links.size(), 4);
    }
}

void TestFeedCheck::rulesPickFamilies()
{
    QByteArray feed = cleanFeed();
    feed.replace("<ttl>60</ttl>", "<ttl>x</ttl>");
    feed.replace("01:02:03", "x");
    feed.replace("<podcast:episode>1<", "<podcast:episode>x<");
    const auto rules = [&](const QString& list) {
        CheckOptions options;
        options.groups = checkrules::parseGroups(list);
        QStringList ids;
        for (const Finding& f : FeedChecker::check(feed, options).findings)
            ids << f.rule;
        return ids.join(QLatin1Char(' '));
    };
    QCOMPARE(rules(QStringLiteral("rss")), QStringLiteral("rss-ttl"));
    QCOMPARE(rules(QStringLiteral("apple,p20")), QStringLiteral("apple-duration p20-number"));
    QString unknown;
    QCOMPARE(checkrules::parseGroups(QStringLiteral("rss,w3c"), &unknown), 0u);
    QCOMPARE(unknown, QStringLiteral("w3c"));
}

void TestFeedCheck::everyRuleIsDocumented()
{
    const QByteArray doc = testutil::readFile(QStringLiteral(VELMORA_SOURCE_DIR "/docs/check.md"));
    QVERIFY(!doc.isEmpty());
    for (const checkrules::Rule& r : checkrules::all())
        QVERIFY2(doc.contains("`" + QByteArray(r.id) + "`"), r.id);
}

QTEST_GUILESS_MAIN(TestFeedCheck)
#include "tst_feedcheck.moc"
