#include "publish/ThemeList.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void addTheme(const QString& folder, const QString& file, const QByteArray& description)
{
    QVERIFY(testutil::writeFile(folder + QLatin1Char('/') + file, description));
}

QStringList bases(const ThemeList& list)
{
    QStringList out;
    for (const ThemeEntry& e : list.entries())
        out << e.base;
    return out;
}

} // namespace

class TestThemeList : public QObject {
    Q_OBJECT
private slots:
    void missingFolder()
    {
        QTemporaryDir dir;
        ThemeList list;
        QCOMPARE(list.load(dir.filePath("Themes")), ThemeList::LoadResult::FolderMissing);
        QVERIFY(list.isEmpty());

        FakePrompts prompts;
        QVERIFY(!list.loadOrTell(dir.filePath("Themes"), prompts));
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages[0].text,
                 QStringLiteral("Styles not found. Reinstall program and retry attempt."));
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Critical);

        // A file where the folder should be is no theme folder either.
        QVERIFY(testutil::writeFile(dir.filePath("Themes"), "not a folder"));
        QCOMPARE(list.load(dir.filePath("Themes")), ThemeList::LoadResult::FolderMissing);
    }

    void emptyFolderGivesAnEmptyList()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        ThemeList list;
        QVERIFY(list.loadOrTell(dir.path(), prompts));
        QVERIFY(list.isEmpty());
        QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(list.rememberedIndex(0), -1);
    }

    void descriptionsAreReadAndSortedByBaseName()
    {
        QTemporaryDir dir;
        const QString f = dir.path();
        // Created out of order: the list must not depend on the file system's order.
        addTheme(f, "zeta.inf", "[Theme]\r\nName=Last One\r\n");
        addTheme(f, "Alpha.inf", "; comment\n[Other]\nName=Wrong\n[theme]\nNAME = First one \n");
        addTheme(f, "mid.inf", "[Theme]\nName=Middle\n");
        addTheme(f, "LOUD.INF", "[Theme]\nName=Upper case file\n");
        addTheme(f, "noname.inf", "[Theme]\nTitle=No name key\n");
        addTheme(f, "blank.inf", "[Theme]\nName=\n");
        addTheme(f, "elsewhere.inf", "[Style]\nName=Wrong section\n");
        addTheme(f, "readme.txt", "[Theme]\nName=Not a description\n");
        QVERIFY(QDir(f).mkdir("folder.inf"));
        const QString longName(300, QLatin1Char('n'));
        addTheme(f, "long.inf", "[Theme]\nName=" + longName.toUtf8() + "\n");

        ThemeList list;
        QCOMPARE(list.load(f), ThemeList::LoadResult::Loaded);
        QCOMPARE(bases(list), QStringList({"Alpha", "long", "LOUD", "mid", "zeta"}));
        QCOMPARE(list.at(0).name, QStringLiteral("First one"));
        QCOMPARE(list.at(1).name, longName); // not cut at 254 characters
        QCOMPARE(list.at(2).name, QStringLiteral("Upper case file"));
        QCOMPARE(list.at(4).name, QStringLiteral("Last One"));
        QCOMPARE(list.templatePath(3), QDir::cleanPath(f) + "/mid.html");
        QCOMPARE(list.folder(), QDir::cleanPath(f));
    }

    void baseNameDropsTheLastFourCharacters()
    {
        QTemporaryDir dir;
        addTheme(dir.path(), "My Theme.v2.inf", "[Theme]\nName=Two dots\n");
        addTheme(dir.path(), "odd_inf", "[Theme]\nName=No dot\n"); // matches "*inf"
        ThemeList list;
        list.load(dir.path());
        QCOMPARE(bases(list), QStringList({"My Theme.v2", "odd"}));
        QCOMPARE(list.templatePath(0), QDir::cleanPath(dir.path()) + "/My Theme.v2.html");
    }

    void reloadingReplacesTheList()
    {
        QTemporaryDir dir;
        addTheme(dir.path(), "a.inf", "[Theme]\nName=A\n");
        ThemeList list;
        list.load(dir.path());
        QCOMPARE(list.count(), 1);
        addTheme(dir.path(), "b.inf", "[Theme]\nName=B\n");
        list.load(dir.path());
        QCOMPARE(bases(list), QStringList({"a", "b"}));
    }

    void rememberedIndexFallsBackToTheFirst()
    {
        QTemporaryDir dir;
        for (const char* base : {"a", "b", "c"})
            addTheme(dir.path(), QString::fromLatin1(base) + ".inf", "[Theme]\nName=x\n");
        ThemeList list;
        list.load(dir.path());
        QCOMPARE(list.rememberedIndex(0), 0);
        QCOMPARE(list.rememberedIndex(2), 2);
        QCOMPARE(list.rememberedIndex(3), 0);
        QCOMPARE(list.rememberedIndex(32767), 0);
        QCOMPARE(list.rememberedIndex(-1), 0);
    }

    void findByBaseOrDisplayName()
    {
        QTemporaryDir dir;
        addTheme(dir.path(), "Daylight.inf", "[Theme]\nName=Midnight\n");
        addTheme(dir.path(), "Midnight.inf", "[Theme]\nName=Dark Night\n");
        ThemeList list;
        list.load(dir.path());
        QCOMPARE(list.find("daylight"), 0);
        QCOMPARE(list.find("DARK NIGHT"), 1);
        // A base name wins over another theme's display name.
        QCOMPARE(list.find("Midnight"), 1);
        QCOMPARE(list.find("Dusk"), -1);
        QCOMPARE(list.find(QString()), -1);
    }
};

QTEST_GUILESS_MAIN(TestThemeList)
#include "tst_themelist.moc"
