#include "feed/FeedDocument.h"
#include "publish/ThemeList.h"
#include "publish/ThemeRenderer.h"
#include "publish/ThemeTemplate.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

namespace {

Channel channel(const QString& title = QStringLiteral("Show"))
{
    Channel c;
    c.title = title;
    c.link = QStringLiteral("https://show.example/");
    c.description = QStringLiteral("<p>About <b>it</b></p>");
    c.managingEditor = QStringLiteral("ed@show.example");
    c.pubDate = QStringLiteral("1 Dec 2026 08:30:00 GMT");
    return c;
}

Episode episode(const QString& title, const QString& enclosure = {})
{
    Episode e;
    e.title = title;
    e.link = QStringLiteral("https://show.example/") + title;
    e.description = QStringLiteral("<i>") + title + QStringLiteral("</i>");
    e.pubDate = QStringLiteral("Tue, 17 Nov 2026 21:05:09 GMT");
    e.enclosureUrl = enclosure;
    return e;
}

QString render(const QString& templ, const Channel& c, const QList<Episode>& episodes = {},
               const QString& themeFolder = QStringLiteral("/themes"))
{
    return ThemeRenderer::renderText(templ, c, episodes, themeFolder);
}

} // namespace

class TestThemeTemplate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(QLocale::system().name(), QStringLiteral("en_US"));
    }

    void channelPlaceholdersAreFilled()
    {
        Channel c = channel();
        const QString page = render(
            "%FeedTitle%|%iTunesSubtitle%|%FeedLink%|%FeedDescription%|%NumOfItems%|%Author%|"
            "%FeedPubDate%|%FeedPubTime%|%ThemePath%",
            c, {episode("a"), episode("b"), episode("c")}, "/srv/my themes");
        QCOMPARE(page, QStringLiteral("Show|Show|https://show.example/|<p>About <b>it</b></p>|3|"
                                      "ed@show.example|12/1/26|8:30:00 AM|"
                                      "file:///srv/my%20themes/"));
    }

    void templateWithoutMarkersKeepsItemPlaceholders()
    {
        const QString page = render("%FeedTitle% %ItemTitle% %ItemEnclosure% %ImageSrc%.", channel(),
                                    {episode("one")});
        // No image file: the image path is empty wherever it is asked for.
        QCOMPARE(page, QStringLiteral("Show %ItemTitle% %ItemEnclosure% ."));
    }

    void placeholdersIgnoreCase()
    {
        const QString page = render("%feedtitle% %FEEDLINK% %beginitemsrecord%[%itemTITLE%]"
                                    "%ENDitemsRECORD%",
                                    channel(), {episode("x"), episode("y")});
        QCOMPARE(page, QStringLiteral("Show https://show.example/ [x][y]"));
    }

    void itemsRecordIsRepeatedPerEpisodeInOrder()
    {
        const QString templ = "<ol>%BeginItemsRecord%<li id=\"e%ItemNumber%\">%ItemTitle% "
                              "%ItemLink% %ItemDescription% %ItemPubDate% %ItemPubTime% "
                              "(%FeedTitle%)</li>%EndItemsRecord%</ol>";
        const QString page = render(templ, channel(), {episode("a"), episode("b")});
        QCOMPARE(page, QStringLiteral(
            "<ol><li id=\"e0\">a https://show.example/a <i>a</i> 11/17/26 9:05:09 PM (Show)</li>"
            "<li id=\"e1\">b https://show.example/b <i>b</i> 11/17/26 9:05:09 PM (Show)</li></ol>"));
    }

    void noEpisodesRemovesTheItemsRecord()
    {
        const QString page = render("before %BeginItemsRecord%<li>%ItemTitle%</li>%EndItemsRecord% "
                                    "after %NumOfItems%",
                                    channel(), {});
        QCOMPARE(page, QStringLiteral("before  after 0"));
    }

    void incompleteItemsRecordIsLeftAlone()
    {
        QCOMPARE(render("%BeginItemsRecord%%ItemTitle%", channel(), {episode("a")}),
                 QStringLiteral("%BeginItemsRecord%%ItemTitle%"));
        // An end marker before the begin marker does not close it.
        QCOMPARE(render("%EndItemsRecord%%BeginItemsRecord%%ItemTitle%", channel(), {episode("a")}),
                 QStringLiteral("%EndItemsRecord%%BeginItemsRecord%%ItemTitle%"));
    }

    void onlyTheFirstItemsRecordIsExpanded()
    {
        const QString page = render("%BeginItemsRecord%[%ItemTitle%]%EndItemsRecord%|"
                                    "%BeginItemsRecord%{%ItemTitle%}%EndItemsRecord%",
                                    channel(), {episode("a"), episode("b")});
        QCOMPARE(page,
                 QStringLiteral("[a][b]|%BeginItemsRecord%{%ItemTitle%}%EndItemsRecord%"));
    }

    void enclosureRecordFollowsTheEpisode()
    {
        const QString templ = "%BeginItemsRecord%<%ItemTitle%%BeginEnclosure% "
                              "<a href=\"%ItemEnclosure%\">get</a>%EndEnclosure%>%EndItemsRecord%";
        const QString page = render(templ, channel(),
                                    {episode("with", "https://cdn.example/a.mp3?x=1&y=2"),
                                     episode("without")});
        QCOMPARE(page, QStringLiteral("<with <a href=\"https://cdn.example/a.mp3?x=1&amp;y=2\">"
                                      "get</a>><without>"));
    }

    void incompleteEnclosureRecordIsLeftAsItIs()
    {
        const QString templ = "%BeginItemsRecord%%ItemTitle% %BeginEnclosure%%ItemEnclosure%;"
                              "%EndItemsRecord%";
        QCOMPARE(render(templ, channel(), {episode("a", "u.mp3"), episode("b")}),
                 QStringLiteral("a %BeginEnclosure%%ItemEnclosure%;b %BeginEnclosure%%ItemEnclosure%;"));
        // Enclosure placeholders outside the items record are not touched either.
        QCOMPARE(render("%BeginEnclosure%%ItemEnclosure%%EndEnclosure%", channel(), {episode("a", "u")}),
                 QStringLiteral("%BeginEnclosure%%ItemEnclosure%%EndEnclosure%"));
    }

    void imageRecordWithAnImage()
    {
        Channel c = channel();
        c.imageFile = QStringLiteral("/home/me/My Pictures/cover #1.png");
        const QString page = render("a%BeginImageRecord%<img src=\"%ImageSrc%\">%EndImageRecord%b",
                                    c);
        QCOMPARE(page, QStringLiteral("a<img src=\"file:///home/me/My%20Pictures/cover%20%231.png\">b"));
        // Without markers the path goes wherever it is asked for.
        QCOMPARE(render("%ImageSrc%|%ImageSrc%", c),
                 QStringLiteral("file:///home/me/My%20Pictures/cover%20%231.png|"
                                "file:///home/me/My%20Pictures/cover%20%231.png"));
        // A record that never asks for the picture is dropped.
        QCOMPARE(render("a%BeginImageRecord%logo%EndImageRecord%b", c), QStringLiteral("ab"));
    }

    void imageRecordWithoutAnImage()
    {
        const Channel c = channel();
        QCOMPARE(render("a%BeginImageRecord%<img src=\"%ImageSrc%\">%EndImageRecord%b", c),
                 QStringLiteral("ab"));
        QCOMPARE(render("a%BeginImageRecord%<img src=\"%ImageSrc%\">b", c),
                 QStringLiteral("a%BeginImageRecord%<img src=\"\">b"));
    }

    void unknownDates()
    {
        Channel c = channel();
        c.pubDate = QStringLiteral("sometime last week");
        Episode e = episode("a");
        e.pubDate.clear();
        const QString page = render("%FeedPubDate%|%BeginItemsRecord%%ItemPubDate%%EndItemsRecord%",
                                    c, {e});
        QCOMPARE(page, QStringLiteral("[Unknown date]|[Unknown date]"));
    }

    void everyEpisodeShowsItsOwnDateAndTime()
    {
        QList<Episode> episodes;
        for (const char* date : {"1 Jan 2026 10:00:00 GMT", "2 Jan 2026 10:00:00 GMT",
                                 "1 Feb 2026 10:00:00 GMT", "1 Jan 2027 10:00:00 GMT",
                                 "Thu, 01 Jan 2026 11:00:00 GMT", "1 Jan 2026 10:00:01 GMT",
                                 "1 Jan 2026 10:01:00 GMT", "1 Foo 2026 10:00:00 GMT"}) {
            episodes.append(episode("e"));
            episodes.last().pubDate = QString::fromLatin1(date);
        }
        const QString page = render("%BeginItemsRecord%%ItemPubDate% %ItemPubTime%|%EndItemsRecord%",
                                    channel(), episodes);
        QCOMPARE(page, QStringLiteral("1/1/26 10:00:00 AM|1/2/26 10:00:00 AM|2/1/26 10:00:00 AM|"
                                      "1/1/27 10:00:00 AM|1/1/26 11:00:00 AM|1/1/26 10:00:01 AM|"
                                      "1/1/26 10:01:00 AM|[Unknown date] 10:00:00 AM|"));
    }

    void textFieldsAreEscapedDescriptionsAreNot()
    {
        Channel c = channel(QStringLiteral("Tech & Talk <Weekly>"));
        c.link = QStringLiteral("https://x.example/?a=1&b=\"2\"");
        c.managingEditor = QStringLiteral("Ann O'Neil <ann@x.example>");
        c.description = QStringLiteral("<p>Fish &amp; chips</p>");
        Episode e = episode("<script>alert(1)</script>");
        e.link = QStringLiteral("https://x.example/'q'");
        e.description = QStringLiteral("<em>raw</em> & ready");
        const QString page = render("%FeedTitle%|%iTunesSubtitle%|%FeedLink%|%Author%|"
                                    "%FeedDescription%|%BeginItemsRecord%%ItemTitle%|%ItemLink%|"
                                    "%ItemDescription%%EndItemsRecord%",
                                    c, {e});
        QCOMPARE(page, QStringLiteral(
            "Tech &amp; Talk &lt;Weekly&gt;|Tech &amp; Talk &lt;Weekly&gt;|"
            "https://x.example/?a=1&amp;b=&quot;2&quot;|Ann O&#39;Neil &lt;ann@x.example&gt;|"
            "<p>Fish &amp; chips</p>|&lt;script&gt;alert(1)&lt;/script&gt;|"
            "https://x.example/&#39;q&#39;|<em>raw</em> & ready"));
    }

    void valuesAreNeverReadAsPlaceholders()
    {
        Channel c = channel(QStringLiteral("100% %FeedLink%"));
        Episode a = episode("%ItemNumber%");
        a.description = QStringLiteral("cut here %EndItemsRecord% no");
        const QString page = render("%FeedTitle%|%BeginItemsRecord%[%ItemTitle% %ItemDescription%]"
                                    "%EndItemsRecord%|%FeedLink%",
                                    c, {a, episode("b")});
        QCOMPARE(page, QStringLiteral("100% %FeedLink%|[%ItemNumber% cut here %EndItemsRecord% no]"
                                      "[b <i>b</i>]|https://show.example/"));
    }

    void unknownPercentWordsStay()
    {
        QCOMPARE(render("50%% %Feed% %FeedTitle %FeedTitle%%", channel()),
                 QStringLiteral("50%% %Feed% %FeedTitle Show%"));
    }

    void templateLinesEndInCrLf_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringLiteral("a\r\nb\r\n");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\r\nb\r\n");
        QTest::newRow("no last line end") << QByteArray("a\nb") << QStringLiteral("a\r\nb\r\n");
        QTest::newRow("blank lines") << QByteArray("a\n\n\nb") << QStringLiteral("a\r\n\r\n\r\nb\r\n");
        QTest::newRow("bom and utf-8") << QByteArray("\xEF\xBB\xBFG\xC3\xA9o\n")
                                       << QStringLiteral("G\u00e9o\r\n");
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void templateLinesEndInCrLf()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QCOMPARE(ThemeTemplate::fromFileContents(file), text);
    }

    void renderWritesThePageFile()
    {
        QTemporaryDir dir;
        const QString themes = dir.filePath("Themes with blanks");
        QVERIFY(QDir().mkpath(themes));
        QVERIFY(testutil::writeFile(themes + "/Plain.inf", "[Theme]\nName=Plain\n"));
        QVERIFY(testutil::writeFile(themes + "/Plain.html",
                                    "<h1>%FeedTitle%</h1>\n<link href=\"%ThemePath%s.css\">\n"));
        ThemeList list;
        QCOMPARE(list.load(themes), ThemeList::LoadResult::Loaded);
        const QString out = dir.filePath("pr-feed-01.tmp");
        QVERIFY(testutil::writeFile(out, QByteArray(10000, 'x'))); // an older, longer page

        FeedDocument doc;
        doc.channel = channel(QStringLiteral("Caf\u00e9 & Co"));
        const ThemeRenderResult result = ThemeRenderer::render(list, 0, doc, out);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.pagePath, out);
        const QByteArray expected = "<h1>Caf\xC3\xA9 &amp; Co</h1>\r\n<link href=\""
                                    + QUrl::fromLocalFile(themes + "/").toEncoded()
                                    + "s.css\">\r\n\r\n";
        QCOMPARE(testutil::readFile(out), expected);
        QVERIFY(expected.contains("Themes%20with%20blanks/s.css"));
    }

    void renderFailuresAreReported()
    {
        QTemporaryDir dir;
        QVERIFY(testutil::writeFile(dir.filePath("Gone.inf"), "[Theme]\nName=Gone\n"));
        ThemeList list;
        list.load(dir.path());
        FeedDocument doc;
        ThemeRenderResult result = ThemeRenderer::render(list, 0, doc, dir.filePath("out.tmp"));
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("Gone.html"), qPrintable(result.error));
        QVERIFY(!QFile::exists(dir.filePath("out.tmp")));

        QVERIFY(testutil::writeFile(dir.filePath("Gone.html"), "x"));
        result = ThemeRenderer::render(list, 0, doc, dir.filePath("no/such/folder/out.tmp"));
        QVERIFY(!result.ok);
        QVERIFY(result.error.contains("out.tmp"));

        result = ThemeRenderer::render(list, 1, doc, dir.filePath("out.tmp"));
        QVERIFY(!result.ok);
        QVERIFY(!QFile::exists(dir.filePath("out.tmp")));
    }
};

// Dates are shown in the user's formats: fix them, and the zone, before Qt reads them.
int main(int argc, char** argv)
{
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("TZ", "UTC");
    tzset();
    QCoreApplication app(argc, argv);
    TestThemeTemplate test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_themetemplate.moc"
