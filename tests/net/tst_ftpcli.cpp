// "velmora-cli ftp" against a real FTP server (pyftpdlib on 127.0.0.1).
#include "support/FtpTestServer.h"
#include "support/TestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestFtpCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void putThenListAsJson();
    void listSubdirectoryNamesServerDirectory();
    void getResumesOrOverwrites();
    void directoryCommands();
    void serverForms_data();
    void serverForms();
    void failureExitsOneWithFtpError();
    void badArgumentsExitTwo_data();
    void badArgumentsExitTwo();
    void logMasksPassword();
    void silentServerTimesOut();

private:
    CliResult cli(const QStringList& args, const QString& password = QStringLiteral("secret"));
    QStringList login() const;

    std::unique_ptr<FtpTestServer> m_server;
    QTemporaryDir m_local;
};

void TestFtpCli::initTestCase()
{
    m_server = std::make_unique<FtpTestServer>();
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    QVERIFY(QFileInfo::exists(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli"))));
}

QStringList TestFtpCli::login() const
{
    return {QStringLiteral("--user"), QStringLiteral("user"), QStringLiteral("--password-env"),
            QStringLiteral("VELMORA_TEST_FTP_PASSWORD"), QStringLiteral("--port"),
            QString::number(m_server->port())};
}

CliResult TestFtpCli::cli(const QStringList& args, const QString& password)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_TEST_FTP_PASSWORD"), password);
    process.setProcessEnvironment(env);
    process.start(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")), QStringList{QStringLiteral("ftp")} + args);
    CliResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void TestFtpCli::putThenListAsJson()
{
    const QString local = m_local.filePath(QStringLiteral("episode 3.mp3"));
    QVERIFY(testutil::writeFile(local, QByteArray(20000, 'e')));
    for (const QString& mode : {QStringLiteral("--passive"), QStringLiteral("--active")}) {
        const CliResult put = cli(login() + QStringList{mode, QStringLiteral("127.0.0.1"), QStringLiteral("put"), local,
                                                        QStringLiteral("episode 3.mp3")});
        QCOMPARE(put.exitCode, 0);
        QVERIFY2(put.err.isEmpty(), put.err.constData()); // no terminal: no progress line
        QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("episode 3.mp3"))), QByteArray(20000, 'e'));
    }
    // Resume an upload from an offset.
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("part.bin")), "0123"));
    QVERIFY(testutil::writeFile(m_local.filePath(QStringLiteral("part.bin")), "0123456789"));
    QCOMPARE(cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("put"),
                                       m_local.filePath(QStringLiteral("part.bin")), QStringLiteral("part.bin"),
                                       QStringLiteral("--offset"), QStringLiteral("4")}).exitCode, 0);
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("part.bin"))), QByteArray("0123456789"));

    const CliResult ls = cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("ls")});
    QCOMPARE(ls.exitCode, 0);
    QJsonParseError parseError;
    const QJsonObject root = QJsonDocument::fromJson(ls.out, &parseError).object();
    QCOMPARE(parseError.error, QJsonParseError::NoError);
    QCOMPARE(root.value(QStringLiteral("directory")).toString(), QStringLiteral("/"));
    QJsonObject episode;
    for (const QJsonValue& v : root.value(QStringLiteral("files")).toArray()) {
        if (v.toObject().value(QStringLiteral("name")).toString() == QLatin1String("episode 3.mp3"))
            episode = v.toObject();
    }
    QVERIFY2(!episode.isEmpty(), ls.out.constData());
    QCOMPARE(episode.value(QStringLiteral("size")).toInteger(), 20000);
    QCOMPARE(episode.value(QStringLiteral("isDirectory")).toBool(), false);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:00$"))
                .match(episode.value(QStringLiteral("lastWriteTime")).toString()).hasMatch());
    for (const char* key : {"path", "permissions", "owner", "group"})
        QVERIFY2(episode.value(QLatin1String(key)).isString(), key);
    QVERIFY(episode.value(QStringLiteral("permissions")).toString().startsWith(QLatin1Char('-')));
}

void TestFtpCli::listSubdirectoryNamesServerDirectory()
{
    QVERIFY(QDir(m_server->home()).mkpath(QStringLiteral("shows/2026")));
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("shows/2026/a.mp3")), "abc"));
    const CliResult ls = cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("ls"), QStringLiteral("shows/2026")});
    QCOMPARE(ls.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(ls.out).object();
    QCOMPARE(root.value(QStringLiteral("directory")).toString(), QStringLiteral("/shows/2026"));
    const QJsonArray files = root.value(QStringLiteral("files")).toArray();
    QCOMPARE(files.size(), 1);
    QCOMPARE(files.at(0).toObject().value(QStringLiteral("size")).toInteger(), 3);
}

void TestFtpCli::getResumesOrOverwrites()
{
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("feed.rss")), "<rss>complete</rss>"));
    const QString local = m_local.filePath(QStringLiteral("feed.rss"));
    QVERIFY(testutil::writeFile(local, "<rss>"));
    QCOMPARE(cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("get"), QStringLiteral("feed.rss"), local}).exitCode, 0);
    QCOMPARE(testutil::readFile(local), QByteArray("<rss>complete</rss>"));
    QVERIFY(testutil::writeFile(local, "something else entirely, and longer"));
    QCOMPARE(cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("get"), QStringLiteral("feed.rss"), local,
                                       QStringLiteral("--overwrite")}).exitCode, 0);
    QCOMPARE(testutil::readFile(local), QByteArray("<rss>complete</rss>"));
}

void TestFtpCli::directoryCommands()
{
    const QStringList host{QStringLiteral("127.0.0.1")};
    QCOMPARE(cli(login() + host + QStringList{QStringLiteral("mkdir"), QStringLiteral("season2")}).exitCode, 0);
    QVERIFY(QFileInfo(m_server->path(QStringLiteral("season2"))).isDir());
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("season2/a.mp3")), "a"));
    QCOMPARE(cli(login() + host + QStringList{QStringLiteral("mv"), QStringLiteral("season2/a.mp3"), QStringLiteral("season2/b.mp3")}).exitCode, 0);
    QVERIFY(QFileInfo::exists(m_server->path(QStringLiteral("season2/b.mp3"))));
    QCOMPARE(cli(login() + host + QStringList{QStringLiteral("rm"), QStringLiteral("season2/b.mp3")}).exitCode, 0);
    QCOMPARE(cli(login() + host + QStringList{QStringLiteral("rmdir"), QStringLiteral("season2")}).exitCode, 0);
    QVERIFY(!QFileInfo::exists(m_server->path(QStringLiteral("season2"))));
    const CliResult pwd = cli(login() + host + QStringList{QStringLiteral("pwd")});
    QCOMPARE(pwd.exitCode, 0);
    QCOMPARE(pwd.out, QByteArray("/\n"));
}

void TestFtpCli::serverForms_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("portOption");
    const QString port = QString::number(m_server->port());
    QTest::newRow("host:port") << "127.0.0.1:" + port << false;
    QTest::newRow("ftp://host:port/") << "ftp://127.0.0.1:" + port + "/" << false;
    QTest::newRow("FTP://host with --port") << QStringLiteral("FTP://127.0.0.1") << true;
    QTest::newRow("--port over the field's port") << QStringLiteral("127.0.0.1:9") << true;
}

void TestFtpCli::serverForms()
{
    QFETCH(QString, server);
    QFETCH(bool, portOption);
    QStringList args{QStringLiteral("--user"), QStringLiteral("user"), QStringLiteral("--password-env"),
                     QStringLiteral("VELMORA_TEST_FTP_PASSWORD")};
    if (portOption)
        args << QStringLiteral("--port") << QString::number(m_server->port());
    const CliResult result = cli(args + QStringList{server, QStringLiteral("pwd")});
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QCOMPARE(result.out.trimmed(), QByteArray("/"));
}

void TestFtpCli::failureExitsOneWithFtpError()
{
    const CliResult missing = cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("rm"), QStringLiteral("nothing.mp3")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY2(missing.err.contains("16550") && missing.err.contains("Requested action not taken."), missing.err.constData());
    const CliResult wrong = cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("pwd")}, QStringLiteral("bad"));
    QCOMPARE(wrong.exitCode, 1);
    QVERIFY2(wrong.err.contains("16530"), wrong.err.constData());
    QVERIFY(wrong.out.isEmpty());

    // A reply the table has no text for (554: resuming past the server's end of file) reads
    // as the number and the server's own words.
    const QString local = m_local.filePath(QStringLiteral("short.mp3"));
    QVERIFY(testutil::writeFile(local, QByteArray(100, 'a')));
    QCOMPARE(cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("put"), local, QStringLiteral("short.mp3")}).exitCode, 0);
    const CliResult past = cli(login() + QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("put"), local,
                                                     QStringLiteral("short.mp3"), QStringLiteral("--offset"), QStringLiteral("5000")});
    QCOMPARE(past.exitCode, 1);
    QVERIFY2(past.err.startsWith("velmora-cli: FTP error 16554 (server: 554"), past.err.constData());
}

void TestFtpCli::badArgumentsExitTwo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addRow("unknown command") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("chmod"), QStringLiteral("x")};
    QTest::addRow("port 0") << QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("h"), QStringLiteral("pwd")};
    QTest::addRow("port 65536") << QStringList{QStringLiteral("--port"), QStringLiteral("65536"), QStringLiteral("h"), QStringLiteral("pwd")};
    QTest::addRow("port out of range in the server") << QStringList{QStringLiteral("h:70000"), QStringLiteral("pwd")};
    QTest::addRow("a folder in the server") << QStringList{QStringLiteral("ftp://h/www"), QStringLiteral("pwd")};
    QTest::addRow("short fingerprint") << QStringList{QStringLiteral("--trust"), QStringLiteral("AB:CD"), QStringLiteral("ftpes://h"), QStringLiteral("pwd")};
    QTest::addRow("unknown protocol") << QStringList{QStringLiteral("gopher://h"), QStringLiteral("pwd")};
    QTest::addRow("no command") << QStringList{QStringLiteral("127.0.0.1")};
    QTest::addRow("missing operand") << QStringList{QStringLiteral("h"), QStringLiteral("put"), QStringLiteral("a")};
    QTest::addRow("unknown option") << QStringList{QStringLiteral("--fast"), QStringLiteral("h"), QStringLiteral("pwd")};
    QTest::addRow("unset password variable") << QStringList{QStringLiteral("--password-env"), QStringLiteral("VELMORA_NO_SUCH_VARIABLE"),
                                                            QStringLiteral("h"), QStringLiteral("pwd")};
}

void TestFtpCli::badArgumentsExitTwo()
{
    QFETCH(QStringList, args);
    const CliResult result = cli(args);
    QCOMPARE(result.exitCode, 2);
    QVERIFY(result.err.startsWith("velmora-cli: "));
}

void TestFtpCli::logMasksPassword()
{
    const CliResult result = cli(login() + QStringList{QStringLiteral("--log"), QStringLiteral("127.0.0.1"), QStringLiteral("pwd")},
                                 QStringLiteral("s3cr3t-pw"));
    QCOMPARE(result.exitCode, 1); // wrong password for this server, but the log shows the exchange
    QVERIFY(result.err.contains("> USER user\n"));
    QVERIFY(result.err.contains("> PASS ********\n"));
    QVERIFY(result.err.contains("< 530"));
    QVERIFY(!result.err.contains("s3cr3t-pw"));
}

void TestFtpCli::silentServerTimesOut()
{
    // The system completes the connection; the server never says a word.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const CliResult result = cli({QStringLiteral("--port"), QString::number(silent.serverPort()), QStringLiteral("--timeout"),
                                  QStringLiteral("1"), QStringLiteral("127.0.0.1"), QStringLiteral("pwd")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains("time-out"), result.err.constData());
}

QTEST_GUILESS_MAIN(TestFtpCli)
#include "tst_ftpcli.moc"
