#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"
#include "feed/FeedReader.h"
#include "feed/FeedWriter.h"
#include "support/FakePrompts.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

QString fixture(const char* name)
{
    return QStringLiteral(VELMORA_TEST_DATA "/feed/") + QLatin1String(name);
}

FeedDocument readFixture(const char* name)
{
    const FeedFileText file = readFeedFile(fixture(name));
    FeedDocument d;
    readFeed(file.text, d);
    return d;
}

FeedDocument read(const QString& text)
{
    FeedDocument d;
    readFeed(text, d);
    return d;
}

QString rss(const QString& channelContent)
{
    return QStringLiteral("<rss version=\"2.0\"><channel>") + channelContent
        + QStringLiteral("</channel></rss>");
}

// A document that sets every field the feed carries.
FeedDocument everyField()
{
    FeedDocument d;
    Channel& c = d.channel;
    c.title = QString::fromUtf8("Ωmega & <Friends> “quoted”");
    c.link = QStringLiteral("https://example.org/?a=1&b=2");
    c.description = QStringLiteral("Line one\r\nLine two\r\n\r\n  indented &copy; &amp;");
    c.language = QStringLiteral("de");
    c.copyright = QStringLiteral("2026");
    c.managingEditor = QStringLiteral("ed@example.org");
    c.webMaster = QStringLiteral("web@example.org");
    c.pubDate = QStringLiteral("3 Dec 2026 21:57:19 GMT");
    c.category = QStringLiteral("Arts");
    c.categoryDomain = QStringLiteral("https://cat.example/?x=\"1\"");
    c.docs = QStringLiteral("https://www.rssboard.org/rss-specification");
    c.ttl = QStringLiteral("60");
    c.skipDays = {true, false, true, false, false, false, true};
    c.skipHours[0] = c.skipHours[7] = c.skipHours[23] = true;
    c.imageUrl = QStringLiteral("https://example.org/logo.gif");
    c.imageTitle = QStringLiteral("Logo");
    c.imageLink = QStringLiteral("https://example.org/");
    c.imageDescription = QStringLiteral("Our logo");
    c.styleSheetHref = QStringLiteral("/media/feed.css");
    c.styleSheetType = 1;
    c.styleSheetMedia = 2;
    for (int i = 0; i < 3; ++i) {
        Episode e;
        e.title = QStringLiteral("Episode %1 \u00e9\u4e2d").arg(i);
        e.link = QStringLiteral("https://example.org/%1").arg(i);
        e.description = QStringLiteral("<p>Notes</p>\r\nmore\ttabs &nbsp;");
        e.pubDate = QStringLiteral("1 Jan 2027 00:00:00 GMT");
        e.author = QStringLiteral("me@example.org");
        e.category = i == 1 ? QString() : QStringLiteral("Talk");
        e.categoryDomain = i == 0 ? QString() : QStringLiteral("dom");
        e.guid = QStringLiteral("GUID-%1").arg(i);
        e.guidIsPermaLink = i == 2;
        e.source = i == 1 ? QString() : QStringLiteral("Src");
        e.sourceUrl = i == 0 ? QString() : QStringLiteral("https://src.example/?a&b");
        e.enclosureUrl = QStringLiteral("https://example.org/%1.mp3").arg(i);
        e.enclosureLength = i == 1 ? QString() : QStringLiteral("1234");
        e.enclosureType = QStringLiteral("audio/mpeg");
        e.comments = QStringLiteral("https://example.org/%1#comments").arg(i);
        d.episodes.append(e);
    }
    return d;
}

} // namespace

class TestFeedReader : public QObject {
    Q_OBJECT
private slots:
    void roundTripsAreByteIdentical_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::newRow("UTF-8") << 49;
        QTest::newRow("Windows-1252") << 53;
        QTest::newRow("UTF-16") << 48;
        QTest::newRow("Shift_JIS") << 33;
        QTest::newRow("ISO-2022-JP") << 32;
        QTest::newRow("UTF-7") << 50;
        QTest::newRow("HZ-GB-2312") << 14;
    }
    void roundTripsAreByteIdentical()
    {
        QFETCH(int, encoding);
        const FeedDocument original = everyField();
        const QByteArray first = buildFeedBytes(original, encoding);
        const FeedFileText text = feedTextFromBytes(first);
        QCOMPARE(detectDeclaredEncoding(text.text), encoding);
        FeedDocument back;
        QVERIFY(readFeed(text.text, back));
        QVERIFY(back.channel == original.channel);
        QCOMPARE(back.episodes.size(), original.episodes.size());
        for (qsizetype i = 0; i < back.episodes.size(); ++i)
            QVERIFY2(back.episodes[i] == original.episodes[i], qPrintable(QString::number(i)));
        QCOMPARE(buildFeedBytes(back, encoding), first);
    }

    // A writer that escaped CR would make the reader's line-feed rule add one on every save.
    void lineBreaksDoNotDrift()
    {
        FeedDocument d;
        d.channel.description = QStringLiteral("a\r\nb\nc\rd");
        Episode e;
        e.description = QStringLiteral("x\r\ny");
        d.episodes.append(e);
        const QByteArray once = buildFeedBytes(read(decodeFeedText(buildFeedBytes(d, 49))), 49);
        const QByteArray twice = buildFeedBytes(read(decodeFeedText(once)), 49);
        QCOMPARE(twice, once);
        QVERIFY(once.contains("<description>a\r\nb\r\nc\r\nd</description>"));
        QVERIFY(once.contains("<description>x\r\ny</description>"));
    }

    void realWorldShapes()
    {
        const FeedDocument d = readFixture("realworld.rss");
        QVERIFY(!d.loadFailed);
        const Channel& c = d.channel;
        QCOMPARE(c.title, QString::fromUtf8("Café & Friends\u00a0Show"));
        QCOMPARE(c.link, QStringLiteral("https://example.org/"));
        // CDATA keeps its references as written; its line feed becomes CR LF.
        QCOMPARE(c.description, QStringLiteral("<p>Weekly &mdash; talk</p>\r\nsecond line"));
        QCOMPARE(c.language, QStringLiteral("fr"));
        QCOMPARE(c.copyright, QStringLiteral("late copyright"));
        QCOMPARE(c.category, QStringLiteral("Arts"));
        QCOMPARE(c.categoryDomain, QStringLiteral("https://cat.example/"));
        QCOMPARE(c.styleSheetHref, QStringLiteral("/media/style.css"));
        QCOMPARE(c.styleSheetType, 1);
        QCOMPARE(c.styleSheetMedia, 1);
        QCOMPARE(c.imageUrl, QStringLiteral("https://example.org/logo.png"));
        QCOMPARE(c.imageTitle, QStringLiteral("Logo"));
        QCOMPARE(c.imageFile, QStringLiteral("/tmp/logo.png"));
        QVERIFY(c.skipHours[7] && c.skipHours[8]);
        QCOMPARE(std::count(c.skipHours.begin(), c.skipHours.end(), true), 2);
        QVERIFY(c.skipDays[1]);
        QCOMPARE(std::count(c.skipDays.begin(), c.skipDays.end(), true), 1);

        QCOMPARE(d.episodes.size(), 2);
        const Episode& e = d.episodes[0];
        // Declared entities are never expanded, external ones never loaded; unknown names
        // stay literal, and an escaped ampersand stays an ampersand.
        QCOMPARE(e.title, QString::fromUtf8("Épisode 1 &sig; &xxe; &unknownentity; &nbsp;"));
        QCOMPARE(e.description, QStringLiteral("Show notes &eacute; <b>bold</b>"));
        QCOMPARE(e.enclosureUrl, QStringLiteral("https://example.org/1.mp3?a=1&b=2"));
        QCOMPARE(e.enclosureLength, QStringLiteral("12345"));
        QCOMPARE(e.enclosureType, QStringLiteral("audio/mpeg"));
        QVERIFY(e.guidIsPermaLink);
        QCOMPARE(e.category, QStringLiteral("News"));
        QVERIFY(e.categoryDomain.isEmpty()); // the first attribute is not domain
        QCOMPARE(e.pubDate, QStringLiteral("Thu, 03 Dec 2026 21:57:19 GMT"));
        const Episode& second = d.episodes[1];
        QCOMPARE(second.guid, QStringLiteral("g2"));
        QVERIFY(!second.guidIsPermaLink);
        QCOMPARE(second.sourceUrl, QStringLiteral("https://src.example/"));
    }

    void olderAndOtherFormats()
    {
        const FeedDocument old = readFixture("rss091.xml");
        QVERIFY(!old.loadFailed);
        QCOMPARE(old.channel.title, QStringLiteral("Old News"));
        QCOMPARE(old.channel.description, QString::fromUtf8("News for nérds"));
        QCOMPARE(old.episodes.size(), 2);
        QCOMPARE(old.episodes[1].link, QStringLiteral("http://example.com/2"));
        QCOMPARE(readFixture("latin1.rss").channel.title, QString::fromUtf8("Café"));
        // RDF: channel fields only (its items are not children of channel).
        const FeedDocument rdf = readFixture("rdf.xml");
        QCOMPARE(rdf.channel.title, QStringLiteral("RDF Show"));
        QVERIFY(rdf.episodes.isEmpty());
        const FeedDocument atom = readFixture("atom.xml");
        QVERIFY(!atom.loadFailed);
        QVERIFY(atom.channel.title.isEmpty());
    }

    void importsAtomAndRdf()
    {
        FeedDocument atom;
        QCOMPARE(importFeed(readFeedFile(fixture("atom.xml")).text, atom), FeedType::Atom);
        QCOMPARE(atom.channel.title, QStringLiteral("Atom Show"));
        QCOMPARE(atom.channel.link, QStringLiteral("https://atom.example/")); // rel="alternate", not self
        QCOMPARE(atom.channel.pubDate, QStringLiteral("3 Dec 2026 21:57:19 GMT"));
        QCOMPARE(atom.episodes.size(), 2);
        QCOMPARE(atom.episodes[0].description, QStringLiteral("Short summary")); // summary before content
        QCOMPARE(atom.episodes[0].pubDate, QStringLiteral("1 Dec 2026 09:00:00 GMT")); // published, in GMT
        QCOMPARE(atom.episodes[1].description, QStringLiteral("<p>Only content</p>"));
        QCOMPARE(atom.episodes[1].pubDate, QStringLiteral("2 Dec 2026 10:00:00 GMT")); // else updated

        // XHTML content keeps its markup, as HTML descriptions do; an empty summary is skipped.
        FeedDocument xhtml;
        QCOMPARE(importFeed(QStringLiteral(
                     "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><summary type=\"xhtml\"> </summary>"
                     "<content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">\n<p>Notes <b>bold</b>"
                     " &amp; <a href=\"https://a.example/?x=1&amp;y=2\">link</a></p>\n</div></content></entry></feed>"),
                            xhtml),
                 FeedType::Atom);
        QCOMPARE(xhtml.episodes.at(0).description,
                 QStringLiteral("<p>Notes <b>bold</b> &amp; <a href=\"https://a.example/?x=1&amp;y=2\">link</a></p>"));

        // The feed's language: Atom's xml:lang, RSS 1.0's Dublin Core language (and date).
        FeedDocument lang;
        QCOMPARE(importFeed(QStringLiteral("<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:lang=\"de\"><title>T</title></feed>"), lang),
                 FeedType::Atom);
        QCOMPARE(lang.channel.language, QStringLiteral("de"));
        FeedDocument keeps; // a document's own language stays when the feed names none
        keeps.channel.language = QStringLiteral("en");
        QCOMPARE(importFeed(QStringLiteral("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T</title></feed>"), keeps),
                 FeedType::Atom);
        QCOMPARE(keeps.channel.language, QStringLiteral("en"));
        FeedDocument dc;
        dc.channel.language = QStringLiteral("en");
        QCOMPARE(importFeed(QStringLiteral(
                     "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\""
                     " xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel><title>R</title><dc:language>fr</dc:language>"
                     "<dc:date>2024-01-01T12:00:00+01:00</dc:date></channel></rdf:RDF>"), dc),
                 FeedType::Rdf);
        QCOMPARE(dc.channel.language, QStringLiteral("fr"));
        QCOMPARE(dc.channel.pubDate, QStringLiteral("1 Jan 2024 11:00:00 GMT"));

        FeedDocument old;
        QCOMPARE(importFeed(QStringLiteral("<feed version=\"0.3\" xmlns=\"http://purl.org/atom/ns#\"><title>T</title>"
                                           "<tagline>Tag\nline</tagline><modified>2004-01-02T03:04:05-01:00</modified>"
                                           "<entry><title>E</title><link rel=\"alternate\" href=\"h\"/>"
                                           "<issued>2004-01-01T00:00:00Z</issued></entry></feed>"), old),
                 FeedType::Atom);
        QCOMPARE(old.channel.description, QStringLiteral("Tag\r\nline"));
        QCOMPARE(old.channel.pubDate, QStringLiteral("2 Jan 2004 04:04:05 GMT"));
        QCOMPARE(old.episodes.at(0).link, QStringLiteral("h"));
        QCOMPARE(old.episodes.at(0).pubDate, QStringLiteral("1 Jan 2004 00:00:00 GMT"));

        FeedDocument rdf;
        QCOMPARE(importFeed(readFeedFile(fixture("rdf.xml")).text, rdf), FeedType::Rdf);
        QCOMPARE(rdf.channel.description, QStringLiteral("Resource description"));
        QCOMPARE(rdf.episodes.size(), 1);
        QCOMPARE(rdf.episodes[0].link, QStringLiteral("https://rdf.example/1"));

        // RSS goes through the reader unchanged; non-feeds and broken text are refused.
        FeedDocument other;
        QCOMPARE(importFeed(QStringLiteral("<html/>"), other), FeedType::NotXml);
        QVERIFY(!other.loadFailed);
        QCOMPARE(importFeed(QStringLiteral("<feed"), other), FeedType::NotXml);
        QVERIFY(other.loadFailed);
        QCOMPARE(isoDateToFeedDate(QStringLiteral("2026-03-29T01:30:00.250+05:30")), QStringLiteral("28 Mar 2026 20:00:00 GMT"));
        QCOMPARE(isoDateToFeedDate(QStringLiteral("yesterday")), QString());
    }

    void fieldRules()
    {
        FeedDocument d = read(rss(QStringLiteral(
            "<description>a\nb</description>"
            "<category other=\"o\" domain=\"d\">Cat</category>"
            "<item><enclosure type=\"t\" url=\"u\" length=\"9\"/><guid isPermaLink=\"False\">g</guid>"
            "<category domain=\"d1\">c1</category><category domain=\"d2\">c2</category></item>")));
        QCOMPARE(d.channel.description, QStringLiteral("a\r\nb"));
        QCOMPARE(d.channel.category, QStringLiteral("Cat"));
        QVERIFY(d.channel.categoryDomain.isEmpty());
        const Episode& e = d.episodes.at(0);
        QCOMPARE(e.enclosureUrl + e.enclosureLength + e.enclosureType, QStringLiteral("u9t"));
        // The first of two categories is the episode's; the second goes back after the fields,
        // so that saving again keeps the same one.
        QCOMPARE(e.category + e.categoryDomain, QStringLiteral("c1d1"));
        QCOMPARE(e.kept.elements, QStringList{QStringLiteral("<category domain=\"d2\">c2</category>")});

        // The text of a node is all the text inside it.
        d = read(rss(QStringLiteral("<title>a<b>b<i>c</i></b>d</title>")));
        QCOMPARE(d.channel.title, QStringLiteral("abcd"));
        // Only the first channel's children are walked; field patterns search everywhere.
        d = read(QStringLiteral("<x><y><channel><item/></channel></y><channel><title>T</title><item/><item/></channel></x>"));
        QCOMPARE(d.episodes.size(), 1);
        QCOMPARE(d.channel.title, QStringLiteral("T"));
        // "The first title of any channel" is the first in document order, nested or not.
        d = read(QStringLiteral("<x><channel><item><channel><title>inner</title></channel></item>"
                                "<link>L1</link></channel><channel><title>second</title><link>L2</link></channel></x>"));
        QCOMPARE(d.channel.title, QStringLiteral("inner"));
        QCOMPARE(d.channel.link, QStringLiteral("L1"));
    }

    void readingDoesNotClear()
    {
        FeedDocument d;
        d.channel.title = QStringLiteral("kept");
        d.channel.ttl = QStringLiteral("5");
        d.channel.skipDays[0] = true;
        d.episodes.append(Episode());
        QVERIFY(readFeed(rss(QStringLiteral("<ttl>10</ttl><skipDays><day>Friday</day></skipDays><item/>")), d));
        QCOMPARE(d.channel.title, QStringLiteral("kept"));
        QCOMPARE(d.channel.ttl, QStringLiteral("10"));
        QVERIFY(d.channel.skipDays[0] && d.channel.skipDays[5]);
        QCOMPARE(d.episodes.size(), 2);
    }

    void styleSheetFromRawText_data()
    {
        QTest::addColumn<QString>("instruction");
        QTest::addColumn<QString>("href");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("media");
        QTest::newRow("double quotes") << "<?xml-stylesheet href=\"a.xsl\" type=\"text/xsl\" media=\"print\"?>" << "a.xsl" << 0 << 2;
        QTest::newRow("single quotes") << "<?xml-stylesheet href='a.css' type='text/css' media='tv'?>" << "a.css" << 1 << 5;
        QTest::newRow("unknown media") << "<?xml-stylesheet href=\"a.css\" type=\"text/css\" media=\"aural\"?>" << "a.css" << 1 << 0;
        QTest::newRow("upper-case target") << "<?XML-STYLESHEET HREF=\" x.xsl \"?>" << "x.xsl" << 0 << 0;
        QTest::newRow("names inside values") << "<?xml-stylesheet href=\"/media/type.xsl\" media=\"print\"?>" << "/media/type.xsl" << 0 << 2;
        QTest::newRow("no href") << "<?xml-stylesheet type=\"text/css\" media=\"tv\"?>" << "" << 0 << 0;
        QTest::newRow("none") << "" << "" << 0 << 0;
    }
    void styleSheetFromRawText()
    {
        QFETCH(QString, instruction);
        QFETCH(QString, href);
        QFETCH(int, type);
        QFETCH(int, media);
        FeedDocument d;
        d.channel.styleSheetHref = QStringLiteral("old");
        d.channel.styleSheetMedia = 4;
        QVERIFY(readFeed(instruction + rss(QString()), d));
        QCOMPARE(d.channel.styleSheetHref, href);
        QCOMPARE(d.channel.styleSheetType, type);
        QCOMPARE(d.channel.styleSheetMedia, media);
    }

    void notWellFormed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("unclosed") << "<rss><channel>";
        QTest::newRow("mismatched") << "<rss></channel>";
        QTest::newRow("two roots") << "<a/><b/>";
        QTest::newRow("text after root") << "<a/>tail";
        QTest::newRow("only text") << "hello";
        QTest::newRow("byte-order mark only") << QString(QChar(0xFEFF));
    }
    void notWellFormed()
    {
        QFETCH(QString, text);
        FeedDocument d;
        d.channel.title = QStringLiteral("untouched");
        QVERIFY(!readFeed(text, d));
        QVERIFY(d.loadFailed);
        QCOMPARE(d.channel.title, QStringLiteral("untouched"));
        QVERIFY(readFeed(QStringLiteral("<a/>"), d));
        QVERIFY(!d.loadFailed);
    }

    void eventsRunBetweenChildrenCheaply()
    {
        QString items;
        for (int i = 0; i < 1000; ++i)
            items += QStringLiteral("<item><title>%1</title></item>").arg(i);
        FakePrompts prompts;
        FeedDocument d;
        int seenEpisodes = -1;
        prompts.onProcessEvents = [&] { seenEpisodes = int(d.episodes.size()); };
        QVERIFY(readFeed(rss(items), d, &prompts));
        QCOMPARE(d.episodes.size(), 1000);
        QCOMPARE(d.episodes[999].title, QStringLiteral("999"));
        QVERIFY(prompts.processEventsCalls >= 4 && prompts.processEventsCalls <= 20);
        QVERIFY(seenEpisodes > 0 && seenEpisodes < 1000); // events ran while the walk went on
    }

    void detectsFeedTypes()
    {
        QCOMPARE(detectFeedType(readFeedFile(fixture("realworld.rss")).text), FeedType::Rss);
        QCOMPARE(detectFeedType(readFeedFile(fixture("rss091.xml")).text), FeedType::Rss);
        QCOMPARE(detectFeedType(readFeedFile(fixture("atom.xml")).text), FeedType::Atom);
        QCOMPARE(detectFeedType(readFeedFile(fixture("atom03.xml")).text), FeedType::Atom);
        QCOMPARE(detectFeedType(readFeedFile(fixture("rdf.xml")).text), FeedType::Rdf);
        QCOMPARE(detectFeedType(QStringLiteral("<feed xmlns=\"HTTP://WWW.W3.ORG/2005/ATOM\"/>")), FeedType::Atom);
        QCOMPARE(detectFeedType(QStringLiteral("<feed xmlns=\"urn:other\"/>")), FeedType::NotXml);
        QCOMPARE(detectFeedType(QStringLiteral("<html><body/></html>")), FeedType::NotXml);
        QCOMPARE(detectFeedType(QStringLiteral("<rss>")), FeedType::NotXml);
        FeedType type = FeedType::NotXml;
        FeedDocument d;
        QVERIFY(readFeed(readFeedFile(fixture("atom.xml")).text, d, nullptr, &type));
        QCOMPARE(type, FeedType::Atom);
    }

    void stripsDocumentType_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stripped");
        QTest::newRow("none") << "<rss/>" << "<rss/>";
        QTest::newRow("public") << "<?xml version=\"1.0\"?><!DOCTYPE rss PUBLIC \"-//x\" \"y.dtd\"><rss/>"
                                << "<?xml version=\"1.0\"?><rss/>";
        QTest::newRow("internal subset") << "<!doctype rss [<!ENTITY a \"b\">]><rss>&a;</rss>"
                                         << "<rss>&a;</rss>";
        QTest::newRow("subset on lines of its own")
            << "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [\n  <!ENTITY a \"b\">\n] >\n<rss/>"
            << "<?xml version=\"1.0\"?>\n\n<rss/>";
        QTest::newRow("bracket inside the subset")
            << "<!DOCTYPE rss [<!ENTITY a \"x]y\">]><rss/>" << "<rss/>";
        QTest::newRow("only the first declaration goes")
            << "<!DOCTYPE rss><rss><![CDATA[<!DOCTYPE rss>]]></rss>"
            << "<rss><![CDATA[<!DOCTYPE rss>]]></rss>";
        QTest::newRow("unterminated") << "<!DOCTYPE rss [<!ENTITY a \"b\">" << "<!DOCTYPE rss [<!ENTITY a \"b\">";
    }
    void stripsDocumentType()
    {
        QFETCH(QString, text);
        QFETCH(QString, stripped);
        QCOMPARE(stripDocumentType(text), stripped);
    }

    void reportsUnreadableFeeds()
    {
        FakePrompts prompts;
        prompts.queueAnswer(MessageAnswer::Yes);
        reportUnreadableFeed(QStringLiteral("http://x.example/feed?a=1&b=2"), prompts);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].text,
                 QStringLiteral("Cannot load RSS/RDF/Atom feed:\r\nhttp://x.example/feed?a=1&b=2\r\n\r\n"
                                "Would you like to validate this feed?"));
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Exclamation);
        QCOMPARE(prompts.messages[0].buttons, MessageButtons::YesNo);
        QCOMPARE(prompts.openedUrls,
                 QStringList{QStringLiteral("https://validator.w3.org/feed/check?url=http://x.example/feed?a=1&b=2")});
        prompts.queueAnswer(MessageAnswer::No);
        reportUnreadableFeed(QStringLiteral("http://y.example/"), prompts);
        QCOMPARE(prompts.openedUrls.size(), 1);
    }

    void feedTitleForTheProjectList()
    {
        QCOMPARE(feedTitleOfFile(fixture("rss091.xml")), QStringLiteral("Old News"));
        QCOMPARE(feedTitleOfFile(fixture("rdf.xml")), QString());
        QCOMPARE(feedTitleOfFile(fixture("missing.rss")), QString());
    }

    void hostileInput()
    {
        // Exponential entity definitions: nothing is expanded.
        const QString laughs = QStringLiteral(
            "<!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
            "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>")
            + rss(QStringLiteral("<title>&d;&d;&d;</title>"));
        FeedDocument d = read(laughs);
        QCOMPARE(d.channel.title, QStringLiteral("&d;&d;&d;"));
        // Deep nesting: no recursion on the stack.
        const int depth = 200000;
        const QString deep = QStringLiteral("<rss><channel><title>") + QStringLiteral("<x>").repeated(depth)
            + QStringLiteral("t") + QStringLiteral("</x>").repeated(depth) + QStringLiteral("</title></channel></rss>");
        d = read(deep);
        QVERIFY(!d.loadFailed);
        QCOMPARE(d.channel.title, QStringLiteral("t"));
        QCOMPARE(detectFeedType(deep), FeedType::Rss);
        // Bad character references stay literal.
        d = read(rss(QStringLiteral("<title>&#0;&#xD800;&#99999999;&#x41;&#;&</title>")));
        QCOMPARE(d.channel.title, QStringLiteral("&#0;&#xD800;&#99999999;A&#;&"));
        // Bytes invalid for the declared encoding.
        const FeedFileText bad = feedTextFromBytes("<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel><title>\xFF\xFE\xC3</title></channel></rss>");
        d = read(bad.text);
        QCOMPARE(d.channel.title, QString(3, QChar(0xFFFD)));
    }

    void hundredMegabyteFile()
    {
        QByteArray bytes = "<?xml version=\"1.0\" encoding=\"Windows-1252\"?><rss version=\"2.0\"><channel><title>Big</title>";
        const QByteArray item = "<item><title>Episode \xE9</title><description>" + QByteArray(900, 'x')
            + "</description><enclosure url=\"https://example.org/e.mp3\" length=\"1\" type=\"audio/mpeg\"/></item>";
        while (bytes.size() < 100 * 1024 * 1024)
            bytes += item;
        bytes += "</channel></rss>";
        QElapsedTimer timer;
        timer.start();
        const FeedFileText text = feedTextFromBytes(bytes);
        bytes.clear();
        FeedDocument d;
        QVERIFY(readFeed(text.text, d));
        QCOMPARE(d.channel.title, QStringLiteral("Big"));
        QVERIFY(d.episodes.size() > 90000);
        QCOMPARE(d.episodes.last().title, QString::fromUtf8("Episode é"));
        qInfo("100 MB read in %lld ms", static_cast<long long>(timer.elapsed()));
    }
};

QTEST_GUILESS_MAIN(TestFeedReader)
#include "tst_feedreader.moc"
