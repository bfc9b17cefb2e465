// CFtpClient against a real FTP server (pyftpdlib on 127.0.0.1).
#include "FtpSession.h"
#include "support/FtpTestServer.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray randomBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(static_cast<quint32>(size) + 7);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(generator.bounded(256));
    return bytes;
}

} // namespace

class TestFtpClientServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void loginReportsStatesAndDirectory();
    void uploadAndDownload_data();
    void uploadAndDownload();
    void uploadResumesAtOffset();
    void uploadStartedFromCompletionHandler();
    void downloadResumesExistingFile();
    void downloadWithOverwriteReplacesFile();
    void failedOverwriteKeepsLocalFile();
    void failedDownloadLeavesNoEmptyFile();
    void directoryOperations();
    void listsServerDirectory();
    void listsEmptyDirectory();
    void errorsCarryReplyNumbers();
    void refusedConnectionGivesSocketError();
    void quitClosesSession();

private:
    FtpTestServer* m_server = nullptr;
    QTemporaryDir m_local;
    std::unique_ptr<FtpTestServer> m_owned;
};

void TestFtpClientServer::initTestCase()
{
    m_owned = std::make_unique<FtpTestServer>();
    m_server = m_owned.get();
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    QVERIFY(m_local.isValid());
}

void TestFtpClientServer::init()
{
    // Every test starts with an empty server home.
    QDir home(m_server->home());
    for (const QFileInfo& entry : home.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)) {
        if (entry.isDir())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

void TestFtpClientServer::loginReportsStatesAndDirectory()
{
    FtpSession s(m_server->port());
    QCOMPARE(s.client.FtpSessionState(), 1);
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.client.CurrentDirectory(), QStringLiteral("/"));
    QCOMPARE(s.client.FtpSessionState(), 0);
    QVERIFY(!s.client.Busy());
    QCOMPARE(s.states, (QList<int>{2, 3, 4, 4, 5, 13, 0}));
    QCOMPARE(s.commands(), (QStringList{QStringLiteral("USER user"), QStringLiteral("PASS secret"),
                                        QStringLiteral("PWD")}));
    QVERIFY(s.log.first().startsWith(QLatin1String("1 220")));
    QVERIFY(s.client.LastServerResponse().startsWith(QLatin1String("257")));
}

void TestFtpClientServer::uploadAndDownload_data()
{
    QTest::addColumn<bool>("passive");
    QTest::addColumn<qint64>("size");
    for (const bool passive : {true, false}) {
        const char* mode = passive ? "passive" : "active";
        QTest::addRow("%s, empty", mode) << passive << qint64(0);
        QTest::addRow("%s, one byte", mode) << passive << qint64(1);
        QTest::addRow("%s, four whole blocks", mode) << passive << qint64(4 * 1460);
        QTest::addRow("%s, 5 MB", mode) << passive << qint64(5 * 1024 * 1024);
    }
}

void TestFtpClientServer::uploadAndDownload()
{
    QFETCH(bool, passive);
    QFETCH(qint64, size);
    const QByteArray content = randomBytes(size);
    const QString source = m_local.filePath(QStringLiteral("source.bin"));
    QVERIFY(testutil::writeFile(source, content));

    FtpSession s(m_server->port(), passive);
    QCOMPARE(s.connect(), 0);
    const int uploaded = s.run([&](CFtpClient& c) { return c.UploadFile(source, QStringLiteral("episode.bin")); }, 10000);
    QVERIFY2(uploaded == 0, qPrintable(s.log.join(QLatin1Char('\n'))));
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("episode.bin"))), content);
    if (passive)
        QVERIFY(s.commands().contains(QStringLiteral("PASV")));
    else
        QCOMPARE(s.commands().filter(QRegularExpression(QStringLiteral("^PORT 127,0,0,1,\\d+,\\d+$"))).size(), 1);
    QVERIFY(s.commands().contains(QStringLiteral("TYPE I")));
    // One report per block handed over; the last one is the whole file, and no empty block.
    if (size > 0) {
        QCOMPARE(s.progress.last(), size);
        QCOMPARE(s.progress.size(), (size + 1459) / 1460);
    } else {
        QVERIFY(s.progress.isEmpty());
    }

    const QString target = m_local.filePath(QStringLiteral("target.bin"));
    QFile::remove(target);
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("episode.bin"), target, false); }), 0);
    QVERIFY(QFileInfo::exists(target));
    QCOMPARE(testutil::readFile(target), content);
    if (size > 0)
        QCOMPARE(s.progress.last(), size);
    QVERIFY(!s.client.DataTransferInProgress());
}

void TestFtpClientServer::uploadStartedFromCompletionHandler()
{
    // A caller may chain transfers: the next upload starts inside the previous one's event,
    // while that one's data connection is still closing.
    const QString first = m_local.filePath(QStringLiteral("first.bin"));
    const QString second = m_local.filePath(QStringLiteral("second.bin"));
    QVERIFY(testutil::writeFile(first, randomBytes(3000)));
    QVERIFY(testutil::writeFile(second, randomBytes(5000)));
    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QList<int> results;
    connect(&s.client, &CFtpClient::OnUploadFile, &s.client, [&](int result) {
        results.append(result);
        if (results.size() == 1)
            QVERIFY(s.client.UploadFile(second, QStringLiteral("second.bin")));
    });
    QVERIFY(s.client.UploadFile(first, QStringLiteral("first.bin")));
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 10000);
    QCOMPARE(results, (QList<int>{0, 0}));
    QTest::qWait(200); // a late close of either data connection would show as a third event
    QCOMPARE(results.size(), 2);
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("second.bin"))), testutil::readFile(second));
}

void TestFtpClientServer::uploadResumesAtOffset()
{
    const QByteArray content = randomBytes(10000);
    const QString source = m_local.filePath(QStringLiteral("resume-up.bin"));
    QVERIFY(testutil::writeFile(source, content));
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("partial.bin")), content.left(1000)));

    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([&](CFtpClient& c) { return c.UploadFile(source, QStringLiteral("partial.bin"), 1000); }), 0);
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("partial.bin"))), content);
    const QStringList sent = s.commands();
    QCOMPARE(sent.indexOf(QStringLiteral("REST 1000")) + 1, sent.indexOf(QStringLiteral("STOR partial.bin")));
    QCOMPARE(s.progress.first(), 1000 + 1460);
}

void TestFtpClientServer::downloadResumesExistingFile()
{
    const QByteArray content = randomBytes(3000);
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("show.mp3")), content));
    const QString target = m_local.filePath(QStringLiteral("resume-down.mp3"));
    QVERIFY(testutil::writeFile(target, content.left(500)));

    for (const bool passive : {true, false}) {
        QVERIFY(testutil::writeFile(target, content.left(500)));
        FtpSession s(m_server->port(), passive);
        QCOMPARE(s.connect(), 0);
        QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("show.mp3"), target, false); }), 0);
        QVERIFY(s.commands().contains(QStringLiteral("REST 500")));
        QCOMPARE(testutil::readFile(target), content);
        QCOMPARE(s.progress.last(), qint64(3000));
        QVERIFY(s.progress.first() > 500);
    }
}

void TestFtpClientServer::downloadWithOverwriteReplacesFile()
{
    const QByteArray content = randomBytes(2000);
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("feed.xml")), content));
    const QString target = m_local.filePath(QStringLiteral("feed-copy.xml"));
    QVERIFY(testutil::writeFile(target, QByteArray(5000, 'x')));

    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("feed.xml"), target, true); }), 0);
    QVERIFY(!s.commands().join(QLatin1Char('|')).contains(QLatin1String("REST")));
    QCOMPARE(testutil::readFile(target), content);
    QCOMPARE(QDir(m_local.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("feed-copy")).size(), 1);
}

void TestFtpClientServer::failedOverwriteKeepsLocalFile()
{
    const QString target = m_local.filePath(QStringLiteral("keep.xml"));
    QVERIFY(testutil::writeFile(target, "precious"));
    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("missing.xml"), target, true); }), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16550);
    QCOMPARE(testutil::readFile(target), QByteArray("precious"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(m_local.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("keep")).size(), 1);
}

void TestFtpClientServer::failedDownloadLeavesNoEmptyFile()
{
    const QString target = m_local.filePath(QStringLiteral("never-there.mp3"));
    const QString empty = m_local.filePath(QStringLiteral("empty-before.mp3"));
    QVERIFY(testutil::writeFile(empty, QByteArray()));
    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("missing.mp3"), target, false); }), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16550);
    QVERIFY(!QFileInfo::exists(target));
    // A file the user already had stays, even an empty one.
    QCOMPARE(s.run([&](CFtpClient& c) { return c.DownloadFile(QStringLiteral("missing.mp3"), empty, false); }), 1);
    QVERIFY(QFileInfo::exists(empty));
}

void TestFtpClientServer::directoryOperations()
{
    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.CreateDirectory(QStringLiteral("shows")); }), 0);
    QVERIFY(QFileInfo(m_server->path(QStringLiteral("shows"))).isDir());
    QCOMPARE(s.run([](CFtpClient& c) { return c.SetCurrentDirectory(QStringLiteral("shows")); }), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.GetCurrentDirectory(); }), 0);
    QCOMPARE(s.client.CurrentDirectory(), QStringLiteral("/shows"));

    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("shows/old name.mp3")), "abc"));
    QCOMPARE(s.run([](CFtpClient& c) { return c.RenameFile(QStringLiteral("old name.mp3"), QStringLiteral("new.mp3")); }), 0);
    QVERIFY(QFileInfo::exists(m_server->path(QStringLiteral("shows/new.mp3"))));
    QVERIFY(!QFileInfo::exists(m_server->path(QStringLiteral("shows/old name.mp3"))));
    QCOMPARE(s.run([](CFtpClient& c) { return c.DeleteFile(QStringLiteral("new.mp3")); }), 0);
    QVERIFY(!QFileInfo::exists(m_server->path(QStringLiteral("shows/new.mp3"))));

    QCOMPARE(s.run([](CFtpClient& c) { return c.SetCurrentDirectory(QStringLiteral("/")); }), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.RemoveDirectory(QStringLiteral("shows")); }), 0);
    QVERIFY(!QFileInfo::exists(m_server->path(QStringLiteral("shows"))));

    // One operation at a time: a second call while one is current does not start.
    QVERIFY(s.client.GetCurrentDirectory());
    QVERIFY(!s.client.DeleteFile(QStringLiteral("x")));
    QVERIFY(s.waiter.waitForIdle(10000));
    QCOMPARE(s.client.CurrentOperation(), 0);
    QVERIFY(!s.client.Busy());
    QCOMPARE(s.waiter.wait(0), 0);
    QCOMPARE(s.waiter.lastOperation(), int(CFtpClient::opGetCurrentDirectory));
}

void TestFtpClientServer::listsServerDirectory()
{
    QVERIFY(QDir(m_server->home()).mkdir(QStringLiteral("images")));
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("my episode 1.mp3")), QByteArray(1234, 'a')));
    QVERIFY(testutil::writeFile(m_server->path(QStringLiteral("feed.rss")), QByteArray(77, 'b')));
    QVERIFY(QFile::link(QStringLiteral("feed.rss"), m_server->path(QStringLiteral("latest.rss"))));

    for (const bool passive : {true, false}) {
        FtpSession s(m_server->port(), passive);
        QCOMPARE(s.connect(), 0);
        QCOMPARE(s.run([](CFtpClient& c) { return c.EnumFiles(); }), 0);
        QVERIFY(s.commands().contains(QStringLiteral("TYPE A")));
        QVERIFY(s.commands().contains(QStringLiteral("LIST")));
        const CFtpFiles& files = s.client.CurrentDirectoryFiles();
        QVERIFY2(files.Count() >= 3, qPrintable(s.client.CurrentDirectoryListing()));
        const CFtpFile* images = files.Item(QStringLiteral("images"));
        QVERIFY(images);
        QVERIFY(images->IsDirectory);
        const CFtpFile* episode = files.Item(QStringLiteral("my episode 1.mp3"));
        QVERIFY(episode);
        QVERIFY(!episode->IsDirectory);
        QCOMPARE(episode->FileSize, qint64(1234));
        QVERIFY(episode->Permissions.startsWith(QLatin1Char('-')));
        QCOMPARE(episode->LastWriteTime.date(),
                 QFileInfo(m_server->path(QStringLiteral("my episode 1.mp3"))).lastModified().date());
        QCOMPARE(files.Item(QStringLiteral("feed.rss"))->FileSize, qint64(77));
        QVERIFY(s.client.CurrentDirectoryListing().contains(QLatin1String("feed.rss")));
        QVERIFY(!s.progress.isEmpty());
        QCOMPARE(s.progress.last(), qint64(s.client.CurrentDirectoryListing().toUtf8().size()));
    }
}

void TestFtpClientServer::listsEmptyDirectory()
{
    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.EnumFiles(); }), 0);
    QCOMPARE(s.client.CurrentDirectoryFiles().Count(), 0);
}

void TestFtpClientServer::errorsCarryReplyNumbers()
{
    {
        FtpSession s(m_server->port(), true, QStringLiteral("user"), QStringLiteral("wrong"));
        QCOMPARE(s.connect(), 1);
        QCOMPARE(s.client.LastFtpError().Number, 16530);
        QCOMPARE(s.client.LastFtpError().Description, QStringLiteral("Not logged in."));
        QCOMPARE(s.client.LastFtpError().Source, QStringLiteral("VedAdirerO.CFtpClient"));
        QVERIFY(s.log.last().startsWith(QLatin1String("2 530")));
    }
    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.DeleteFile(QStringLiteral("nothing.mp3")); }), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16550);
    QCOMPARE(s.client.LastFtpError().Description, QStringLiteral("Requested action not taken."));
    QCOMPARE(s.run([](CFtpClient& c) { return c.SetCurrentDirectory(QStringLiteral("nowhere")); }), 1);
    QCOMPARE(s.client.LastFtpError().Number, 16550);
    // The next operation starts with a clean error.
    QCOMPARE(s.run([](CFtpClient& c) { return c.GetCurrentDirectory(); }), 0);
    QCOMPARE(s.client.LastFtpError().Number, 0);

    // Permission denied: the read-only user may not store files.
    const QString source = m_local.filePath(QStringLiteral("denied.bin"));
    QVERIFY(testutil::writeFile(source, "data"));
    FtpSession reader(m_server->port(), true, QStringLiteral("reader"));
    QCOMPARE(reader.connect(), 0);
    QCOMPARE(reader.run([&](CFtpClient& c) { return c.UploadFile(source, QStringLiteral("denied.bin")); }), 1);
    QCOMPARE(reader.client.LastFtpError().Number, 16550);
    QVERIFY(!QFileInfo::exists(m_server->path(QStringLiteral("denied.bin"))));
    // A missing local file fails before anything is stored.
    QCOMPARE(reader.run([&](CFtpClient& c) {
        return c.UploadFile(m_local.filePath(QStringLiteral("absent.bin")), QStringLiteral("x.bin"));
    }), 1);
    QCOMPARE(reader.client.LastFtpError().Number, 75);
    QVERIFY(!reader.client.DataTransferInProgress());
}

void TestFtpClientServer::refusedConnectionGivesSocketError()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const int port = probe.serverPort();
    probe.close();
    FtpSession s(port);
    QCOMPARE(s.connect(), 1);
    QCOMPARE(s.client.LastFtpError().Number, 10061);
    QCOMPARE(s.client.LastFtpError().Description, QStringLiteral("Connection refused."));
    QCOMPARE(s.client.LastFtpError().Source, QStringLiteral("CFtpClient.m_objControlSocket_OnError"));
    QCOMPARE(s.client.FtpSessionState(), 1);
}

void TestFtpClientServer::quitClosesSession()
{
    FtpSession s(m_server->port());
    QCOMPARE(s.connect(), 0);
    QCOMPARE(s.run([](CFtpClient& c) { return c.QuitSession(); }), 0);
    QCOMPARE(s.commands().last(), QStringLiteral("QUIT"));
    QTRY_COMPARE(s.client.FtpSessionState(), 1);
    // A new session on the same client works.
    QCOMPARE(s.connect(), 0);
}

QTEST_GUILESS_MAIN(TestFtpClientServer)
#include "tst_ftpclient_server.moc"
