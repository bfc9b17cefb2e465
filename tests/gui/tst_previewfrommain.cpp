#include "app/AppShell.h"
#include "app/ChannelImageSeam.h"
#include "app/Session.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/PreviewSchemeHandler.h"
#include "gui/PreviewWindow.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

namespace {

// The desktop program's pieces on a temporary home folder with one saved podcast.
struct Desktop {
    QTemporaryDir dir;
    FakePrompts prompts;
    ReadOnlyChannelImage image;
    std::unique_ptr<AppShell> shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainController> controller;
    QString feed = dir.filePath("workshop.rss");

    explicit Desktop(const QByteArray& settings)
    {
        testutil::writeFile(feed, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<rss version=\"2.0\">"
                                  "<channel><title>The Quiet Workshop</title>"
                                  "<link>https://quiet.example/</link><description>Makers</description>"
                                  "<item><title>Sharp Irons</title><guid>g1</guid></item>"
                                  "</channel></rss>");
        testutil::writeFile(dir.filePath("project.ini"), "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath="
                                                             + feed.toUtf8() + "\r\nTotalEnclosures=0\r\n");
        testutil::writeFile(dir.filePath("settings.ini"), "[Main]\r\nLastProject=0\r\n" + settings);
        shell = std::make_unique<AppShell>(HomeFolder(dir.path()), prompts);
        shell->installResources();
        shell->loadSettings(QSize(1920 * 15, 1080 * 15));
        window = std::make_unique<MainWindow>();
        shell->loadProjectList();
        session = std::make_unique<Session>(*shell, image);
        session->setView(window.get());
        controller = std::make_unique<MainController>(*shell, *session, *window);
        session->startUp();
        window->show();
    }

    void typeTitle(const QString& more)
    {
        auto* title = window->findChild<QLineEdit*>("Text1");
        title->setFocus();
        title->end(false);
        QTest::keyClicks(title, more);
    }

    // The description reaches the document only when the window's fields are stored.
    void typeDescription(const QString& more)
    {
        auto* description = window->findChild<QPlainTextEdit*>("Text2");
        description->setFocus();
        description->moveCursor(QTextCursor::End);
        QTest::keyClicks(description, more);
    }
};

bool waitForLoad(QWebEngineView* view)
{
    QSignalSpy spy(view, &QWebEngineView::loadFinished);
    return spy.wait(30000) && spy.last().at(0).toBool();
}

} // namespace

class TestPreviewFromMain : public QObject {
    Q_OBJECT
private slots:
    void previewShowsWhatIsTypedOnTheRememberedTheme()
    {
        Desktop d("LT=1\r\nAutoSave=False\r\n");
        d.typeTitle(" (rough cut)");
        d.typeDescription(" and their benches");
        d.window->action("m_preview")->trigger();

        auto* preview = d.window->findChild<PreviewWindow*>();
        QVERIFY(preview);
        QVERIFY(preview->isVisible());
        QVERIFY(preview->isWindow());
        QCOMPARE(preview->themeBox()->currentIndex(), 1);
        const QString page = d.dir.filePath("pr-feed-01.tmp");
        QVERIFY(testutil::readFile(page).contains("The Quiet Workshop (rough cut)"));
        QVERIFY(testutil::readFile(page).contains("Makers and their benches"));
        QVERIFY(waitForLoad(preview->view()));
        QCOMPARE(preview->view()->title(), QStringLiteral("The Quiet Workshop (rough cut)"));

        // Asked for again, the same window shows the podcast as it is now.
        d.typeTitle("!");
        d.window->action("m_preview")->trigger();
        QCOMPARE(d.window->findChildren<PreviewWindow*>().size(), 1);
        QVERIFY(testutil::readFile(page).contains("The Quiet Workshop (rough cut)!"));
        // Choosing a theme stores the fields too.
        d.typeDescription(", weekly");
        emit preview->themeBox()->activated(1);
        QVERIFY(testutil::readFile(page).contains("Makers and their benches, weekly"));

        d.prompts.openedUrls.clear();
        preview->action("help")->trigger();
        QCOMPARE(d.prompts.openedUrls.size(), 1);
        QVERIFY(d.prompts.openedUrls[0].endsWith("/manual/index.htm"));

        preview->themeBox()->setCurrentIndex(2);
        emit preview->themeBox()->activated(2);
        QVERIFY(d.window->close());
        QVERIFY(!preview->isVisible());
        QVERIFY(!QFile::exists(page));
        QVERIFY(testutil::readFile(d.dir.filePath("settings.ini")).contains("LT=2\r\n"));
        QVERIFY(d.prompts.messages.isEmpty());
    }

    void withoutThemesTheProgramEndsAndKeepsThePodcast()
    {
        Desktop d("AutoSave=True\r\n");
        QVERIFY(QDir(d.dir.filePath("Themes")).removeRecursively());
        d.typeTitle(" (final)");
        d.typeDescription(" at work");
        d.window->action("m_preview")->trigger();

        QCOMPARE(d.prompts.messageTexts(),
                 QStringList{"Styles not found. Reinstall program and retry attempt."});
        QVERIFY(!d.window->isVisible());
        QVERIFY(!d.window->findChild<PreviewWindow*>());
        // The exit saved the podcast and wrote the settings, as at any exit.
        QVERIFY(testutil::readFile(d.feed).contains("<title>The Quiet Workshop (final)</title>"));
        QVERIFY(testutil::readFile(d.feed).contains("Makers at work"));
        QVERIFY(testutil::readFile(d.dir.filePath("settings.ini")).contains("AutoSave=True"));
        QVERIFY(testutil::readFile(d.dir.filePath("settings.ini")).contains("ShowAdv="));
    }
};

int main(int argc, char* argv[])
{
    PreviewSchemeHandler::registerScheme();
    QApplication app(argc, argv);
    TestPreviewFromMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_previewfrommain.moc"
