#include "support/TestUtil.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// velmora-cli starts fast because it links only Qt Core: the audio, image and network commands
// run in helper programs. These checks fail when a command file brings a heavy library back.
class TstCliLibraries : public QObject {
    Q_OBJECT

private slots:
    void needsNoHeavyLibrary_data();
    void needsNoHeavyLibrary();
    void helperCommandsKeepTheirExitCodes_data();
    void helperCommandsKeepTheirExitCodes();
    void missingHelperIsReported();
};

namespace {

QString program(const QString& name)
{
    return testutil::builtProgram(QStringLiteral("src/cli/") + name);
}

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& path, const QStringList& args)
{
    QProcess p;
    p.start(path, args);
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

void TstCliLibraries::needsNoHeavyLibrary_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("library");
    for (const char* lib : {"libQt6Network", "libQt6Gui", "libQt6Multimedia", "libavcodec", "libssh", "libjpeg"})
        QTest::addRow("velmora-cli %s", lib) << "velmora-cli" << lib;
    for (const char* lib : {"libQt6Gui", "libavcodec"})
        QTest::addRow("velmora-cli-net %s", lib) << "velmora-cli-net" << lib;
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

void TstCliLibraries::missingHelperIsReported()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString lonely = dir.filePath(QStringLiteral("velmora-cli"));
    QVERIFY(QFile::copy(program(QStringLiteral("velmora-cli")), lonely));
    const Run r = run(lonely, {QStringLiteral("ftp"), QStringLiteral("--help")});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.err, QByteArray("velmora-cli: velmora-cli-net is not installed beside velmora-cli; reinstall the program\n"));
}

QTEST_GUILESS_MAIN(TstCliLibraries)
#include "tst_clilibraries.moc"
