#include "../http/ScriptedHttpServer.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "support/LocalPorts.h"

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs velmora-cli while this thread's event loop keeps running, so that an in-process server
// can answer it.
Run cli(const QStringList& args)
{
    QProcess p;
    QSignalSpy done(&p, &QProcess::finished);
    p.start(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")), args);
    if (!done.wait(60000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// One line on stderr, ending in a line feed.
bool oneLine(const QByteArray& err)
{
    return err.endsWith('\n') && err.count('\n') == 1 && err.startsWith("velmora-cli: ");
}

} // namespace

class TestFeedDownloadCli : public QObject {
    Q_OBJECT
private slots:
    void realServerDownloadMatchesRewriteOfTheSameFile()
    {
        QTemporaryDir www;
        // Every channel field the download would otherwise default is present, so the two
        // commands must agree byte for byte.
        const QByteArray feed = QByteArray()
            + "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
              "<!DOCTYPE rss [<!ENTITY x \"y\">]>\r\n"
              "<rss version=\"2.0\"><channel><title>Caf\xE9 Fran\xE7" "ais</title>"
              "<link>http://example.com/</link><description>D\xE9j\xE0 vu</description>"
              "<language>fr</language><pubDate>Sun, 06 Dec 2026 08:00:00 GMT</pubDate>"
              "<item><title>\xC9pisode 1</title><guid>g1</guid>"
              "<enclosure url=\"http://example.com/1.mp3\" length=\"12\" type=\"audio/mpeg\"/></item>"
              "</channel></rss>\r\n";
        QVERIFY(testutil::writeFile(www.filePath("feed.rss"), feed));
        QVERIFY(testutil::writeFile(www.filePath("atom.xml"),
                                    testutil::readFile(VELMORA_TEST_DATA "/feed/atom.xml")));
        const quint16 port = testutil::freePort();
        QProcess server;
        server.setWorkingDirectory(www.path());
        server.start("/usr/bin/python3", {"-m", "http.server", QString::number(port), "--bind", "127.0.0.1"});
        QVERIFY(server.waitForStarted());
        QVERIFY(testutil::waitForPort(port));
        const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(port);

        QTemporaryDir out;
        const Run d = cli({"feed", "download", base + "feed.rss", "--out", out.filePath("d.rss")});
        QCOMPARE(d.code, 0);
        QVERIFY(d.err.isEmpty());
        const Run r = cli({"feed", "rewrite", www.filePath("feed.rss"), out.filePath("r.rss")});
        QCOMPARE(r.code, 0);
        const QByteArray downloaded = testutil::readFile(out.filePath("d.rss"));
        QVERIFY(downloaded.contains("<title>Caf\xE9 Fran\xE7" "ais</title>"));
        QVERIFY(downloaded.contains("<title>\xC9pisode 1</title>"));
        QCOMPARE(downloaded, testutil::readFile(out.filePath("r.rss")));

        const Run atom = cli({"feed", "download", base + "atom.xml", "--out", out.filePath("a.rss")});
        QCOMPARE(atom.code, 0);
        const QByteArray converted = testutil::readFile(out.filePath("a.rss"));
        QVERIFY(converted.contains("<title>Atom Show</title>"));
        QVERIFY(converted.contains("<enclosure url=\"https://atom.example/1.mp3\" length=\"999\""));

        // A missing file: one line, exit 1, and an existing output file is left alone.
        QVERIFY(testutil::writeFile(out.filePath("keep.rss"), "old"));
        const Run missing = cli({"feed", "download", base + "missing.rss", "--out", out.filePath("keep.rss")});
        QCOMPARE(missing.code, 1);
        QVERIFY2(oneLine(missing.err), missing.err.constData());
        QVERIFY(missing.err.contains("404"));
        QCOMPARE(testutil::readFile(out.filePath("keep.rss")), QByteArray("old"));
        server.kill();
        server.waitForFinished();
    }

    void failuresAreOneLineWithExitCodeOne_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("401") << QByteArray("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n\r\nno")
                             << QByteArray("You must provide user name and password to retrieve the resource by that URL.");
        QTest::newRow("html") << QByteArray("HTTP/1.1 200 OK\r\n\r\n<html><p>moved</html>")
                              << QByteArray("is not an RSS, Atom or RDF feed");
        QTest::newRow("no markup") << QByteArray("HTTP/1.1 200 OK\r\n\r\nplain words")
                                   << QByteArray("sent no markup");
    }

    void failuresAreOneLineWithExitCodeOne()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, expected);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [response](const QByteArray&) { return response; };
        QTemporaryDir out;
        const Run r = cli({"feed", "download", QStringLiteral("http://127.0.0.1:%1/f").arg(server.port()),
                           "--out", out.filePath("f.rss")});
        QCOMPARE(r.code, 1);
        QVERIFY2(oneLine(r.err), r.err.constData());
        QVERIFY2(r.err.contains(expected), r.err.constData());
        QVERIFY(!QFile::exists(out.filePath("f.rss")));
    }

    void timeoutOption()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        QTemporaryDir out;
        server.silent = true;
        QElapsedTimer clock;
        clock.start();
        const Run t = cli({"feed", "download", QStringLiteral("http://127.0.0.1:%1/slow").arg(server.port()),
                           "--out", out.filePath("t.rss"), "--timeout", "0.5"});
        QCOMPARE(t.code, 1);
        QVERIFY2(oneLine(t.err), t.err.constData());
        QVERIFY(t.err.contains("within 0.5 seconds"));
        QVERIFY(clock.elapsed() < 20000);
    }

    void badArguments()
    {
        QCOMPARE(cli({"feed", "download", "--out", "x.rss"}).code, 2);
        QCOMPARE(cli({"feed", "download", "http://h/f"}).code, 2);
        QCOMPARE(cli({"feed", "download", "http://h/f", "--out", "x", "--timeout", "soon"}).code, 2);
        QCOMPARE(cli({"feed", "download", "http://h/f", "--out", "x", "--bogus"}).code, 2);
        const Run help = cli({"feed", "download", "--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains("Usage: velmora-cli feed download URL --out FILE"));
        QVERIFY(cli({"feed", "--help"}).out.contains("download URL --out FILE"));
    }
};

QTEST_GUILESS_MAIN(TestFeedDownloadCli)
#include "tst_feeddownloadcli.moc"
