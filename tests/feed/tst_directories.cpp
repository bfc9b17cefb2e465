#include "feed/AppleCategories.h"
#include "feed/DirectoryValues.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"
#include "feed/FeedJson.h"
#include "feed/FeedReader.h"
#include "feed/FeedWriter.h"
#include "support/TestUtil.h"
#include "support/XmlTree.h"

#include <QtTest>

namespace {

const QStringList kGenerator{QStringLiteral("generator")};

QByteArray fixtureBytes()
{
    return testutil::readFile(QStringLiteral(VELMORA_TEST_DATA "/feed/directories.rss"));
}

FeedDocument read(const QByteArray& bytes)
{
    FeedDocument d;
    importFeed(decodeFeedText(bytes), d);
    return d;
}

QByteArray rss(const QByteArray& namespaces, const QByteArray& channel, const QByteArray& item = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"" + namespaces
        + "><channel><title>T</title><description/><link/>" + channel + "<item><title>I</title>" + item
        + "</item></channel></rss>";
}

const QByteArray kItunes = " xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\"";

// Text between the rss start tag's end and the end of the feed: where no declaration belongs.
QByteArray afterRssTag(const QByteArray& feed)
{
    return feed.mid(feed.indexOf('>', feed.indexOf("<rss")));
}

} // namespace

class TestDirectories : public QObject {
    Q_OBJECT
private slots:
    void openSaveKeepsEveryElement_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::newRow("UTF-8") << 49;
        QTest::newRow("Windows-1252, references for the rest") << 53;
        QTest::newRow("KOI8-R") << 22;
    }
    void openSaveKeepsEveryElement()
    {
        QFETCH(int, encoding);
        const QByteArray source = fixtureBytes();
        const QByteArray written = buildFeedBytes(read(source), encoding);
        QCOMPARE(testutil::xmlTree(written, kGenerator), testutil::xmlTree(source, kGenerator));
        QVERIFY(!written.contains('?' + QByteArray("</bird:sighting>")));
        QVERIFY2(!afterRssTag(written).contains("xmlns"), "declarations belong on the rss element");
        QCOMPARE(written.count("xmlns:bird="), 1);
        // Read again, the document is the same: a second save changes nothing.
        QCOMPARE(buildFeedBytes(read(written), encoding), written);
    }

    void oneEditChangesOneElement()
    {
        const QByteArray source = fixtureBytes();
        FeedDocument d = read(source);
        QCOMPARE(d.episodes[0].itunesDuration, QStringLiteral("01:02:05"));
        d.episodes[0].itunesDuration = QStringLiteral("01:02:06");
        const QStringList before = testutil::xmlTree(source, kGenerator);
        const QStringList after = testutil::xmlTree(buildFeedBytes(d, 49), kGenerator);
        const QStringList gone = testutil::treeMinus(before, after);
        const QStringList added = testutil::treeMinus(after, before);
        QCOMPARE(gone.size(), 1);
        QCOMPARE(added.size(), 1);
        QVERIFY(gone[0].endsWith(QLatin1String("}duration  [01:02:05]")));
        QVERIFY(added[0].endsWith(QLatin1String("}duration  [01:02:06]")));
    }

    void fieldsComeFromTheirNamespaceWhateverThePrefix()
    {
        const QByteArray feed = rss(" xmlns:i=\"http://www.itunes.com/dtds/podcast-1.0.dtd\" xmlns:itunes=\"urn:other\"",
                                    "<i:author>Jo</i:author><itunes:author>Not Apple's</itunes:author>",
                                    "<i:duration>754</i:duration>");
        const FeedDocument d = read(feed);
        QCOMPARE(d.channel.itunesAuthor, QStringLiteral("Jo"));
        QCOMPARE(d.episodes[0].itunesDuration, QStringLiteral("754"));
        const QByteArray written = buildFeedBytes(d, 49);
        QVERIFY(written.contains("\t<i:author>Jo</i:author>\r\n\t<itunes:author>Not Apple's</itunes:author>\r\n"));
        QVERIFY(written.contains("\t<i:duration>754</i:duration>\r\n"));
        QCOMPARE(testutil::xmlTree(written, kGenerator), testutil::xmlTree(feed, kGenerator));
    }

    // Elements the fields cannot hold, or that come twice where there is one field, go back whole.
    void oddShapesAreKeptWhole_data()
    {
        QTest::addColumn<QByteArray>("channel");
        QTest::addColumn<QString>("field"); // what the field holds afterwards
        QTest::newRow("second author") << QByteArray("<itunes:author>A</itunes:author><itunes:author>B</itunes:author>")
                                       << QStringLiteral("A");
        QTest::newRow("owner with an extra child")
            << QByteArray("<itunes:owner><itunes:name>N</itunes:name><x:y xmlns:x=\"urn:x\"/></itunes:owner>") << QString();
        QTest::newRow("category two levels deep")
            << QByteArray("<itunes:category text=\"Arts\"><itunes:category text=\"Books\"><itunes:category text=\"X\"/></itunes:category></itunes:category>")
            << QString();
        QTest::newRow("image with text") << QByteArray("<itunes:image href=\"h.jpg\">text</itunes:image>") << QString();
        QTest::newRow("extra attribute stays on the element")
            << QByteArray("<itunes:image href=\"h.jpg\" size=\"big\"/>") << QStringLiteral("h.jpg");
    }
    void oddShapesAreKeptWhole()
    {
        QFETCH(QByteArray, channel);
        QFETCH(QString, field);
        const QByteArray feed = rss(kItunes, channel);
        const FeedDocument d = read(feed);
        const Channel& c = d.channel;
        QCOMPARE(c.itunesAuthor + c.itunesOwnerName + c.itunesImage
                     + (c.itunesCategories.isEmpty() ? QString() : c.itunesCategories[0].text),
                 field);
        QCOMPARE(testutil::xmlTree(buildFeedBytes(d, 49), kGenerator), testutil::xmlTree(feed, kGenerator));
    }

    void declarationsOnlyForWhatIsWritten_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QByteArray>("rssTag");
        QTest::newRow("declared, unused") << rss(kItunes + " xmlns:media=\"http://search.yahoo.com/mrss/\"", {})
                                          << QByteArray("<rss version=\"2.0\">");
        QTest::newRow("used by a kept element") << rss(kItunes, "<itunes:summary>S</itunes:summary>")
                                                << "<rss version=\"2.0\"" + kItunes + ">";
        QTest::newRow("undeclared prefix of Apple's") << rss({}, {}, "<itunes:episode>4</itunes:episode>")
                                                      << "<rss version=\"2.0\"" + kItunes + ">";
        QTest::newRow("used by an attribute only")
            << rss(" xmlns:b=\"urn:b\"", {}, "<enclosure url=\"u\" length=\"1\" type=\"t\" b:x=\"1\"/>")
            << QByteArray("<rss version=\"2.0\" xmlns:b=\"urn:b\">");
    }
    void declarationsOnlyForWhatIsWritten()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QByteArray, rssTag);
        const QByteArray written = buildFeedBytes(read(feed), 49);
        QCOMPARE(written.mid(written.indexOf("<rss"), rssTag.size()), rssTag);
    }

    void fieldsAreWrittenInTheirPlace()
    {
        FeedDocument d;
        d.channel.itunesCategories = {{QStringLiteral("Society & Culture"), {QStringLiteral("Documentary")}}};
        d.channel.atomSelfLink = QStringLiteral("https://x.example/feed.xml");
        Episode e;
        e.title = QStringLiteral("One");
        e.source = QStringLiteral("S");
        e.itunesDuration = QStringLiteral("00:01:00");
        e.contentEncoded = QStringLiteral("<p>notes</p>");
        d.episodes = {e};
        const QByteArray written = buildFeedBytes(d, 49);
        QVERIFY(written.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rss version=\"2.0\"" + kItunes
                                   + " xmlns:atom=\"http://www.w3.org/2005/Atom\""
                                     " xmlns:content=\"http://purl.org/rss/1.0/modules/content/\">\r\n"));
        QVERIFY(written.contains("\t<link/>\r\n"
                                 "\t<itunes:category text=\"Society &amp; Culture\"><itunes:category text=\"Documentary\"/></itunes:category>\r\n"
                                 "\t<atom:link href=\"https://x.example/feed.xml\" rel=\"self\" type=\"application/rss+xml\"/>\r\n"
                                 "\t<item>\r\n"));
        QVERIFY(written.contains("\t<source>S</source>\r\n\t<itunes:duration>00:01:00</itunes:duration>\r\n"
                                 "\t<content:encoded>&lt;p&gt;notes&lt;/p&gt;</content:encoded>\r\n\t</item>\r\n"));
    }

    void unencodableKeptTextBecomesReferences()
    {
        const QByteArray feed = rss(" xmlns:x=\"urn:x\"", {},
                                    QString::fromUtf8("<x:a x:t=\"Ω\">Ω<![CDATA[Ω<b>]]></x:a>").toUtf8());
        const QByteArray written = buildFeedBytes(read(feed), 53);
        QVERIFY(!written.contains('?' + QByteArray("<")));
        QVERIFY(written.contains("<x:a x:t=\"&#937;\">&#937;<![CDATA[]]>&#937;<![CDATA[<b>]]></x:a>"));
        QCOMPARE(testutil::xmlTree(written, kGenerator), testutil::xmlTree(feed, kGenerator));
        // A name has no references: the character gives way, the feed stays readable.
        const QByteArray named = buildFeedBytes(read(rss({}, {}, QString::fromUtf8("<xΩ>1</xΩ>").toUtf8())), 53);
        QVERIFY(named.contains("<x_>1</x_>"));
    }

    void importFillsFieldsFromAtomAndRdf_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::newRow("Atom")
            << QByteArray("<feed xmlns=\"http://www.w3.org/2005/Atom\"" + kItunes + "><title>A</title>"
                          "<itunes:author>Jo</itunes:author><entry><title>E</title>"
                          "<link rel=\"enclosure\" href=\"https://x.example/1.mp3\" length=\"9\" type=\"audio/mpeg\"/>"
                          "<itunes:duration>00:10:00</itunes:duration></entry></feed>");
        QTest::newRow("RSS 1.0")
            << QByteArray("<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\""
                          + kItunes + "><channel><title>A</title><itunes:author>Jo</itunes:author><items/></channel>"
                          "<item><title>E</title><itunes:duration>00:10:00</itunes:duration></item></rdf:RDF>");
    }
    void importFillsFieldsFromAtomAndRdf()
    {
        QFETCH(QByteArray, feed);
        const FeedDocument d = read(feed);
        QCOMPARE(d.channel.itunesAuthor, QStringLiteral("Jo"));
        QCOMPARE(d.episodes.size(), 1);
        QCOMPARE(d.episodes[0].itunesDuration, QStringLiteral("00:10:00"));
        QVERIFY(d.channel.kept.isEmpty() && d.episodes[0].kept.isEmpty());
    }

    void jsonCarriesEveryField()
    {
        const FeedDocument d = read(fixtureBytes());
        FeedDocument back;
        QString error;
        QVERIFY2(feedjson::fromJson(feedjson::toJson(d), back, &error), qPrintable(error));
        QVERIFY(back.channel == d.channel);
        QVERIFY(back.episodes == d.episodes);
    }

    void jsonRefusesKeptXmlThatWouldBreakTheFeed_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("two elements") << QByteArray("{\"channel\": {\"keptElements\": [\"<a/><b/>\"]}}");
        QTest::newRow("text only") << QByteArray("{\"episodes\": [{\"keptElements\": [\"plain\"]}]}");
        QTest::newRow("unclosed") << QByteArray("{\"channel\": {\"keptElements\": [\"<a>\"]}}");
        QTest::newRow("attribute name") << QByteArray("{\"episodes\": [{\"keptAttributes\": [{\"element\": \"item\", \"name\": \"a b\", \"value\": \"\"}]}]}");
        QTest::newRow("prefix") << QByteArray("{\"channel\": {\"namespaces\": [{\"prefix\": \"a:b\", \"uri\": \"u\"}]}}");
        QTest::newRow("person not an object") << QByteArray("{\"channel\": {\"podcastPersons\": [\"Jo\"]}}");
    }
    void jsonRefusesKeptXmlThatWouldBreakTheFeed()
    {
        QFETCH(QByteArray, json);
        FeedDocument d;
        QString error;
        QVERIFY(!feedjson::fromJson(json, d, &error));
        QVERIFY(!error.isEmpty());
    }

    void podcastGuid_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("guid");
        // The namespace's own example.
        QTest::newRow("example") << QStringLiteral("https://mp3s.nashownotes.com/pc20rss.xml")
                                 << QStringLiteral("917393e3-1b1e-5cef-ace4-edaa54e1f810");
        QTest::newRow("scheme and trailing slashes do not count")
            << QStringLiteral("http://mp3s.nashownotes.com/pc20rss.xml//")
            << QStringLiteral("917393e3-1b1e-5cef-ace4-edaa54e1f810");
        QTest::newRow("nothing left") << QStringLiteral("https://") << QString();
    }
    void podcastGuid()
    {
        QFETCH(QString, url);
        QFETCH(QString, guid);
        QCOMPARE(dirvalues::podcastGuidForFeedUrl(url), guid);
    }

    void feedUrlGivesTheGuidOnce()
    {
        Channel c;
        dirvalues::setFeedUrl(c, QStringLiteral("https://mp3s.nashownotes.com/pc20rss.xml"));
        QCOMPARE(c.podcastGuid, QStringLiteral("917393e3-1b1e-5cef-ace4-edaa54e1f810"));
        dirvalues::setFeedUrl(c, QStringLiteral("https://elsewhere.example/feed"));
        QCOMPARE(c.atomSelfLink, QStringLiteral("https://elsewhere.example/feed"));
        QCOMPARE(c.podcastGuid, QStringLiteral("917393e3-1b1e-5cef-ace4-edaa54e1f810"));
    }

    void durations_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("3725.4 s") << 3725.4 << QStringLiteral("01:02:05");
        QTest::newRow("rounds up") << 59.5 << QStringLiteral("00:01:00");
        QTest::newRow("past 99 hours") << 360000.0 << QStringLiteral("100:00:00");
        QTest::newRow("unknown") << -1.0 << QString();
    }
    void durations()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(dirvalues::formatItunesDuration(seconds), text);
        if (!text.isEmpty())
            QCOMPARE(dirvalues::parseItunesDuration(text), qint64(std::llround(seconds)));
    }

    void checks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("good");
        QTest::newRow("e-mail") << "email" << "ann@birds.example" << true;
        QTest::newRow("e-mail without domain") << "email" << "ann@birds" << false;
        QTest::newRow("e-mail with blank") << "email" << "ann @birds.example" << false;
        QTest::newRow("episode number") << "whole" << "12" << true;
        QTest::newRow("episode with letters") << "whole" << "12a" << false;
        QTest::newRow("negative") << "whole" << "-1" << false;
        QTest::newRow("fraction") << "number" << "1.5" << true;
        QTest::newRow("image") << "image" << "https://x.example/a.PNG?v=2" << true;
        QTest::newRow("image gif") << "image" << "https://x.example/a.gif" << false;
        QTest::newRow("image ftp") << "image" << "ftp://x.example/a.jpg" << false;
        QTest::newRow("duration MM:SS") << "duration" << "12:34" << true;
        QTest::newRow("duration 61 s in MM:SS") << "duration" << "1:61" << false;
        QTest::newRow("explicit yes") << "explicit" << "yes" << false;
        QTest::newRow("uuid") << "uuid" << "917393e3-1b1e-5cef-ace4-edaa54e1f810" << true;
        QTest::newRow("category") << "category" << "Science/Nature" << true;
        QTest::newRow("category of another") << "category" << "Arts/Nature" << false;
        QTest::newRow("not Apple's") << "category" << "Podcasting/" << false;
        QTest::newRow("empty is fine") << "email" << "" << true;
    }
    void checks()
    {
        QFETCH(QString, kind);
        QFETCH(QString, value);
        QFETCH(bool, good);
        QString reason;
        if (kind == QLatin1String("email"))
            reason = dirvalues::checkEmail(value);
        else if (kind == QLatin1String("whole"))
            reason = dirvalues::checkWholeNumber(value);
        else if (kind == QLatin1String("number"))
            reason = dirvalues::checkNumber(value);
        else if (kind == QLatin1String("image"))
            reason = dirvalues::checkImageUrl(value);
        else if (kind == QLatin1String("duration"))
            reason = dirvalues::checkDuration(value);
        else if (kind == QLatin1String("explicit"))
            reason = dirvalues::checkTrueFalse(value);
        else if (kind == QLatin1String("uuid"))
            reason = dirvalues::checkUuid(value);
        else
            reason = dirvalues::checkCategory(value.section(QLatin1Char('/'), 0, 0), value.section(QLatin1Char('/'), 1));
        QCOMPARE(reason.isEmpty(), good);
    }

    void appleListHasEveryTopCategory()
    {
        QCOMPARE(applecategories::all().size(), size_t(19));
        QVERIFY(applecategories::isSubcategory(QStringLiteral("Comedy"), QStringLiteral("Stand-Up")));
        QVERIFY(!applecategories::find(QStringLiteral("science")));
    }
};

QTEST_GUILESS_MAIN(TestDirectories)
#include "tst_directories.moc"
