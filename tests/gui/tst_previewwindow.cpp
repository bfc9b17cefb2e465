#include "app/ChannelImageSeam.h"
#include "feed/FeedDocument.h"
#include "gui/PreviewSchemeHandler.h"
#include "gui/PreviewWindow.h"
#include "store/Settings.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <QtTest>

namespace {

const QString kBundled = QStringLiteral(VELMORA_SOURCE_DIR "/resources/Themes");

// A channel image that records when it is written and whether the page existed then.
class RecordingImage : public ReadOnlyChannelImage {
public:
    QString pagePath;
    QStringList written;
    bool pageExistedAtWrite = false;

    bool mySaveImage(const QString& path, QString*) override
    {
        written << path;
        pageExistedAtWrite = QFile::exists(pagePath);
        return true;
    }
};

// Every address the page asks for.
class RequestLog : public QWebEngineUrlRequestInterceptor {
public:
    QStringList urls;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        urls << info.requestUrl().toString();
    }
};

FeedDocument sampleDocument()
{
    FeedDocument doc;
    doc.channel.title = QStringLiteral("Workbench Radio");
    doc.channel.link = QStringLiteral("https://workbench.example/");
    doc.channel.description = QStringLiteral("Hand tools & patience");
    doc.channel.managingEditor = QStringLiteral("Jonas Berg");
    doc.channel.pubDate = QStringLiteral("Tue, 01 Dec 2026 09:30:00 +0000");
    for (const char* title : {"Sharpening Irons", "Repair Caf\xC3\xA9s"}) {
        Episode e;
        e.title = QString::fromUtf8(title);
        e.description = QStringLiteral("Notes");
        e.enclosureUrl = QStringLiteral("https://workbench.example/1.mp3");
        doc.episodes << e;
    }
    return doc;
}

// A home folder named with a blank, holding a copy of the bundled themes.
struct Home {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("my home"));
    QString themes = path + QStringLiteral("/Themes");
    QString page = path + QStringLiteral("/pr-feed-01.tmp");

    Home()
    {
        QDir().mkpath(themes);
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-R"), kBundled + QStringLiteral("/."), themes});
    }
};

bool waitForLoad(QWebEngineView* view)
{
    QSignalSpy spy(view, &QWebEngineView::loadFinished);
    if (!spy.wait(30000))
        return false;
    return spy.last().at(0).toBool();
}

QString plainText(QWebEngineView* view)
{
    QString text;
    bool done = false;
    view->page()->toPlainText([&](const QString& t) {
        text = t;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("(no text)");
    return text;
}

// A page from a one-theme folder whose template is `html`; the view's title once loaded.
QString titleOfPage(const QByteArray& html, const QString& feedTitle)
{
    QTemporaryDir dir;
    const QString themes = dir.filePath("Themes");
    QDir().mkpath(themes);
    if (!testutil::writeFile(themes + "/plain.inf", "[Theme]\r\nName=Plain\r\n")
        || !testutil::writeFile(themes + "/plain.html", html))
        return QStringLiteral("(no theme)");
    FakePrompts prompts;
    RecordingImage image;
    Settings settings;
    FeedDocument doc = sampleDocument();
    doc.channel.title = feedTitle;
    PreviewWindow window(themes, dir.filePath("pr-feed-01.tmp"), doc, image, settings, prompts);
    if (!window.open() || !waitForLoad(window.view()))
        return QStringLiteral("(not shown)");
    return window.view()->title();
}

} // namespace

class TestPreviewWindow : public QObject {
    Q_OBJECT
private slots:
    void opensOnTheRememberedThemeAndShowsThePageAsHtml()
    {
        Home home;
        FakePrompts prompts;
        RecordingImage image;
        image.pagePath = home.page;
        Settings settings;
        settings.lt = 2;
        FeedDocument doc = sampleDocument();
        doc.channel.imageFile = home.path + QStringLiteral("/cover.jpg");

        RequestLog log; // outlives the window that uses it
        PreviewWindow window(home.themes, home.page, doc, image, settings, prompts);
        window.view()->page()->profile()->setUrlRequestInterceptor(&log);
        QCOMPARE(window.windowTitle(), QStringLiteral("Preview RSS feed"));
        QVERIFY(window.open());
        window.show();

        QStringList names;
        for (int i = 0; i < window.themeBox()->count(); ++i)
            names << window.themeBox()->itemText(i);
        QCOMPARE(names, (QStringList{"Daylight", "Ledger (compact list)", "Midnight"}));
        QCOMPARE(window.themeBox()->currentIndex(), 2);
        // The picture is written before the page, so the page shows the current one.
        QCOMPARE(image.written, QStringList{doc.channel.imageFile});
        QVERIFY(!image.pageExistedAtWrite);
        QVERIFY(testutil::readFile(home.page).contains("midnight/midnight.css"));

        QVERIFY(waitForLoad(window.view()));
        QCOMPARE(window.view()->url(), PreviewSchemeHandler::pageUrl());
        // Parsed as HTML: the title comes from the page, and no markup is shown as text.
        QCOMPARE(window.view()->title(), QStringLiteral("Workbench Radio"));
        const QString text = plainText(window.view());
        QVERIFY2(text.contains(QString::fromUtf8("Repair Caf\xC3\xA9s")), qPrintable(text));
        QVERIFY(text.contains("Hand tools & patience"));
        QVERIFY(!text.contains("<html") && !text.contains("<!DOCTYPE"));
        // The theme's style sheet is asked for by file address from the page.
        QVERIFY2(log.urls.filter("file://").filter("my home/Themes/midnight/midnight.css").size() == 1,
                 qPrintable(log.urls.join('\n')));
        QVERIFY(prompts.messages.isEmpty());
        // Opening alone does not change the remembered theme.
        QCOMPARE(settings.lt, qint16(2));
    }

    void choosingRendersTheCurrentDocumentAndIsRemembered()
    {
        Home home;
        FakePrompts prompts;
        RecordingImage image;
        Settings settings;
        settings.lt = 7; // past the end: the first theme
        FeedDocument doc = sampleDocument();
        PreviewWindow window(home.themes, home.page, doc, image, settings, prompts);
        int storedFields = 0;
        window.beforeRender = [&] { ++storedFields; };
        QVERIFY(window.open());
        QVERIFY(waitForLoad(window.view()));
        QCOMPARE(window.themeBox()->currentIndex(), 0);
        QVERIFY(image.written.isEmpty()); // no image file, nothing written
        QCOMPARE(storedFields, 1);

        doc.channel.title = QStringLiteral("Workbench Radio, season two");
        window.themeBox()->setCurrentIndex(1);
        emit window.themeBox()->activated(1);
        QCOMPARE(settings.lt, qint16(1));
        QCOMPARE(storedFields, 2);
        QVERIFY(testutil::readFile(home.page).contains("ledger/ledger.css"));
        QVERIFY(waitForLoad(window.view()));
        QCOMPARE(window.view()->title(), QStringLiteral("Workbench Radio, season two"));

        // The same theme again shows the document as it is now.
        doc.episodes.removeLast();
        doc.channel.title = QStringLiteral("Workbench Radio, one episode");
        emit window.themeBox()->activated(1);
        QVERIFY(waitForLoad(window.view()));
        QCOMPARE(window.view()->title(), QStringLiteral("Workbench Radio, one episode"));
        QVERIFY(!plainText(window.view()).contains(QString::fromUtf8("Repair Caf\xC3\xA9s")));
        QVERIFY(prompts.messages.isEmpty());
    }

    void aThemeThatCannotBeRenderedKeepsTheShownOne()
    {
        Home home;
        FakePrompts prompts;
        RecordingImage image;
        Settings settings;
        FeedDocument doc = sampleDocument();
        PreviewWindow window(home.themes, home.page, doc, image, settings, prompts);
        QVERIFY(window.open());
        QVERIFY(QFile::remove(home.themes + "/Midnight.html"));
        window.themeBox()->setCurrentIndex(2);
        emit window.themeBox()->activated(2);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Exclamation);
        QCOMPARE(window.themeBox()->currentIndex(), 0);
        QCOMPARE(settings.lt, qint16(0));
    }

    void withoutThemesTheWindowSaysSoAndStaysEmpty()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        RecordingImage image;
        Settings settings;
        FeedDocument doc = sampleDocument();
        doc.channel.imageFile = dir.filePath("cover.jpg");
        PreviewWindow window(dir.filePath("Themes"), dir.filePath("pr-feed-01.tmp"), doc, image,
                             settings, prompts);
        QVERIFY(!window.open());
        QCOMPARE(prompts.messageTexts(),
                 QStringList{"Styles not found. Reinstall program and retry attempt."});
        QCOMPARE(window.themeBox()->count(), 0);
        QVERIFY(image.written.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath("pr-feed-01.tmp")));
    }

    void toolbarDrivesTheBrowser()
    {
        Home home;
        FakePrompts prompts;
        RecordingImage image;
        Settings settings;
        FeedDocument doc = sampleDocument();
        PreviewWindow window(home.themes, home.page, doc, image, settings, prompts);

        const auto* toolbar = window.findChild<QToolBar*>();
        QStringList layout;
        for (const QAction* a : toolbar->actions())
            layout << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + "|" + a->toolTip());
        QCOMPARE(layout, (QStringList{"back|Back", "forward|Forward", "stop|Stop", "refresh|Refresh",
                                      "home|Home", "-", "help|Help"}));

        QVERIFY(window.open());
        QVERIFY(waitForLoad(window.view()));
        QVERIFY(!window.action("back")->isEnabled());
        window.view()->load(QUrl("about:blank"));
        QVERIFY(waitForLoad(window.view()));
        QTRY_VERIFY(window.action("back")->isEnabled());
        window.action("home")->trigger();
        QVERIFY(waitForLoad(window.view()));
        QCOMPARE(window.view()->url(), PreviewSchemeHandler::pageUrl());
        QCOMPARE(window.view()->title(), QStringLiteral("Workbench Radio"));

        int helps = 0;
        window.onHelp = [&] { ++helps; };
        window.action("help")->trigger();
        QCOMPARE(helps, 1);
    }

    void aTemplateWithoutCharsetStillShowsItsLetters()
    {
        const QString title = QString::fromUtf8("Caf\xC3\xA9 \xE2\x80\x94 Gr\xC3\xBC\xC3\x9F""e");
        QCOMPARE(titleOfPage("<html><head><title>%FeedTitle%</title></head>"
                             "<body>%FeedDescription%</body></html>",
                             title),
                 title);
    }

    void scriptsInAThemeDoNotRun()
    {
        QCOMPARE(titleOfPage("<!DOCTYPE html><html><head><title>%FeedTitle%</title>"
                             "<script>document.title = 'scripted';</script></head>"
                             "<body onload=\"document.title = 'loaded'\">x</body></html>",
                             QStringLiteral("Workbench Radio")),
                 QStringLiteral("Workbench Radio"));
    }

    void schemeServesOnlyThePage()
    {
        QTemporaryDir dir;
        const QString page = dir.filePath("pr-feed-01.tmp");
        PreviewSchemeHandler handler(page);
        const QUrl url = PreviewSchemeHandler::pageUrl();
        QCOMPARE(url.scheme(), QStringLiteral("velmora-preview"));
        QVERIFY(!handler.replyFor(url, "GET").found); // nothing rendered yet

        const QByteArray html = "<!DOCTYPE html><title>Caf\xC3\xA9</title>\r\n";
        QVERIFY(testutil::writeFile(page, html));
        PreviewSchemeHandler::Reply reply = handler.replyFor(url, "GET");
        QVERIFY(reply.found);
        QVERIFY(reply.contentType.startsWith("text/html"));
        QCOMPARE(reply.body, html);

        QUrl other = url;
        other.setPath(QStringLiteral("../settings.ini"));
        QVERIFY(!handler.replyFor(other, "GET").found);
        QVERIFY(!handler.replyFor(url, "POST").found);
        QVERIFY(!handler.replyFor(QUrl::fromLocalFile(page), "GET").found);
    }
};

int main(int argc, char* argv[])
{
    PreviewSchemeHandler::registerScheme();
    QApplication app(argc, argv);
    TestPreviewWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_previewwindow.moc"
