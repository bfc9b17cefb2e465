#include "feed/CharsetTable.h"
#include "feed/FeedWriter.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray kGenerator = "\t<generator>Velmora https://velmora.example/</generator>\r\n";

QString fixture(const char* name)
{
    return QStringLiteral(VELMORA_TEST_DATA "/feed/") + QLatin1String(name);
}

FeedDocument fullChannel()
{
    FeedDocument d;
    Channel& c = d.channel;
    c.title = QStringLiteral("Tom & Jerry's <Show>");
    c.link = QStringLiteral("https://example.org/?a=1&b=2");
    c.description = QStringLiteral("Line one\r\nLine two");
    c.language = QStringLiteral("en");
    c.copyright = QStringLiteral("(c) 2026");
    c.managingEditor = QStringLiteral("ed@example.org");
    c.webMaster = QStringLiteral("web@example.org");
    c.pubDate = QStringLiteral("3 Dec 2026 21:57:19 GMT");
    c.category = QStringLiteral("Comedy");
    c.categoryDomain = QStringLiteral("https://cat.example/\"x\"");
    c.docs = QStringLiteral("https://www.rssboard.org/rss-specification");
    c.ttl = QStringLiteral("sixty");
    c.skipDays[0] = c.skipDays[6] = true;
    c.skipHours[0] = c.skipHours[23] = true;
    c.imageUrl = QStringLiteral("https://example.org/logo.gif");
    c.imageTitle = QStringLiteral("Logo");
    c.imageLink = QStringLiteral("https://example.org/");
    c.imageDescription = QStringLiteral("Our logo");
    c.imageFile = fixture("channel-144x100.gif");
    c.styleSheetHref = QStringLiteral("feed.xsl");
    c.styleSheetType = 0;
    c.styleSheetMedia = 3;
    return d;
}

} // namespace

class TestFeedWriter : public QObject {
    Q_OBJECT
private slots:
    void emptyDocument()
    {
        const QByteArray bytes = buildFeedBytes(FeedDocument(), 53);
        QCOMPARE(bytes, QByteArray("<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"
                                   "<rss version=\"2.0\">\r\n\t<channel>\r\n"
                                   + kGenerator +
                                   "\t<title/>\r\n\t<description/>\r\n\t<link/>\r\n"
                                   "\t</channel></rss>"));
    }

    void fullChannelLayout()
    {
        const QByteArray bytes = buildFeedBytes(fullChannel(), 49);
        QCOMPARE(bytes, QByteArray(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<?xml-stylesheet href=\"feed.xsl\" type=\"text/xsl\" media=\"handheld\"?>\r\n"
            "<rss version=\"2.0\">\r\n\t<channel>\r\n" + kGenerator +
            "\t<pubDate>3 Dec 2026 21:57:19 GMT</pubDate>\r\n"
            "\t<title>Tom &amp; Jerry's &lt;Show&gt;</title>\r\n"
            "\t<description>Line one\r\nLine two</description>\r\n"
            "\t<link>https://example.org/?a=1&amp;b=2</link>\r\n"
            "\t<copyright>(c) 2026</copyright>\r\n"
            "\t<managingEditor>ed@example.org</managingEditor>\r\n"
            "\t<category domain=\"https://cat.example/&quot;x&quot;\">Comedy</category>\r\n"
            "\t<docs>https://www.rssboard.org/rss-specification</docs>\r\n"
            "\t<ttl>sixty</ttl>\r\n"
            "\t<language>en</language>\r\n"
            "\t<webMaster>web@example.org</webMaster>\r\n"
            "\t<skipDays><day>Sunday</day><day>Saturday</day></skipDays>\r\n"
            "\t<skipHours><hour>0</hour><hour>23</hour></skipHours>\r\n"
            "\t<image>\r\n"
            "\t<url>https://example.org/logo.gif</url>\r\n"
            "\t<link>https://example.org/</link>\r\n"
            "\t<description>Our logo</description>\r\n"
            "\t<title>Logo</title>\r\n"
            "\t<width>144</width>\r\n"
            "\t<height>100</height>\r\n"
            "\t</image>\r\n"
            "\t</channel></rss>"));
    }

    void episodeVariants()
    {
        FeedDocument d;
        Episode full;
        full.title = QStringLiteral("One");
        full.description = QStringLiteral("About <b>one</b>");
        full.pubDate = QStringLiteral("1 Jan 2027 00:00:00 GMT");
        full.link = QStringLiteral("https://example.org/1");
        full.author = QStringLiteral("me@example.org");
        full.category = QStringLiteral("Talk");
        full.comments = QStringLiteral("https://example.org/1#c");
        full.enclosureUrl = QStringLiteral("https://example.org/1.mp3");
        full.enclosureLength = QStringLiteral("1234");
        full.enclosureType = QStringLiteral("audio/mpeg");
        full.enclosureFile = QStringLiteral("/home/me/1.mp3");
        full.guid = QStringLiteral("https://example.org/1");
        full.guidIsPermaLink = true;
        full.source = QStringLiteral("Elsewhere");
        full.sourceUrl = QStringLiteral("https://elsewhere.example/feed");
        Episode sparse;
        sparse.enclosureUrl = QStringLiteral("a b.mp3");
        sparse.guid = QStringLiteral("X");
        sparse.categoryDomain = QStringLiteral("d");
        sparse.sourceUrl = QStringLiteral("s");
        Episode plain;
        plain.source = QStringLiteral("Plain source");
        plain.category = QStringLiteral("Plain");
        d.episodes = {full, sparse, plain, Episode()};
        const QByteArray bytes = buildFeedBytes(d, 49);
        const qsizetype firstItem = bytes.indexOf("\t<item>");
        QCOMPARE(bytes.mid(firstItem), QByteArray(
            "\t<item>\r\n"
            "\t<title>One</title>\r\n"
            "\t<description>About &lt;b&gt;one&lt;/b&gt;</description>\r\n"
            "\t<pubDate>1 Jan 2027 00:00:00 GMT</pubDate>\r\n"
            "\t<link>https://example.org/1</link>\r\n"
            "\t<author>me@example.org</author>\r\n"
            "\t<category>Talk</category>\r\n"
            "\t<comments>https://example.org/1#c</comments>\r\n"
            "\t<enclosure url=\"https://example.org/1.mp3\" length=\"1234\" type=\"audio/mpeg\"/>\r\n"
            "\t<guid isPermaLink=\"true\">https://example.org/1</guid>\r\n"
            "\t<source url=\"https://elsewhere.example/feed\">Elsewhere</source>\r\n"
            "\t</item>\r\n"
            "\t<item>\r\n"
            "\t<category domain=\"d\"/>\r\n"
            "\t<enclosure url=\"a b.mp3\" length=\"\" type=\"\"/>\r\n"
            "\t<guid isPermaLink=\"false\">X</guid>\r\n"
            "\t<source url=\"s\"/>\r\n"
            "\t</item>\r\n"
            "\t<item>\r\n"
            "\t<category>Plain</category>\r\n"
            "\t<source>Plain source</source>\r\n"
            "\t</item>\r\n"
            "\t<item>\r\n"
            "\t</item>\r\n"
            "\t</channel></rss>"));
        QVERIFY(!bytes.contains("/home/me"));
    }

    void imageRules()
    {
        FeedDocument d = fullChannel();
        // The picture loaded in the program wins over the file on disk.
        QVERIFY(buildFeedBytes(d, 49, QSize(120, 60)).contains("\t<width>120</width>\r\n\t<height>60</height>\r\n"));
        d.channel.imageFile = fixture("channel-88x31.jpg");
        QVERIFY(buildFeedBytes(d, 49).contains("\t<width>88</width>\r\n\t<height>31</height>\r\n"));
        // Unknown size: no width and height rather than zeros.
        d.channel.imageFile = fixture("missing.png");
        QVERIFY(!buildFeedBytes(d, 49).contains("<width>"));
        d.channel.imageFile.clear();
        QVERIFY(!buildFeedBytes(d, 49, QSize(1, 1)).contains("<width>"));
        // No URL, no image block, whatever else is set.
        d.channel.imageUrl.clear();
        d.channel.imageFile = fixture("channel-88x31.jpg");
        QVERIFY(!buildFeedBytes(d, 49).contains("<image>"));
    }

    void styleSheetVariants()
    {
        FeedDocument d;
        d.channel.styleSheetHref = QString::fromUtf8("a&b Ω.css");
        d.channel.styleSheetType = 1;
        d.channel.styleSheetMedia = 5;
        const QByteArray bytes = buildFeedBytes(d, 53);
        QVERIFY(bytes.contains("\r\n<?xml-stylesheet href=\"a&b ?.css\" type=\"text/css\" media=\"tv\"?>\r\n<rss"));
        // Whatever the href holds, the instruction ends where the writer ends it.
        d.channel.styleSheetHref = QStringLiteral("x?>\"<y>\r\n");
        QVERIFY(buildFeedBytes(d, 53).contains("<?xml-stylesheet href=\"x?%3E%22%3Cy%3E%0D%0A\" type="));
    }

    void declarationSpellsTheTableName()
    {
        for (int index : {3, 33, 47, 52}) {
            const QString text = buildFeedText(FeedDocument(), index);
            QVERIFY(text.startsWith(QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\r\n")
                                        .arg(QLatin1String(charsets::table()[index].charsetName))));
            QVERIFY(text.endsWith(QLatin1String("</channel></rss>\r\n")));
        }
    }

    void textXmlCannotHoldIsDropped()
    {
        FeedDocument d;
        d.channel.title = QStringLiteral("a") + QChar(0x01) + QChar(0x0B) + QStringLiteral("b\tc")
            + QChar(0xD800) + QChar(0xFFFF);
        d.channel.link = QStringLiteral("x") + QChar(0x1F) ;
        Episode e;
        e.enclosureUrl = QStringLiteral("u\r\n") + QChar(0x02);
        d.episodes.append(e);
        const QByteArray bytes = buildFeedBytes(d, 49);
        QVERIFY(bytes.contains("<title>ab\tc</title>"));
        QVERIFY(bytes.contains("<link>x</link>"));
        QVERIFY(bytes.contains("url=\"u&#13;&#10;\""));
    }

    void writesAtomically()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("feed.rss"));
        FakePrompts prompts;
        FeedDocument d = fullChannel();
        const FeedWriteResult ok = writeFeedFile(path, d, 53, prompts);
        QVERIFY2(ok.ok, qPrintable(ok.error));
        QCOMPARE(testutil::readFile(path), buildFeedBytes(d, 53));
        QVERIFY(prompts.messages.isEmpty());

        // A folder in the way: the write fails with a reason and leaves nothing behind.
        const FeedWriteResult bad = writeFeedFile(dir.path(), d, 53, prompts);
        QVERIFY(!bad.ok);
        QVERIFY(!bad.error.isEmpty());
        QVERIFY(prompts.messages.isEmpty());
    }

    void encodingFailureKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("feed.rss"));
        QVERIFY(testutil::writeFile(path, "old feed"));
        FakePrompts prompts;
        const FeedWriteResult r = writeEncodedFeed(path, QByteArray(), prompts);
        QVERIFY(!r.ok);
        QVERIFY(r.encodingFailed);
        QCOMPARE(testutil::readFile(path), QByteArray("old feed"));
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].text,
                 QStringLiteral("XML Error. Please contact the developers at 'support@velmora.example'"));
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Critical);
        // Indexes outside the table write the default entry rather than nothing.
        QVERIFY(writeFeedFile(path, FeedDocument(), -7, prompts).ok);
        QVERIFY(testutil::readFile(path).startsWith("<?xml version=\"1.0\" encoding=\"Windows-1252\"?>"));
    }
};

QTEST_GUILESS_MAIN(TestFeedWriter)
#include "tst_feedwriter.moc"
