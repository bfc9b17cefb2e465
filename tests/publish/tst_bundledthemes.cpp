#include "feed/FeedDocument.h"
#include "publish/ThemeList.h"
#include "publish/ThemeRenderer.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

// Every theme shipped with the program renders pages a browser reads as intended.
namespace {

const QString kBundled = QStringLiteral(VELMORA_SOURCE_DIR "/resources/Themes");
const QString kChecker = QStringLiteral(VELMORA_SOURCE_DIR "/tests/publish/check_html.py");

FeedDocument samplePodcast()
{
    FeedDocument doc;
    Channel& c = doc.channel;
    c.title = QStringLiteral("Tech & Talk <Weekly>");
    c.link = QStringLiteral("https://techtalk.example/?from=feed&lang=en");
    c.description = QStringLiteral("<p>News &amp; views.</p><ul><li>Interviews</li></ul>");
    c.managingEditor = QStringLiteral("Ann O'Neil <ann@techtalk.example>");
    c.pubDate = QStringLiteral("Tue, 01 Dec 2026 08:30:00 GMT");
    c.imageFile = QStringLiteral(VELMORA_TEST_DATA "/publish/cover.png");
    for (int i = 0; i < 4; ++i) {
        Episode e;
        e.title = QStringLiteral("Episode %1: \"Quotes\" & <brackets>").arg(i + 1);
        e.link = QStringLiteral("https://techtalk.example/e/%1?a=1&b=2").arg(i + 1);
        e.description = QStringLiteral("<p>Notes for <b>%1</b>.</p><p>More.</p>").arg(i + 1);
        e.pubDate = i == 2 ? QStringLiteral("not a date")
                           : QStringLiteral("%1 Nov 2026 10:00:00 GMT").arg(10 + i);
        if (i != 1)
            e.enclosureUrl = QStringLiteral("https://cdn.techtalk.example/%1.mp3?t=1&u=2").arg(i + 1);
        doc.episodes.append(e);
    }
    return doc;
}

QString checkPage(const QString& page)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {kChecker, page});
    if (!p.waitForFinished(60000))
        return QStringLiteral("the checker did not finish");
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode() == 0 && p.exitStatus() == QProcess::NormalExit ? QString() : out;
}

} // namespace

class TestBundledThemes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(kChecker));
    }

    void thereAreAtLeastThreeThemes()
    {
        ThemeList list;
        QCOMPARE(list.load(kBundled), ThemeList::LoadResult::Loaded);
        QVERIFY2(list.count() >= 3, qPrintable(QString::number(list.count())));
        QStringList names;
        for (int i = 0; i < list.count(); ++i) {
            QVERIFY2(QFile::exists(list.templatePath(i)), qPrintable(list.templatePath(i)));
            QVERIFY(!names.contains(list.at(i).name));
            names << list.at(i).name;
        }
    }

    void checkerRejectsBrokenPages()
    {
        // The checks below rely on the checker seeing real faults.
        QTemporaryDir dir;
        const QString page = dir.filePath("bad.html");
        QVERIFY(testutil::writeFile(page, "<!DOCTYPE html><html lang=\"en\"><body><p><div>x</div>"
                                          "</p></body></html>"));
        QVERIFY(!checkPage(page).isEmpty());
        QVERIFY(testutil::writeFile(page, "<!DOCTYPE html><html lang=\"en\"><body><b>x</body></html>"));
        QVERIFY(!checkPage(page).isEmpty());
        QVERIFY(testutil::writeFile(page, "<!DOCTYPE html><html lang=\"en\"><body>%ItemTitle%"
                                          "</body></html>"));
        QVERIFY(!checkPage(page).isEmpty());
        QVERIFY(testutil::writeFile(page, "<!DOCTYPE html><html lang=\"en\"><head><link rel=\"x\" "
                                          "href=\"file:///no/such/file.css\"></head></html>"));
        QVERIFY(!checkPage(page).isEmpty());
        QVERIFY(testutil::writeFile(page, "<!DOCTYPE html><html lang=\"en\"><body><p>ok</p>"
                                          "</body></html>"));
        QCOMPARE(checkPage(page), QString());
    }

    void everyTemplateUsesEveryPlaceholderAndRecord()
    {
        ThemeList list;
        list.load(kBundled);
        const QStringList names = {
            "FeedTitle", "iTunesSubtitle", "FeedLink", "FeedDescription", "NumOfItems", "Author",
            "FeedPubDate", "FeedPubTime", "ThemePath", "ImageSrc", "ItemTitle", "ItemNumber",
            "ItemDescription", "ItemLink", "ItemPubDate", "ItemPubTime", "ItemEnclosure",
            "BeginImageRecord", "EndImageRecord", "BeginItemsRecord", "EndItemsRecord",
            "BeginEnclosure", "EndEnclosure"};
        for (int i = 0; i < list.count(); ++i) {
            const QString text = QString::fromUtf8(testutil::readFile(list.templatePath(i)));
            for (const QString& name : names)
                QVERIFY2(text.contains('%' + name + '%', Qt::CaseInsensitive),
                         qPrintable(list.at(i).base + ": " + name));
        }
    }

    void everyThemeRendersWellFormedPages_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("empty");
        ThemeList list;
        list.load(kBundled);
        for (int i = 0; i < list.count(); ++i) {
            QTest::newRow(qPrintable(list.at(i).base)) << i << false;
            QTest::newRow(qPrintable(list.at(i).base + " empty")) << i << true;
        }
    }

    void everyThemeRendersWellFormedPages()
    {
        QFETCH(int, index);
        QFETCH(bool, empty);
        ThemeList list;
        list.load(kBundled);
        // A copy in a folder with blanks, as users' home folders often have.
        QTemporaryDir dir;
        const QString themes = dir.filePath("Velmora Home/Themes");
        QVERIFY(QDir().mkpath(themes));
        QProcess cp;
        cp.start("cp", {"-R", kBundled + "/.", themes});
        QVERIFY(cp.waitForFinished() && cp.exitCode() == 0);
        list.load(themes);

        const FeedDocument doc = empty ? FeedDocument() : samplePodcast();
        const QString out = dir.filePath("Velmora Home/pr-feed-01.tmp");
        const ThemeRenderResult result = ThemeRenderer::render(list, index, doc, out);
        QVERIFY2(result.ok, qPrintable(result.error));
        const QString problems = checkPage(out);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));

        const QString page = QString::fromUtf8(testutil::readFile(out));
        if (empty) {
            QVERIFY(!page.contains("cover.png"));
            return;
        }
        QVERIFY(page.contains("Tech &amp; Talk &lt;Weekly&gt;"));
        QVERIFY(page.contains("<p>Notes for <b>3</b>.</p>"));
        QVERIFY(page.contains("[Unknown date]"));
        QVERIFY(page.contains("Velmora%20Home/Themes/"));
        QVERIFY(page.contains(ThemeRenderer::fileUrl(doc.channel.imageFile)));
        // Three of the four episodes carry audio; each is offered at least once.
        for (int i : {1, 3, 4})
            QVERIFY(page.contains(QStringLiteral("https://cdn.techtalk.example/%1.mp3?t=1&amp;u=2").arg(i)));
        QVERIFY(!page.contains("cdn.techtalk.example/2.mp3"));
    }
};

// Dates are shown in the user's formats: fix them, and the zone, before Qt reads them.
int main(int argc, char** argv)
{
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("TZ", "UTC");
    tzset();
    QCoreApplication app(argc, argv);
    TestBundledThemes test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_bundledthemes.moc"
