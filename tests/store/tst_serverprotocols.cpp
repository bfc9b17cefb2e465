// The protocol list beside the server field: what each choice writes into the field, which
// choice a typed field shows, and how project.ini keeps the pair.
#include "net/FtpServerField.h"
#include "store/IniFile.h"
#include "store/ProjectList.h"
#include "store/ServerProtocols.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace server_protocols;

class TestServerProtocols : public QObject {
    Q_OBJECT
private slots:
    void choiceRewritesTheField_data();
    void choiceRewritesTheField();
    void fieldShowsItsProtocol_data();
    void fieldShowsItsProtocol();
    void storedPairRoundTrips_data();
    void storedPairRoundTrips();
    void projectFileKeepsHostAndProtocolApart_data();
    void projectFileKeepsHostAndProtocolApart();
};

void TestServerProtocols::choiceRewritesTheField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("written");
    QTest::newRow("bare host to explicit TLS") << "ftp.example.com" << int(Ftpes) << "ftpes://ftp.example.com";
    QTest::newRow("bare host stays bare for FTP") << "ftp.example.com:2121" << int(Ftp) << "ftp.example.com:2121";
    QTest::newRow("port kept") << "ftpes://host:2121" << int(Ftps) << "ftps://host:2121";
    QTest::newRow("back to FTP keeps a prefix") << "ftps://host" << int(Ftp) << "ftp://host";
    QTest::newRow("any letter case") << "FTPES://host" << int(Sftp) << "sftp://host";
    QTest::newRow("IPv6 literal") << "[::1]:990" << int(Ftps) << "ftps://[::1]:990";
    QTest::newRow("blanks around") << "  host " << int(Ftpes) << "ftpes://host";
}

void TestServerProtocols::choiceRewritesTheField()
{
    QFETCH(QString, field);
    QFETCH(int, protocol);
    QFETCH(QString, written);
    QCOMPARE(withProtocol(field, protocol), written);
    QCOMPARE(protocolOf(written), protocol);
}

void TestServerProtocols::fieldShowsItsProtocol_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("security"); // what the FTP client makes of the same field
    QTest::newRow("bare") << "host" << int(Ftp) << 0;
    QTest::newRow("ftp") << "ftp://host" << int(Ftp) << 0;
    QTest::newRow("ftpes") << "ftpes://host" << int(Ftpes) << 1;
    QTest::newRow("ftps") << "Ftps://host:21" << int(Ftps) << 2;
    QTest::newRow("unknown prefix") << "http://host" << int(Ftp) << 0;
}

void TestServerProtocols::fieldShowsItsProtocol()
{
    QFETCH(QString, field);
    QFETCH(int, protocol);
    QFETCH(int, security);
    QCOMPARE(protocolOf(field), protocol);
    QCOMPARE(FtpServerField::parse(field).security, security);
}

void TestServerProtocols::storedPairRoundTrips_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("server");   // "FTPServer"
    QTest::addColumn<QString>("protocol"); // "FTPProtocol"
    QTest::newRow("bare host") << "host" << "host" << "";
    QTest::newRow("ftp prefix kept") << "ftp://host:2121" << "ftp://host:2121" << "";
    QTest::newRow("explicit TLS") << "ftpes://host:2121" << "host:2121" << "ftpes";
    QTest::newRow("implicit TLS") << "ftps://[::1]" << "[::1]" << "ftps";
    QTest::newRow("sftp") << "sftp://host" << "host" << "sftp";
    QTest::newRow("empty") << "" << "" << "";
}

void TestServerProtocols::storedPairRoundTrips()
{
    QFETCH(QString, field);
    QFETCH(QString, server);
    QFETCH(QString, protocol);
    QCOMPARE(storedServer(field), server);
    QCOMPARE(storedProtocol(field), protocol);
    QCOMPARE(fieldFrom(server, protocol), field);
    // A file written before the protocol had its own key keeps the prefix in "FTPServer".
    QCOMPARE(fieldFrom(field, QString()), field);
}

void TestServerProtocols::projectFileKeepsHostAndProtocolApart_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("server");   // "FTPServer" in the file
    QTest::addColumn<QString>("protocol"); // "FTPProtocol" in the file; "-": no such key
    QTest::newRow("ftp") << "ftp.example.com" << "ftp.example.com" << "-";
    QTest::newRow("ftpes with port") << "ftpes://ftp.example.com:2121" << "ftp.example.com:2121" << "ftpes";
    QTest::newRow("sftp") << "sftp://example.com" << "example.com" << "sftp";
}

void TestServerProtocols::projectFileKeepsHostAndProtocolApart()
{
    QFETCH(QString, field);
    QFETCH(QString, server);
    QFETCH(QString, protocol);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("project.ini"));
    ProjectList list;
    list[list.addFeedFile(dir.filePath(QStringLiteral("show.rss")))].ftpServer = field;
    QVERIFY(list.save(path, false));
    IniFile ini;
    QCOMPARE(ini.load(path), IniFile::LoadResult::Loaded);
    QCOMPARE(ini.value(QStringLiteral("Project_0"), QStringLiteral("FTPServer")), server);
    const bool hasKey = testutil::readFile(path).contains("FTPProtocol=");
    QCOMPARE(hasKey, protocol != QLatin1String("-"));
    if (hasKey)
        QCOMPARE(ini.value(QStringLiteral("Project_0"), QStringLiteral("FTPProtocol")), protocol);
    ProjectList back;
    QVERIFY(back.load(path, false));
    QCOMPARE(back[0].ftpServer, field);
}

QTEST_GUILESS_MAIN(TestServerProtocols)
#include "tst_serverprotocols.moc"
