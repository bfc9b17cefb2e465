#include "app/HomeFolder.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestHomeFolder : public QObject {
    Q_OBJECT
private slots:
    void environmentVariableWins()
    {
        QTemporaryDir dir;
        qputenv("VELMORA_HOME", dir.path().toUtf8());
        QCOMPARE(HomeFolder::resolve().path(), QDir::cleanPath(dir.path()));
        QCOMPARE(HomeFolder::resolve().settingsPath(), dir.path() + "/settings.ini");
        QCOMPARE(HomeFolder::resolve().projectListPath(), dir.path() + "/project.ini");
    }

    void blankVariableFallsBackToDataFolder()
    {
        qputenv("VELMORA_HOME", "   ");
        QCoreApplication::setApplicationName("velmora");
        const QString expected = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(HomeFolder::resolve().path(), QDir::cleanPath(expected));
        qunsetenv("VELMORA_HOME");
        QCOMPARE(HomeFolder::resolve().path(), QDir::cleanPath(expected));
    }

    void bundledResourcesAreCopiedWhenMissing()
    {
        QTemporaryDir dir;
        const HomeFolder home(dir.path() + "/nested/home");
        QVERIFY(home.ensureExists());
        QStringList errors;
        const int copied = home.installBundledResources(&errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY(copied >= 1);
        const QByteArray languages = testutil::readFile(home.languagesPath());
        QVERIFY(languages.startsWith("<!--"));
        QVERIFY(languages.contains("English: en"));
        // At least 60 language entries (comment lines excluded).
        int entries = 0;
        for (const QByteArray& line : languages.split('\n'))
            if (!line.trimmed().isEmpty() && !line.startsWith("<!--"))
                ++entries;
        QVERIFY2(entries >= 60, qPrintable(QString::number(entries)));
        // The help pages are there for the help menu.
        QVERIFY(QFileInfo::exists(home.manualPath() + "/index.htm"));
        QVERIFY(QFileInfo::exists(home.manualPath() + "/program_settings.htm"));
        // A second run copies nothing.
        QCOMPARE(home.installBundledResources(), 0);
        // The copy is the user's to edit.
        QVERIFY(QFileInfo(home.languagesPath()).isWritable());
    }

    void existingFilesAreNeverOverwritten()
    {
        QTemporaryDir dir;
        const HomeFolder home(dir.path());
        QVERIFY(testutil::writeFile(home.languagesPath(), "<!-- mine -->\nKlingon: tlh\n"));
        QDir().mkpath(home.themesPath());
        QVERIFY(testutil::writeFile(home.themesPath() + "/only.ini", "[Theme]\nName=Only\n"));
        home.installBundledResources();
        QCOMPARE(testutil::readFile(home.languagesPath()), QByteArray("<!-- mine -->\nKlingon: tlh\n"));
        // A theme folder the user keeps is left exactly as it is.
        QCOMPARE(QDir(home.themesPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"only.ini"});
    }

    void uncreatableFolderIsReported()
    {
        QTemporaryDir dir;
        QVERIFY(testutil::writeFile(dir.path() + "/file", "x"));
        const HomeFolder home(dir.path() + "/file/home");
        QString error;
        QVERIFY(!home.ensureExists(&error));
        QVERIFY(error.contains(dir.path() + "/file/home"));
    }
};

QTEST_GUILESS_MAIN(TestHomeFolder)
#include "tst_homefolder.moc"
