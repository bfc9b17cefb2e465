#include "app/HomeFolder.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// velmora-cli starts fast because it links no Qt at all: it answers "home" itself and opens
// velmora-cli-core.so (Qt Core only) for the other commands; the audio, image and network
// commands run in helper programs. These checks fail when a command file brings a heavy library
// back or the small program's home folder parts from the desktop program's.
class TstCliLibraries : public QObject {
    Q_OBJECT

private slots:
    void needsNoHeavyLibrary_data();
    void needsNoHeavyLibrary();
    void helperCommandsKeepTheirExitCodes_data();
    void helperCommandsKeepTheirExitCodes();
    void missingPartIsReported_data();
    void missingPartIsReported();
    void homeIsTheProgramsHomeFolder_data();
    void homeIsTheProgramsHomeFolder();
};

namespace {

QString program(const QString& name)
{
    return testutil::builtProgram(QStringLiteral("src/cli/") + name);
}

using Run = testutil::ProcessRun;

Run run(const QString& path, const QStringList& args)
{
    return testutil::runProcess(path, args);
}

} // namespace

void TstCliLibraries::needsNoHeavyLibrary_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("library");
    QTest::newRow("velmora-cli libQt6Core") << "velmora-cli" << "libQt6Core";
    for (const char* lib : {"libQt6Network", "libQt6Gui", "libQt6Multimedia", "libavcodec", "libssh", "libjpeg"})
        QTest::addRow("velmora-cli-core.so %s", lib) << "velmora-cli-core.so" << lib;
    for (const char* lib : {"libQt6Gui", "libavcodec"})
        QTest::addRow("velmora-cli-net %s", lib) << "velmora-cli-net" << lib;
    // The publish helper runs only for `publish`; it reaches the episode form (and so the audio
    // codecs) through the upload workflow, but never the windows or the sound system.
    for (const char* lib : {"libQt6Widgets", "libQt6Multimedia"})
        QTest::addRow("velmora-cli-publish %s", lib) << "velmora-cli-publish" << lib;
}

void TstCliLibraries::needsNoHeavyLibrary()
{
    QFETCH(QString, name);
    QFETCH(QString, library);
    const Run r = run(QStringLiteral("readelf"), {QStringLiteral("-d"), program(name)});
    if (r.code != 0)
        QSKIP("readelf (binutils) cannot read the program");
    QVERIFY2(r.out.contains("(NEEDED)"), "readelf listed no needed libraries");
    QVERIFY2(!r.out.contains(library.toLatin1()),
             qPrintable(name + QLatin1String(" links ") + library
                        + QLatin1String(": move the command that needs it into a helper (src/cli/CMakeLists.txt)")));
}

void TstCliLibraries::helperCommandsKeepTheirExitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("text"); // on stdout for code 0, else on stderr
    QTest::newRow("ftp help") << QStringList{"ftp", "--help"} << 0 << QByteArray("Usage: velmora-cli ftp");
    QTest::newRow("ftp without host") << QStringList{"ftp"} << 2 << QByteArray("HOST and COMMAND are needed");
    QTest::newRow("feed download help") << QStringList{"feed", "download", "--help"} << 0
                                        << QByteArray("Usage: velmora-cli feed download");
    QTest::newRow("feed set help") << QStringList{"feed", "set", "--help"} << 0
                                   << QByteArray("Usage: velmora-cli feed set");
    QTest::newRow("publish help") << QStringList{"publish", "--help"} << 0 << QByteArray("Usage: velmora-cli publish");
    QTest::newRow("publish, unknown option") << QStringList{"publish", "--force"} << 2
                                             << QByteArray("unknown argument \"--force\"");
    QTest::newRow("image without file") << QStringList{"image", "info"} << 2 << QByteArray("velmora-cli: ");
}

void TstCliLibraries::helperCommandsKeepTheirExitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QByteArray, text);
    const Run r = run(program(QStringLiteral("velmora-cli")), args);
    QCOMPARE(r.code, code);
    QVERIFY2((code == 0 ? r.out : r.err).contains(text), (r.out + r.err).constData());
}

void TstCliLibraries::missingPartIsReported_data()
{
    QTest::addColumn<QStringList>("copied"); // beside velmora-cli in an empty folder
    QTest::addColumn<QByteArray>("error");
    QTest::newRow("no core") << QStringList{}
                             << QByteArray("velmora-cli: velmora-cli-core.so is not installed beside velmora-cli;"
                                           " reinstall the program\n");
    QTest::newRow("no network helper")
        << QStringList{"velmora-cli-core.so"}
        << QByteArray("velmora-cli: velmora-cli-net is not installed beside velmora-cli; reinstall the program\n");
}

void TstCliLibraries::missingPartIsReported()
{
    QFETCH(QStringList, copied);
    QFETCH(QByteArray, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString& name : copied << QStringLiteral("velmora-cli"))
        QVERIFY(QFile::copy(program(name), dir.filePath(name)));
    const Run r = run(dir.filePath(QStringLiteral("velmora-cli")), {QStringLiteral("ftp"), QStringLiteral("--help")});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.err, error);
}

void TstCliLibraries::homeIsTheProgramsHomeFolder_data()
{
    // VELMORA_HOME, XDG_DATA_HOME, HOME; "-" leaves the variable unset.
    QTest::addColumn<QStringList>("env");
    QTest::newRow("default") << QStringList{"-", "-", "/home/pat"};
    QTest::newRow("VELMORA_HOME cleaned") << QStringList{"/srv//velmora/./data/", "-", "/home/pat"};
    QTest::newRow("VELMORA_HOME relative, trimmed") << QStringList{" \t../shows/./a/.. ", "-", "/home/pat"};
    QTest::newRow("VELMORA_HOME blank") << QStringList{"   ", "/data", "/home/pat"};
    QTest::newRow("VELMORA_HOME above the root") << QStringList{"/../x/../..", "-", "/home/pat"};
    QTest::newRow("XDG_DATA_HOME relative") << QStringList{"-", "rel/./share/", "/home/pat"};
    QTest::newRow("XDG_DATA_HOME empty") << QStringList{"-", "", "/home//pat/../sam/"};
    QTest::newRow("HOME unset") << QStringList{"-", "-", "-"};
    QTest::newRow("HOME relative") << QStringList{"-", "-", "a/../../b"};
    QTest::newRow("not ASCII") << QStringList{"/tmp/Sendungen für Kinder", "-", "/home/pat"};
}

void TstCliLibraries::homeIsTheProgramsHomeFolder()
{
    QFETCH(QStringList, env);
    const char* const names[] = {"VELMORA_HOME", "XDG_DATA_HOME", "HOME"};
    QProcessEnvironment processEnv = QProcessEnvironment::systemEnvironment();
    QByteArray saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        had[i] = qEnvironmentVariableIsSet(names[i]);
        saved[i] = qgetenv(names[i]);
        if (env[i] == QLatin1String("-")) {
            qunsetenv(names[i]);
            processEnv.remove(QLatin1String(names[i]));
        } else {
            qputenv(names[i], env[i].toUtf8());
            processEnv.insert(QLatin1String(names[i]), env[i]);
        }
    }
    const QString expected = HomeFolder::resolve().path();
    for (int i = 0; i < 3; ++i) {
        if (had[i])
            qputenv(names[i], saved[i]);
        else
            qunsetenv(names[i]);
    }
    QProcess p;
    p.setProcessEnvironment(processEnv);
    p.start(program(QStringLiteral("velmora-cli")), {QStringLiteral("home")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), expected + QLatin1Char('\n'));
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora")); // as velmora-cli names itself
    TstCliLibraries test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clilibraries.moc"
