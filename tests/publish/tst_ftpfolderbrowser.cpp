// The FTP folder browser against a real FTP server (pyftpdlib on 127.0.0.1) and OpenSSH's sshd.
#include "support/FtpTestServer.h"
#include "support/SecureTestServer.h"
#include "net/CFtpClient.h"
#include "publish/FtpFolderBrowser.h"
#include "net/FtpServerField.h"
#include "support/SecureTestServer.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kWaitMs = 15000;

QStringList texts(const FtpFolderBrowser& b)
{
    QStringList result;
    for (const FtpFolderBrowser::Row& row : b.rows())
        result << row.text;
    return result;
}

} // namespace

class TestFtpFolderBrowser : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_server = std::make_unique<FtpTestServer>();
        QString error;
        QVERIFY2(m_server->start(&error), qPrintable(error));
        for (const char* folder : {"www/audio", "www/img", "docs", "empty"})
            QVERIFY(QDir().mkpath(m_server->path(QLatin1String(folder))));
        testutil::writeFile(m_server->path("readme.txt"), "hello");
        testutil::writeFile(m_server->path("www/index.html"), "<html/>");
        testutil::writeFile(m_server->path("empty/b.mp3"), "x"); // files only
    }

    void serverFieldGivesHostAndPort_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("valid");
        QTest::newRow("explicit TLS") << "ftpes://host" << "host" << 21 << true;
        QTest::newRow("implicit TLS, port 990") << "FTPS://host" << "host" << 990 << true;
        QTest::newRow("implicit TLS, own port") << "ftps://host:9990" << "host" << 9990 << true;
        QTest::newRow("SFTP, port 22") << "sftp://host" << "host" << 22 << true;
        QTest::newRow("SFTP URL with user and port") << "sftp://podcaster@host:2222/" << "host" << 2222 << true;
        QTest::newRow("password in the address") << "sftp://podcaster:pw@host" << "host" << 22 << false;
        QTest::newRow("plain") << "ftp.example.com" << "ftp.example.com" << 21 << true;
        QTest::newRow("prefix and port") << "FTP://127.0.0.1:2121" << "127.0.0.1" << 2121 << true;
        QTest::newRow("IPv6 literal left alone") << "::1" << "::1" << 21 << true;
        QTest::newRow("bracketed IPv6 and port") << "ftp://[::1]:2121" << "::1" << 2121 << true;
        QTest::newRow("trailing slash and blanks") << " ftp://ftp.example.com/ " << "ftp.example.com" << 21 << true;
        // Fields that name no reachable server keep the address, so a connection fails as before.
        QTest::newRow("port out of range") << "host:70000" << "host:70000" << 21 << false;
        QTest::newRow("unknown protocol") << "gopher://host" << "gopher://host" << 21 << false;
        QTest::newRow("folder in the field") << "ftp://host/www" << "host/www" << 21 << false;
        QTest::newRow("port only") << ":2121" << ":2121" << 21 << false;
    }
    void serverFieldGivesHostAndPort()
    {
        QFETCH(QString, field);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, valid);
        const FtpServerField parsed = FtpServerField::parse(field);
        QCOMPARE(parsed.host, host);
        QCOMPARE(parsed.port, port);
        QCOMPARE(parsed.error.isEmpty(), valid);
        QCOMPARE(parsed.sftp, field.startsWith("sftp://"));
        QCOMPARE(parsed.user, field.contains('@') ? QString("podcaster") : QString());
    }

    void pathRules()
    {
        QCOMPARE(FtpFolderBrowser::parentOf("/www"), QString("/"));
        QCOMPARE(FtpFolderBrowser::parentOf("/www/audio"), QString("/www"));
        QCOMPARE(FtpFolderBrowser::pathIn("/", "www"), QString("/www"));
        QCOMPARE(FtpFolderBrowser::pathIn("/www", "audio"), QString("/www/audio"));
    }

    void browsesDownAndUp()
    {
        FtpFolderBrowser b;
        b.open({QString("ftp://127.0.0.1:%1").arg(m_server->port()), "user", "secret", true});
        QCOMPARE(b.status(), QString("Status: Connecting to 127.0.0.1:%1 ...").arg(m_server->port()));
        QCOMPARE(b.client().TimeOut(), 60);
        QTRY_VERIFY_WITH_TIMEOUT(!b.rows().isEmpty(), kWaitMs);
        QCOMPARE(b.status(), QString("Status: Connected."));
        // At the root: folders only, no parent row.
        QStringList root = texts(b);
        root.sort();
        QCOMPARE(root, (QStringList{"docs", "empty", "www"}));
        for (const FtpFolderBrowser::Row& row : b.rows())
            QCOMPARE(b.client().CurrentDirectoryFiles().Item(row.tag)->FileName, row.text);

        const int www = int(texts(b).indexOf("www"));
        b.clickRow(www);
        QCOMPARE(b.chosenPath(), QString("/www"));
        b.activateRow(www);
        QTRY_COMPARE_WITH_TIMEOUT(b.currentDirectory(), QString("/www"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(b.rows().first().text, QString("Go to parent directory"), kWaitMs);
        QCOMPARE(texts(b).size(), 3);
        QVERIFY(b.rows().first().isParent());
        b.clickRow(int(texts(b).indexOf("audio")));
        QCOMPARE(b.chosenPath(), QString("/www/audio"));
        b.clickRow(0); // the parent row chooses nothing
        QCOMPARE(b.chosenPath(), QString("/www/audio"));

        // Up from /www leads to the root, where the parent row is gone again.
        b.activateRow(0);
        QTRY_COMPARE_WITH_TIMEOUT(b.currentDirectory(), QString("/"), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!texts(b).contains("Go to parent directory"), kWaitMs);

        b.activateRow(int(texts(b).indexOf("empty")));
        QTRY_COMPARE_WITH_TIMEOUT(b.currentDirectory(), QString("/empty"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(texts(b), QStringList{"Go to parent directory"}, kWaitMs);

        b.close();
        QTRY_COMPARE_WITH_TIMEOUT(b.client().FtpSessionState(), int(CFtpClient::stNotConnected), kWaitMs);
    }

    // The certificate the project trusts ("FTPTrust") lets the browser in, as it lets a publish in.
    void projectTrustReachesTheServer_data()
    {
        QTest::addColumn<bool>("trusted");
        QTest::newRow("trusted") << true;
        QTest::newRow("not trusted") << false;
    }
    void projectTrustReachesTheServer()
    {
        QFETCH(bool, trusted);
        SecureTestServer server;
        QString error;
        if (!server.start(QStringLiteral("vsftpd"), {}, &error))
            QSKIP(qPrintable(QStringLiteral("vsftpd cannot run here (it needs root and unshare): ") + error));
        FtpFolderBrowser b;
        b.open({QString("ftpes://127.0.0.1:%1").arg(server.port()), server.user(), server.password(), true,
                trusted ? server.fingerprint() : QString()});
        if (trusted) {
            QTRY_COMPARE_WITH_TIMEOUT(b.status(), QString("Status: Connected."), kWaitMs);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(b.status().startsWith("Status: Error of connection with server."), kWaitMs);
            QVERIFY2(b.status().contains(server.fingerprint()), qPrintable(b.status()));
        }
    }

    void failedLoginIsShownInTheStatus()
    {
        FtpFolderBrowser b;
        b.open({QString("127.0.0.1:%1").arg(m_server->port()), "user", "wrong", true});
        QTRY_VERIFY_WITH_TIMEOUT(b.status() != QString("Status: Connecting to 127.0.0.1:%1 ...").arg(m_server->port()), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(b.status().startsWith("Status: Error of connection with server. Server has returned the answer: 530"), kWaitMs);
        QVERIFY(b.rows().isEmpty());
    }

    void refusedChangeKeepsTheList()
    {
        FtpFolderBrowser b;
        b.open({QString("127.0.0.1:%1").arg(m_server->port()), "user", "secret", true});
        QTRY_VERIFY_WITH_TIMEOUT(!b.rows().isEmpty(), kWaitMs);
        const QStringList before = texts(b);
        QDir(m_server->path("docs")).removeRecursively(); // gone between listing and click
        b.activateRow(int(before.indexOf("docs")));
        QTRY_VERIFY_WITH_TIMEOUT(b.status().startsWith("Status: Server has returned the answer: 550"), kWaitMs);
        QCOMPARE(texts(b), before);
        QCOMPARE(b.currentDirectory(), QString("/"));
        QDir().mkpath(m_server->path("docs"));
    }

    // Over SFTP the browser starts in the login folder and goes down and up the same way.
    void browsesOverSftp()
    {
        SecureTestServer sshd;
        QString error;
        if (!sshd.start("sshd", {}, &error))
            QSKIP(qPrintable("sshd cannot run here (it needs root and unshare): " + error));
        QVERIFY(QDir().mkpath(sshd.home() + "/www/audio"));
        QTemporaryDir home;
        const QByteArray hostKey = testutil::readFile(sshd.info("hostkey")).trimmed();
        QDir().mkpath(home.filePath(".ssh"));
        testutil::writeFile(home.filePath(".ssh/known_hosts"), QString("[127.0.0.1]:%1 ").arg(sshd.port()).toUtf8() + hostKey + '\n');
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        FtpFolderBrowser b;
        b.open({QString("sftp://%1@127.0.0.1:%2").arg(sshd.user()).arg(sshd.port()), "", sshd.password(), true});
        qputenv("HOME", oldHome);
        QTRY_VERIFY_WITH_TIMEOUT(texts(b).contains("www"), kWaitMs);
        QCOMPARE(b.currentDirectory(), sshd.home());
        b.activateRow(int(texts(b).indexOf("www")));
        QTRY_COMPARE_WITH_TIMEOUT(b.currentDirectory(), sshd.home() + "/www", kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(texts(b), (QStringList{"Go to parent directory", "audio"}), kWaitMs);
        b.activateRow(0);
        QTRY_COMPARE_WITH_TIMEOUT(b.currentDirectory(), sshd.home(), kWaitMs);
        b.close();
        QTRY_COMPARE_WITH_TIMEOUT(b.client().FtpSessionState(), int(FileTransferClient::stNotConnected), kWaitMs);
    }

private:
    std::unique_ptr<FtpTestServer> m_server;
};

QTEST_GUILESS_MAIN(TestFtpFolderBrowser)
#include "tst_ftpfolderbrowser.moc"
