#include "app/AppShell.h"
#include "app/SingleInstance.h"
#include "audio/AudioErrors.h"
#include "audio/AudioSystem.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class FakeAudioSystem : public AudioSystem {
public:
    quint32 versionValue = (kExpectedVersionHigh << 16) | 7;
    bool initSucceeds = true;
    int errorOnFailure = audio_error::kDevice;
    int initCalls = 0;
    int lastDevice = 0;
    int lastFrequency = 0;

    quint32 version() const override { return versionValue; }
    bool init(int device, int frequency) override
    {
        ++initCalls;
        lastDevice = device;
        lastFrequency = frequency;
        m_initialised = initSucceeds;
        m_error = initSucceeds ? audio_error::kOk : errorOnFailure;
        return initSucceeds;
    }
    bool isInitialised() const override { return m_initialised; }
    int lastErrorCode() const override { return m_error; }

private:
    bool m_initialised = false;
    int m_error = audio_error::kOk;
};

// Starts the desktop program on a home folder and waits until it holds its lock.
bool startProgram(QProcess& process, const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VELMORA_HOME", home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(testutil::builtProgram("src/gui/velmora"), {});
    if (!process.waitForStarted(10000))
        return false;
    for (int i = 0; i < 600; ++i) {
        if (SingleInstance::isHeldByAnother(home + "/velmora.lock")
            && QFile::exists(home + "/languages.txt"))
            return true;
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void secondInstanceIsRefusedAndTouchesNothing()
    {
        QTemporaryDir dir;
        QProcess first;
        QVERIFY(startProgram(first, dir.path()));
        QTest::qWait(300); // let the first instance finish its start-up writes
        const auto before = testutil::snapshotTree(dir.path());

        FakePrompts prompts;
        AppShell second{HomeFolder(dir.path()), prompts};
        QVERIFY(!second.acquireSingleInstance());
        QCOMPARE(prompts.messages.size(), 1);
        const MessageRequest& m = prompts.messages.first();
        QCOMPARE(m.text, QString("You can only have one instance of Velmora running at one time."));
        QCOMPARE(m.icon, MessageIcon::None);
        QCOMPARE(m.buttons, MessageButtons::Ok);
        QCOMPARE(m.title, QString("Velmora"));
        QCOMPARE(testutil::snapshotTree(dir.path()), before);

        // SIGTERM closes the window through the exit path: exit code 0, lock released.
        first.terminate();
        QVERIFY(first.waitForFinished(15000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!SingleInstance::isHeldByAnother(dir.path() + "/velmora.lock"));

        // Now the lock is free.
        QVERIFY(second.acquireSingleInstance());
        QCOMPARE(prompts.messages.size(), 1);
    }

    void terminationSignalRunsTheExitPath()
    {
        QTemporaryDir dir;
        const QString feed = dir.filePath("show.rss");
        QVERIFY(testutil::writeFile(feed, "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>"
                                          "<title>Signal Show</title><item><title>One</title></item>"
                                          "</channel></rss>"));
        QVERIFY(testutil::writeFile(dir.filePath("project.ini"),
                                    "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8()
                                        + "\r\nTotalEnclosures=0\r\n"));
        QVERIFY(testutil::writeFile(dir.filePath("settings.ini"),
                                    "[Main]\r\nAutoSave=True\r\nCreateBackup=False\r\n; mine\r\n"));
        QProcess program;
        QVERIFY(startProgram(program, dir.path()));
        QTest::qWait(500);
        program.terminate();
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // The titled podcast was saved in the program's form, and both lists were written.
        const QByteArray saved = testutil::readFile(feed);
        QVERIFY2(saved.contains("<generator>Velmora"), saved.constData());
        QVERIFY(saved.contains("<title>Signal Show</title>"));
        QVERIFY(saved.contains("<title>One</title>"));
        QVERIFY(testutil::readFile(dir.filePath("project.ini")).contains("UploadFeed="));
        const QByteArray settings = testutil::readFile(dir.filePath("settings.ini"));
        QVERIFY(settings.contains("; mine"));
        QVERIFY(settings.contains("MFWidth="));
        QVERIFY(settings.contains("s9="));
    }

    void staleLockOfCrashedRunDoesNotBlock()
    {
        QTemporaryDir dir;
        QProcess crashed;
        QVERIFY(startProgram(crashed, dir.path()));
        crashed.kill(); // SIGKILL: no exit path runs, the lock file stays behind
        QVERIFY(crashed.waitForFinished(10000));
        QVERIFY(QFile::exists(dir.path() + "/velmora.lock"));

        FakePrompts prompts;
        AppShell shell{HomeFolder(dir.path()), prompts};
        QVERIFY(shell.acquireSingleInstance());
        QVERIFY(prompts.messages.isEmpty());
    }

    void lockIsPerHomeFolder()
    {
        QTemporaryDir a, b;
        FakePrompts prompts;
        AppShell first{HomeFolder(a.path()), prompts};
        AppShell other{HomeFolder(b.path()), prompts};
        QVERIFY(first.acquireSingleInstance());
        QVERIFY(other.acquireSingleInstance());
        QVERIFY(prompts.messages.isEmpty());
    }

    void exitPathRemovesPreviewScratchFile()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        AppShell shell{HomeFolder(dir.path()), prompts};
        QVERIFY(shell.acquireSingleInstance());
        QVERIFY(testutil::writeFile(dir.path() + "/pr-feed-01.tmp", "<html></html>"));
        shell.unload();
        QVERIFY(!QFile::exists(dir.path() + "/pr-feed-01.tmp"));
        QVERIFY(!SingleInstance::isHeldByAnother(dir.path() + "/velmora.lock"));
    }

    void audioStartupOnFailingDevice()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        AppShell shell{HomeFolder(dir.path()), prompts};
        FakeAudioSystem audio;
        audio.initSucceeds = false;
        audio.errorOnFailure = audio_error::kDevice;
        QVERIFY(!shell.startAudio(audio));
        QCOMPARE(audio.initCalls, 1);
        QCOMPARE(audio.lastDevice, -1);
        QCOMPARE(audio.lastFrequency, 44100);
        QCOMPARE(prompts.messages.size(), 1);
        const MessageRequest& m = prompts.messages.first();
        QCOMPARE(m.text, QString("Can't initialize digital sound system\r\n\r\nerror code: 23"));
        QCOMPARE(m.title, QString("Error"));
        QCOMPARE(m.icon, MessageIcon::Exclamation);
        QCOMPARE(m.buttons, MessageButtons::Ok);
    }

    void audioStartupOnWorkingDeviceIsSilent()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        AppShell shell{HomeFolder(dir.path()), prompts};
        FakeAudioSystem audio;
        QVERIFY(shell.startAudio(audio));
        QVERIFY(prompts.messages.isEmpty());
    }

    void wrongAudioVersionWarnsAndGoesOn()
    {
        QTemporaryDir dir;
        FakePrompts prompts;
        AppShell shell{HomeFolder(dir.path()), prompts};
        FakeAudioSystem audio;
        audio.versionValue = 0x02040000;
        QVERIFY(shell.startAudio(audio));
        QCOMPARE(audio.initCalls, 1);
        QCOMPARE(prompts.messageTexts(), QStringList{"An incorrect version of BASS.DLL was loaded"});
        QCOMPARE(prompts.messages.first().icon, MessageIcon::Critical);
    }

    void versionOptionOfBothPrograms()
    {
        for (const QString& program : {QString("src/gui/velmora"), QString("src/cli/velmora-cli")}) {
            QProcess p;
            p.start(testutil::builtProgram(program), {"--version"});
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitCode(), 0);
            QVERIFY2(p.readAllStandardOutput().startsWith("Velmora "), qPrintable(program));
        }
    }

    void cliHelpListsCommandsAndRejectsUnknown()
    {
        QProcess p;
        p.start(testutil::builtProgram("src/cli/velmora-cli"), {"--help"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("home"));
        p.start(testutil::builtProgram("src/cli/velmora-cli"), {"no-such-command"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().startsWith("velmora-cli: unknown command"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
