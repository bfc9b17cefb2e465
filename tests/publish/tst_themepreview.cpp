#include "feed/FeedDocument.h"
#include "publish/ThemePreview.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Two themes whose pages say which theme made them.
QString makeThemes(const QTemporaryDir& dir)
{
    const QString themes = dir.filePath("Themes");
    QDir().mkpath(themes);
    for (const char* base : {"one", "two"}) {
        const QByteArray b(base);
        testutil::writeFile(themes + "/" + base + ".inf", "[Theme]\nName=Theme " + b + "\n");
        testutil::writeFile(themes + "/" + base + ".html", b + ":%FeedTitle%:%NumOfItems%");
    }
    return themes;
}

} // namespace

class TestThemePreview : public QObject {
    Q_OBJECT
private slots:
    void missingFolderTellsTheUser()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        ThemePreview preview(dir.filePath("Themes"), dir.filePath("pr-feed-01.tmp"), prompts);
        QVERIFY(!preview.open(0));
        QCOMPARE(prompts.messageTexts(),
                 QStringList{"Styles not found. Reinstall program and retry attempt."});
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(preview.current(), -1);
    }

    void rememberedThemeIsSelected()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        ThemePreview preview(makeThemes(dir), dir.filePath("pr-feed-01.tmp"), prompts);
        QVERIFY(preview.open(1));
        QCOMPARE(preview.current(), 1);
        QVERIFY(preview.open(2)); // past the end
        QCOMPARE(preview.current(), 0);
        QCOMPARE(preview.themes().at(1).name, QStringLiteral("Theme two"));
        QVERIFY(prompts.messages.isEmpty());
    }

    void choosingRendersTheCurrentDocumentEveryTime()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        const QString page = dir.filePath("pr-feed-01.tmp");
        ThemePreview preview(makeThemes(dir), page, prompts);
        QVERIFY(preview.open(0));
        FeedDocument doc;
        doc.channel.title = "A";
        QCOMPARE(preview.render(1, doc), page);
        QCOMPARE(preview.current(), 1);
        QCOMPARE(testutil::readFile(page), QByteArray("two:A:0\r\n\r\n"));
        // The same theme again shows the document as it is now.
        doc.channel.title = "B";
        doc.episodes.append(Episode{});
        QCOMPARE(preview.render(1, doc), page);
        QCOMPARE(testutil::readFile(page), QByteArray("two:B:1\r\n\r\n"));
        QCOMPARE(preview.render(0, doc), page);
        QCOMPARE(testutil::readFile(page), QByteArray("one:B:1\r\n\r\n"));
        QVERIFY(prompts.messages.isEmpty());
    }

    void renderFailuresAreToldAndKeepTheSelection()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        const QString themes = makeThemes(dir);
        ThemePreview preview(themes, dir.filePath("pr-feed-01.tmp"), prompts);
        QVERIFY(preview.open(0));
        QVERIFY(QFile::remove(themes + "/two.html"));
        QCOMPARE(preview.render(1, FeedDocument()), QString());
        QCOMPARE(preview.current(), 0);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Exclamation);
        QVERIFY(prompts.messages[0].text.contains("two.html"));
    }

    void emptyThemeFolder()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        ThemePreview preview(dir.path(), dir.filePath("pr-feed-01.tmp"), prompts);
        QVERIFY(preview.open(0));
        QCOMPARE(preview.current(), -1);
        QCOMPARE(preview.render(0, FeedDocument()), QString());
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(!QFile::exists(dir.filePath("pr-feed-01.tmp")));
    }
};

QTEST_GUILESS_MAIN(TestThemePreview)
#include "tst_themepreview.moc"
