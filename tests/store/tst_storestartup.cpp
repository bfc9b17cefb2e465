#include "app/AppShell.h"
#include "app/SingleInstance.h"
#include "store/IniFile.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QSize kScreen(28800, 16200);

struct CliResult {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

CliResult runCli(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("VELMORA_HOME");
    p.setProcessEnvironment(env);
    p.start(testutil::builtProgram("src/cli/velmora-cli"), args);
    if (!p.waitForFinished(20000))
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

QJsonArray listProjects(const QString& home)
{
    const CliResult r = runCli({"project", "list", "--home", home});
    if (r.code != 0)
        return {};
    return QJsonDocument::fromJson(r.out).object().value("projects").toArray();
}

// One run of the program's start and exit on a home folder, with a hook in between.
template <typename F>
void runSession(const QString& home, FakePrompts& prompts, F&& whileRunning)
{
    AppShell shell{HomeFolder(home), prompts};
    QVERIFY(shell.acquireSingleInstance());
    shell.installResources();
    shell.loadSettings(kScreen);
    shell.loadProjectList();
    whileRunning(shell);
    shell.unload();
}

} // namespace

class TestStoreStartup : public QObject {
    Q_OBJECT
private slots:
    void firstStartUsesDefaultsAndWritesBothFilesAtExit()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        bool firstRun = false;
        runSession(dir.path(), prompts, [&](AppShell& shell) {
            firstRun = shell.firstRun();
            QVERIFY(shell.settings().autoSave);
            QCOMPARE(shell.settings().tempDir, dir.path() + "/Temp/");
            QCOMPARE(shell.settings().eForm1.x, qint16(14400 - 4957));
            QCOMPARE(shell.projects().count(), 0);
            QVERIFY(shell.languages().find("en") > 0); // the bundled list was installed and read
            QVERIFY(!QFile::exists(dir.filePath("settings.ini"))); // written only at exit
            shell.projects().newProject();
            shell.settings().findThat = "remembered";
        });
        QVERIFY(firstRun);
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(testutil::readFile(dir.filePath("settings.ini")).contains("FindThat=remembered\r\n"));
        QVERIFY(testutil::readFile(dir.filePath("project.ini")).startsWith("[Main]\r\nTotal=1\r\n"));

        // The next start is not a first start and reads what the first one wrote.
        runSession(dir.path(), prompts, [&](AppShell& shell) {
            QVERIFY(!shell.firstRun());
            QCOMPARE(shell.settings().findThat, QString("remembered"));
            QCOMPARE(shell.projects().count(), 1);
            QCOMPARE(shell.projects()[0].path, QString("Untitled"));
        });
    }

    void lastProjectChoosesTheCurrentEntry()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        runSession(dir.path(), prompts, [](AppShell& shell) {
            shell.projects().addFeedFile("/a.rss");
            shell.projects().addFeedFile("/b.rss");
            shell.projects().addFeedFile("/c.rss");
            shell.projects().setCurrent(2);
        });
        runSession(dir.path(), prompts, [](AppShell& shell) {
            QCOMPARE(shell.settings().lastProject, qint16(2)); // the exit stored the current entry
            QCOMPARE(shell.projects().current(), 2);
            shell.projects().removeProject(2);
            shell.projects().removeProject(1);
        });
        // A list shortened behind the program's back.
        QVERIFY(testutil::writeFile(dir.filePath("settings.ini"),
                                    testutil::readFile(dir.filePath("settings.ini"))
                                        .replace("LastProject=0", "LastProject=5")));
        QVERIFY(testutil::readFile(dir.filePath("settings.ini")).contains("LastProject=5"));
        runSession(dir.path(), prompts, [](AppShell& shell) {
            QCOMPARE(shell.projects().count(), 1);
            QCOMPARE(shell.projects().current(), 0); // past the end opens entry 0
        });
    }

    void passwordsFollowTheSavePasswordSetting()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        runSession(dir.path(), prompts, [](AppShell& shell) {
            shell.projects().newProject();
            shell.projects()[0].ftpPassword = "pw";
        });
        QVERIFY(testutil::readFile(dir.filePath("project.ini")).contains("FTPPassword=pw"));
        QCOMPARE(listProjects(dir.path()).at(0).toObject().value("ftpPassword").toString(),
                 QString("pw"));

        runSession(dir.path(), prompts, [](AppShell& shell) {
            QCOMPARE(shell.projects()[0].ftpPassword, QString("pw"));
            shell.settings().savePassword = false;
        });
        QVERIFY(!testutil::readFile(dir.filePath("project.ini")).contains("FTPPassword"));
        QCOMPARE(listProjects(dir.path()).at(0).toObject().value("ftpPassword").toString(),
                 QString());
    }

    void exitWritesTheProjectListBeforeTheSettingsAndReportsFailures()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        runSession(dir.path(), prompts, [&](AppShell&) {
            // Folders in the files' places make both writes fail.
            QVERIFY(QDir(dir.path()).mkdir("project.ini"));
            QVERIFY(QDir(dir.path()).mkdir("settings.ini"));
        });
        const QStringList texts = prompts.messageTexts();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts[0].startsWith("The podcast list could not be saved to \"" + dir.filePath("project.ini")));
        QVERIFY(texts[1].startsWith("The settings could not be saved to \"" + dir.filePath("settings.ini")));
        QVERIFY(!SingleInstance::isHeldByAnother(dir.filePath("velmora.lock")));
    }

    void exitWithoutStartWritesNothing()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        AppShell shell{HomeFolder(dir.path()), prompts};
        QVERIFY(shell.acquireSingleInstance());
        shell.unload();
        QVERIFY(!QFile::exists(dir.filePath("settings.ini")));
        QVERIFY(!QFile::exists(dir.filePath("project.ini")));
    }

    void cliListPrintsEveryField()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        runSession(dir.path(), prompts, [](AppShell& shell) {
            ProjectList& list = shell.projects();
            list.newProject();
            list[0].name = "Quoted \"name\"\twith tab";
            list[0].ftpMode = 1;
            EnclosureState s;
            s.localFile = "/m/ep.mp3";
            s.text5 = "0";
            s.isLocal = true;
            list[0].enclosures.append(s);
        });
        const QJsonArray projects = listProjects(dir.path());
        QCOMPARE(projects.size(), 1);
        const QJsonObject p = projects.at(0).toObject();
        QCOMPARE(p.keys().size(), 21);
        QCOMPARE(p.value("ftpProtocol").toString(), QString("ftp"));
        QCOMPARE(p.value("ftpTrust").toString(), QString());
        QCOMPARE(p.value("name").toString(), QString("Quoted \"name\"\twith tab"));
        QCOMPARE(p.value("title").toString(), QString("Untitled"));
        QCOMPARE(p.value("path").toString(), QString("Untitled"));
        QCOMPARE(p.value("ftpPath3").toString(), QString("mainwebsite_html"));
        QCOMPARE(p.value("ftpMode").toInt(), 1);
        QCOMPARE(p.value("autoDate").toBool(), true);
        QCOMPARE(p.value("image").toBool(), false);
        const QJsonObject e = p.value("enclosures").toArray().at(0).toObject();
        QCOMPARE(e.keys().size(), 7);
        QCOMPARE(e.value("localFile").toString(), QString("/m/ep.mp3"));
        QCOMPARE(e.value("isLocal").toBool(), true);
        QCOMPARE(e.value("selectedForUpload").toBool(), false);

        // The members come in the documented order.
        const CliResult r = runCli({"project", "list", "--home", dir.path()});
        const QByteArray out = r.out;
        QVERIFY(out.indexOf("\"name\"") < out.indexOf("\"image\""));
        QVERIFY(out.indexOf("\"ftpFilename2\"") < out.indexOf("\"uploadFeed\""));
        QVERIFY(out.indexOf("\"text5\"") < out.indexOf("\"selectedForUpload\""));
    }

    void cliAddAddsOnceAndMakesCurrent()
    {
        QTemporaryDir dir;
        QTemporaryDir feeds;
        const QString feed = feeds.filePath("Show.rss");
        QVERIFY(testutil::writeFile(feed, "<rss version=\"2.0\"><channel><title>Show &amp; Tell</title>"
                                          "</channel></rss>"));
        QVERIFY(testutil::writeFile(feeds.filePath("show.rss"), "<rss/>"));
        FakePrompts prompts;
        runSession(dir.path(), prompts, [](AppShell& shell) { shell.projects().newProject(); });

        CliResult r = runCli({"project", "add", feed, "--home", dir.path()});
        QCOMPARE(r.code, 0);
        r = runCli({"project", "add", "--home=" + dir.path(), feed});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("already"));
        // A path that differs in letter case names another file on Linux.
        r = runCli({"project", "add", feeds.filePath("show.rss"), "--home", dir.path()});
        QCOMPARE(r.code, 0);
        QJsonArray projects = listProjects(dir.path());
        QCOMPARE(projects.size(), 3);
        QCOMPARE(projects.at(1).toObject().value("path").toString(), feed);
        QCOMPARE(projects.at(2).toObject().value("path").toString(), feeds.filePath("show.rss"));
        // The selector's line: the channel title, else the file name; Name stays unset.
        QCOMPARE(projects.at(1).toObject().value("title").toString(), QString("Show & Tell"));
        QCOMPARE(projects.at(2).toObject().value("title").toString(), QString("show.rss"));
        QCOMPARE(projects.at(1).toObject().value("name").toString(), QString());

        runCli({"project", "add", feed, "--home", dir.path()});
        runSession(dir.path(), prompts, [](AppShell& shell) {
            QCOMPARE(shell.projects().current(), 1); // made current for the next start
        });
    }

    void cliAddRefusals()
    {
        QTemporaryDir dir;
        QTemporaryDir feeds;
        const QString feed = feeds.filePath("a.rss");
        QVERIFY(testutil::writeFile(feed, "<rss/>"));

        CliResult r = runCli({"project", "add", feeds.filePath("missing.rss"), "--home", dir.path()});
        QCOMPARE(r.code, 1);
        QVERIFY(!QFile::exists(dir.filePath("project.ini")));
        QCOMPARE(runCli({"project", "add", feeds.path(), "--home", dir.path()}).code, 1);
        // Files the desktop program would drop from the list, or import instead of opening.
        QVERIFY(testutil::writeFile(feeds.filePath("cover.jpg"), QByteArray("\xff\xd8\xff\xe0 JFIF", 9)));
        QVERIFY(testutil::writeFile(feeds.filePath("broken.rss"), "<rss><channel><title>x</title></channel>"));
        QVERIFY(testutil::writeFile(feeds.filePath("atom.xml"), "<feed xmlns=\"http://www.w3.org/2005/Atom\"/>"));
        for (const char* name : {"cover.jpg", "broken.rss", "atom.xml"}) {
            r = runCli({"project", "add", feeds.filePath(name), "--home", dir.path()});
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.contains(name), r.err.constData());
        }
        QVERIFY(r.err.contains("feed rewrite"));
        QVERIFY(!QFile::exists(dir.filePath("project.ini")));

        // The desktop program holds the lock: it would overwrite the change when it closes.
        FakePrompts prompts;
        AppShell running{HomeFolder(dir.path()), prompts};
        QVERIFY(running.acquireSingleInstance());
        r = runCli({"project", "add", feed, "--home", dir.path()});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("running"));
        QVERIFY(!QFile::exists(dir.filePath("project.ini")));
        running.unload();
        QCOMPARE(runCli({"project", "add", feed, "--home", dir.path()}).code, 0);
        QCOMPARE(listProjects(dir.path()).size(), 1);
    }

    void desktopProgramKeepsWindowGeometryAndWritesStateAtExit()
    {
        QTemporaryDir dir;
        QVERIFY(testutil::writeFile(dir.filePath("settings.ini"),
                                    "[Main]\r\nMFWidth=13500\r\nMFHeight=9750\r\nMFLeft=1500\r\n"
                                    "MFTop=750\r\nMFPos=0\r\nCustom=kept\r\n"));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELMORA_HOME", dir.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(testutil::builtProgram("src/gui/velmora"), {});
        QVERIFY(program.waitForStarted(10000));
        for (int i = 0; i < 600 && !SingleInstance::isHeldByAnother(dir.filePath("velmora.lock")); ++i)
            QTest::qWait(50);
        QVERIFY(SingleInstance::isHeldByAnother(dir.filePath("velmora.lock")));
        QTest::qWait(500); // let it finish starting
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());

        IniFile ini;
        QCOMPARE(ini.load(dir.filePath("settings.ini")), IniFile::LoadResult::Loaded);
        QCOMPARE(ini.value("Main", "MFWidth"), QString("13500"));
        QCOMPARE(ini.value("Main", "MFHeight"), QString("9750"));
        QCOMPARE(ini.value("Main", "Custom"), QString("kept"));
        QCOMPARE(ini.value("Options", "s9"), QString()); // every key written
        QVERIFY(ini.contains("Options", "s9"));
        QVERIFY(testutil::readFile(dir.filePath("project.ini")).startsWith("[Main]\r\nTotal=0\r\n"));
    }

    void cliArguments()
    {
        QCOMPARE(runCli({"project"}).code, 2);
        QCOMPARE(runCli({"project", "remove", "x"}).code, 2);
        QCOMPARE(runCli({"project", "list", "--home"}).code, 2);
        QCOMPARE(runCli({"project", "list", "--bogus"}).code, 2);
        QCOMPARE(runCli({"project", "add"}).code, 2);
        const CliResult help = runCli({"project", "--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains("project add FEED"));
    }
};

QTEST_GUILESS_MAIN(TestStoreStartup)
#include "tst_storestartup.moc"
