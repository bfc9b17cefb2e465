// CFtpClient against a scripted in-process server: the replies real servers rarely send.
#include "FtpSession.h"
#include "ScriptedFtpServer.h"
#include "support/TestUtil.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

qint64 cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

int count(const QStringList& lines, const QString& line)
{
    return static_cast<int>(lines.count(line));
}

} // namespace

class TestFtpClientScripted : public QObject {
    Q_OBJECT
private slots:
    void propertiesKeepTheirRanges();
    void activePortCounterWraps();
    void userAnsweredWith230SkipsPassword();
    void multiLineGreetingIsOneReply();
    void waitingForRestOfReplyDoesNotSpin();
    void replySplitAcrossReadsIsHandledOnce();
    void backslashesInDirectoryBecomeSlashes();
    void unreadableDirectoryReplyFails();
    void silentServerTimesOutUntilCancelled();
    void foreignPasvAddressGoesToControlPeer();
    void listingSkipsUnreadableLines();
    void unreadableListingFails();
    void serviceNotAvailableClosesSession_data();
    void serviceNotAvailableClosesSession();
    void serviceNotAvailableWithoutOperationCloses();
    void controlDropMidTransferFails();
    void earlyDataCloseIsNotSuccess();
    void uploadCutShortByServerFails();
    void cancelAbortsTransfer();
    void offsetsBeyondFourGigabytes();
    void anonymousLogin();

private:
    QTemporaryDir m_local;
};

void TestFtpClientScripted::propertiesKeepTheirRanges()
{
    CFtpClient client;
    QCOMPARE(client.RemotePort(), 21);
    QCOMPARE(client.SendBufferLenght(), 1460);
    QCOMPARE(client.TimeOut(), 60);
    QCOMPARE(client.TransferMode(), 1);
    QCOMPARE(client.PassiveMode(), false);
    QCOMPARE(client.FtpSessionState(), 1);
    client.setSendBufferLenght(100);
    QCOMPARE(client.SendBufferLenght(), 1460);
    client.setSendBufferLenght(10000);
    QCOMPARE(client.SendBufferLenght(), 1460);
    client.setSendBufferLenght(8192);
    QCOMPARE(client.SendBufferLenght(), 8192);
    client.setRemotePort(0);
    client.setRemotePort(65536);
    QCOMPARE(client.RemotePort(), 21);
    client.setRemotePort(65535);
    QCOMPARE(client.RemotePort(), 65535);
    // Without a server nothing starts; without a session a command is not started twice.
    QVERIFY(!client.Connect());
    QVERIFY(!client.DeleteFile(QString()));
}

void TestFtpClientScripted::activePortCounterWraps()
{
    CFtpClient::setLastActivePort(0);
    const int first = CFtpClient::nextActivePort();
    QVERIFY(first >= 20000 && first <= 40001);
    QCOMPARE(CFtpClient::nextActivePort(), first + 1);
    CFtpClient::setLastActivePort(65534);
    QCOMPARE(CFtpClient::nextActivePort(), 65535);
    QCOMPARE(CFtpClient::nextActivePort(), 20000);
    QCOMPARE(CFtpClient::nextActivePort(), 20001);
}

void TestFtpClientScripted::userAnsweredWith230SkipsPassword()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb != "USER")
            return false;
        server.send("230 Welcome, no password needed.\r\n");
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.commands(), (QStringList{QStringLiteral("USER user"), QStringLiteral("PWD")}));
    QVERIFY(s.states.contains(5));
}

void TestFtpClientScripted::multiLineGreetingIsOneReply()
{
    ScriptedFtpServer server;
    server.greeting = "220-Welcome to the podcast host\r\n220 Ready when you are\r\n";
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(count(s.commands(), QStringLiteral("USER user")), 1);
    QCOMPARE(s.log.first(), QStringLiteral("1 220-Welcome to the podcast host\r\n220 Ready when you are"));
    QCOMPARE(s.client.FtpServerMessage(), QStringLiteral("Welcome to the podcast host"));
    QCOMPARE(s.client.FtpServerMessage(), QString());
}

void TestFtpClientScripted::waitingForRestOfReplyDoesNotSpin()
{
    ScriptedFtpServer server;
    server.greeting = "220-First line of a long greeting\r\n";
    QTimer::singleShot(100, &server, [&] { server.sendLater("220 Done\r\n", 700); });
    FtpSession s(server.port());
    QVERIFY(s.client.Connect());
    // While the rest of the greeting is on its way, the process sleeps in the event loop.
    QTest::qWait(150);
    const qint64 cpuBefore = cpuMilliseconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(500);
    const qint64 cpuUsed = cpuMilliseconds() - cpuBefore;
    QVERIFY2(cpuUsed < 150, qPrintable(QStringLiteral("%1 ms of CPU in %2 ms").arg(cpuUsed).arg(wall.elapsed())));
    QVERIFY(s.commands().isEmpty());
    QCOMPARE(s.waiter.wait(5000), 0);
    QCOMPARE(count(s.commands(), QStringLiteral("USER user")), 1);
}

void TestFtpClientScripted::replySplitAcrossReadsIsHandledOnce()
{
    ScriptedFtpServer server;
    server.greeting = "22";
    QTimer::singleShot(200, &server, [&] { server.send("0 Split greeting\r\n"); });
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(count(s.log, QStringLiteral("1 220 Split greeting")), 1);
    QCOMPARE(count(s.commands(), QStringLiteral("USER user")), 1);
    QCOMPARE(server.commands.size(), 3);
}

void TestFtpClientScripted::backslashesInDirectoryBecomeSlashes()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb != "PWD")
            return false;
        server.send("257 \"C:\\podcasts\\weekly\" is current directory.\r\n");
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.client.CurrentDirectory(), QStringLiteral("C:/podcasts/weekly"));
}

void TestFtpClientScripted::unreadableDirectoryReplyFails()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb != "PWD")
            return false;
        server.send("257 somewhere\r\n");
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16001);
    QCOMPARE(s.client.LastFtpError().Description,
             QStringLiteral("Cannot retrieve the current directory path. Unexpected server response."));
    QCOMPARE(s.client.CurrentDirectory(), QString());
    QTRY_COMPARE(s.client.FtpSessionState(), 1);
}

void TestFtpClientScripted::silentServerTimesOutUntilCancelled()
{
    ScriptedFtpServer server;
    server.greeting.clear();
    FtpSession s(server.port());
    s.client.setTimeUnitMs(40);
    s.client.setTimeOut(2);
    QVERIFY(s.client.Connect());
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(s.waiter.wait(5000), 2);
        QCOMPARE(s.waiter.lastOperation(), int(CFtpClient::opConnect));
        QCOMPARE(s.client.CurrentOperation(), int(CFtpClient::opConnect));
    }
    s.client.CancelAsyncMethod();
    QCOMPARE(s.waiter.wait(0), 3);
    QCOMPARE(s.client.CurrentOperation(), 0);
    // Nothing more once cancelled.
    QCOMPARE(s.waiter.wait(300), -1);
}

void TestFtpClientScripted::foreignPasvAddressGoesToControlPeer()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("10.99.1.2"));
        } else if (verb == "LIST") {
            server.send("150 Here it comes.\r\n");
            server.sendData("drwxr-xr-x 2 user group 4096 Jan 12 13:45 docs\r\n");
            server.closeData();
            server.sendLater("226 Done.\r\n", 50);
        } else {
            return false;
        }
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.EnumFiles(); }, 10000), 0);
    QVERIFY(s.states.contains(11));
    QCOMPARE(s.client.CurrentDirectoryFiles().Count(), 1);
    QVERIFY(s.client.CurrentDirectoryFiles().Item(QStringLiteral("docs"))->IsDirectory);
}

void TestFtpClientScripted::listingSkipsUnreadableLines()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("127.0.0.1"));
        } else if (verb == "LIST") {
            // Both replies in one read, before the data has even been sent.
            server.send("150 Here it comes.\r\n226 Done.\r\n");
            server.sendData("Welcome to the archive!\r\n"
                            "-rw-r--r-- 1 user group 3000000000 Jan 12  2025 episode 1.mp4\r\n");
            server.closeData();
        } else {
            return false;
        }
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.EnumFiles(); }, 10000), 0);
    const CFtpFiles& files = s.client.CurrentDirectoryFiles();
    QCOMPARE(files.Count(), 1);
    QCOMPARE(files.Item(0)->FileName, QStringLiteral("episode 1.mp4"));
    QCOMPARE(files.Item(0)->FileSize, Q_INT64_C(3000000000));
    QVERIFY(s.client.CurrentDirectoryListing().startsWith(QLatin1String("Welcome")));
}

void TestFtpClientScripted::unreadableListingFails()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("127.0.0.1"));
        } else if (verb == "LIST") {
            server.send("150 Here it comes.\r\n");
            server.sendData("nothing here looks like a listing\r\nnor here\r\n");
            server.closeData();
            server.sendLater("226 Done.\r\n", 30);
        } else {
            return false;
        }
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.EnumFiles(); }, 10000), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16002);
    QCOMPARE(s.client.LastFtpError().Description, QStringLiteral("Unknown listing format."));
    QCOMPARE(s.client.LastFtpError().Source, QStringLiteral("CFtpClient.m_objDataSocket_OnClose"));
}

void TestFtpClientScripted::serviceNotAvailableClosesSession_data()
{
    QTest::addColumn<QByteArray>("failingVerb");
    QTest::addRow("greeting") << QByteArray();
    QTest::addRow("USER") << QByteArray("USER");
    QTest::addRow("PASS") << QByteArray("PASS");
    QTest::addRow("CWD") << QByteArray("CWD");
}

void TestFtpClientScripted::serviceNotAvailableClosesSession()
{
    QFETCH(QByteArray, failingVerb);
    ScriptedFtpServer server;
    if (failingVerb.isEmpty())
        server.greeting = "421 Too many users, try later.\r\n";
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb != failingVerb)
            return false;
        server.send("421 Service not available.\r\n");
        server.dropControl();
        return true;
    };
    FtpSession s(server.port());
    const bool duringLogin = failingVerb != "CWD";
    QCOMPARE(s.connect(), duringLogin ? 1 : 0);
    if (!duringLogin)
        QCOMPARE(s.run([](CFtpClient& c) { return c.SetCurrentDirectory(QStringLiteral("x")); }, 10000), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16421);
    QCOMPARE(s.client.LastFtpError().Description, QStringLiteral("Service not available, closing control connection."));
    QTRY_COMPARE(s.client.FtpSessionState(), 1);
    QCOMPARE(s.waiter.wait(200), -1); // one completion event only
}

void TestFtpClientScripted::serviceNotAvailableWithoutOperationCloses()
{
    ScriptedFtpServer server;
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    server.send("421 Idle too long.\r\n");
    QTRY_COMPARE(s.client.FtpSessionState(), 1);
    QCOMPARE(s.waiter.wait(100), -1);
}

void TestFtpClientScripted::controlDropMidTransferFails()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("127.0.0.1"));
        } else if (verb == "RETR") {
            server.send("150 Sending.\r\n");
            server.sendData(QByteArray(10000, 'a'));
            QTimer::singleShot(100, &server, [&] { server.dropControl(); });
        } else {
            return false;
        }
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    const QString target = m_local.filePath(QStringLiteral("dropped.mp3"));
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("a.mp3"), target, false); }, 10000), 1);
    QCOMPARE(s.client.LastFtpError().Number, 10054);
    QCOMPARE(s.client.FtpSessionState(), 1);
    QVERIFY(!s.client.DataTransferInProgress());
    QCOMPARE(s.waiter.wait(200), -1);
}

void TestFtpClientScripted::earlyDataCloseIsNotSuccess()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("127.0.0.1"));
        } else if (verb == "RETR") {
            server.send("150 Sending.\r\n");
            server.sendData(QByteArray(700, 'b'));
            server.closeData();
            server.sendLater("426 Connection closed; transfer aborted.\r\n", 100);
        } else {
            return false;
        }
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    const QString target = m_local.filePath(QStringLiteral("early.mp3"));
    QVERIFY(testutil::writeFile(target, "the old episode"));
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("a.mp3"), target, true); }, 10000), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16426);
    QCOMPARE(s.client.LastFtpError().Description, QStringLiteral("Connection closed; transfer aborted."));
    // The overwrite went to a temporary file, which is gone; the old file is untouched.
    QCOMPARE(testutil::readFile(target), QByteArray("the old episode"));
    QCOMPARE(QDir(m_local.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("early")).size(), 1);
}

void TestFtpClientScripted::uploadCutShortByServerFails()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("127.0.0.1"));
        } else if (verb == "STOR") {
            server.closeData();
            server.sendLater("150 Go ahead.\r\n", 100);
        } else {
            return false;
        }
        return true;
    };
    const QString source = m_local.filePath(QStringLiteral("big.bin"));
    QVERIFY(testutil::writeFile(source, QByteArray(4 * 1024 * 1024, 'c')));
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([&](CFtpClient& c) { return c.UploadFile(source, QStringLiteral("big.bin")); }, 10000), 1);
    QVERIFY(s.client.LastFtpError().Number == 10054 || s.client.LastFtpError().Number == 10053);
    QVERIFY(!s.client.DataTransferInProgress());
}

void TestFtpClientScripted::cancelAbortsTransfer()
{
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("127.0.0.1"));
        } else if (verb == "RETR") {
            server.send("150 Sending slowly.\r\n");
            server.sendData(QByteArray(100, 'd'));
        } else {
            return false;
        }
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);
    const QString target = m_local.filePath(QStringLiteral("cancelled.mp3"));
    QVERIFY(s.client.DownloadFile(QStringLiteral("a.mp3"), target, false));
    QTRY_VERIFY(!s.progress.isEmpty());
    s.client.CancelAsyncMethod();
    QCOMPARE(s.waiter.wait(0), 3);
    QCOMPARE(s.waiter.lastOperation(), int(CFtpClient::opDownloadFile));
    QCOMPARE(s.client.FtpSessionState(), 0);
    QVERIFY(!s.commands().contains(QStringLiteral("ABOR")));
    QCOMPARE(testutil::readFile(target), QByteArray(100, 'd'));
    // The server sees the data connection go away.
    QTRY_VERIFY(server.dataPeerClosed());
}

void TestFtpClientScripted::offsetsBeyondFourGigabytes()
{
    const qint64 big = Q_INT64_C(5) * 1024 * 1024 * 1024; // a long video episode
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb == "PASV") {
            server.send(server.pasvReply("127.0.0.1"));
        } else if (verb == "REST") {
            server.send("350 Restarting.\r\n");
        } else if (verb == "RETR") {
            server.send("150 Sending the rest.\r\n");
            server.sendData("tail!");
            server.closeData();
            server.sendLater("226 Done.\r\n", 30);
        } else if (verb == "STOR") {
            server.send("150 Go ahead.\r\n");
            server.sendLater("226 Done.\r\n", 100);
        } else {
            return false;
        }
        return true;
    };
    FtpSession s(server.port());
    QCOMPARE(s.connect(), 0);

    // Resume of a download whose local part is already 5 GiB (a sparse file).
    const QString local = m_local.filePath(QStringLiteral("video.mp4"));
    {
        QFile file(local);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(big));
    }
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("video.mp4"), local, false); }, 10000), 0);
    QVERIFY(s.commands().contains(QStringLiteral("REST 5368709120")));
    QCOMPARE(QFileInfo(local).size(), big + 5);
    QCOMPARE(s.progress.last(), big + 5);
    QFile::remove(local);

    // An upload resumed past 4 GiB sends the offset whole.
    const QString source = m_local.filePath(QStringLiteral("small.bin"));
    QVERIFY(testutil::writeFile(source, "x"));
    QCOMPARE(s.run([&](CFtpClient& c) { return c.UploadFile(source, QStringLiteral("video.mp4"), big); }, 10000), 0);
    QVERIFY(s.commands().contains(QStringLiteral("REST 5368709120")));
}

void TestFtpClientScripted::anonymousLogin()
{
    ScriptedFtpServer server;
    FtpSession s(server.port(), true, QString(), QString());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.commands().first(), QStringLiteral("USER anonymous"));
    QVERIFY(s.commands().at(1).startsWith(QLatin1String("PASS ")));
    QVERIFY(s.commands().at(1).contains(QLatin1Char('@')));
}

QTEST_GUILESS_MAIN(TestFtpClientScripted)
#include "tst_ftpclient_scripted.moc"
