// SftpClient against a real OpenSSH sshd on 127.0.0.1 with its own host key and user key.
#include "FtpSession.h"
#include "net/SftpConnection.h"
#include "support/SecureTestServer.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray randomBytes(qsizetype size)
{
    QList<quint32> words(size / 4 + 1);
    QRandomGenerator(quint32(size)).fillRange(words.data(), words.size());
    return QByteArray(reinterpret_cast<const char*>(words.constData()), size);
}

// A long file that takes no time to make (sparse, all zeros).
QString longFile(const QString& folder)
{
    const QString path = folder + QStringLiteral("/long.mp3");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.resize(qint64(256) << 20);
    return path;
}

// A fresh key pair made by ssh-keygen; returns the private key's path.
QString makeKey(const QString& folder, const QString& name)
{
    const QString path = folder + QLatin1Char('/') + name;
    QProcess keygen;
    keygen.start(QStringLiteral("ssh-keygen"), {"-q", "-t", "ed25519", "-N", "", "-f", path});
    keygen.waitForFinished(20000);
    return keygen.exitCode() == 0 ? path : QString();
}

} // namespace

class TestSftp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void login_data();
    void login();
    void hostKeys_data();
    void hostKeys();
    void uploadListDownloadIsByteIdentical();
    void resumes_data();
    void resumes();
    void renameReplacesAnExistingFile();
    void foldersAndDeletes();
    void cancelKeepsTheSession();
    void serverGoneMidTransfer();
    void commandLineTrustsOnlyWhenTold();

private:
    // A session with its own ssh folder; with `key` the server's user key is its id_ed25519,
    // with `known` the server's host key is in its known_hosts.
    std::unique_ptr<SftpSession> session(bool key, bool known, const QString& password = QStringLiteral("secret"));
    QString remote(const QString& name) const { return m_server.home() + QLatin1Char('/') + name; }

    SecureTestServer m_server;
    QString m_skip;
    std::unique_ptr<QTemporaryDir> m_sshDir;
};

void TestSftp::initTestCase()
{
    // The user's own agent must not log the tests in.
    qunsetenv("SSH_AUTH_SOCK");
    QString error;
    if (!m_server.start(QStringLiteral("sshd"), {}, &error))
        m_skip = QStringLiteral("sshd cannot run here (it needs root and unshare): ") + error;
}

void TestSftp::init()
{
    if (!m_skip.isEmpty())
        QSKIP(qPrintable(m_skip));
    QDir home(m_server.home());
    for (const QFileInfo& entry : home.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        if (entry.isDir())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
    m_sshDir = std::make_unique<QTemporaryDir>();
}

std::unique_ptr<SftpSession> TestSftp::session(bool key, bool known, const QString& password)
{
    auto s = std::make_unique<SftpSession>(m_server.port(), true, m_server.user(), password);
    s->client.setSshDirectory(m_sshDir->path());
    if (key)
        QFile::copy(m_server.info(QStringLiteral("userkey")), m_sshDir->filePath(QStringLiteral("id_ed25519")));
    if (known) {
        const QByteArray hostKey = testutil::readFile(m_server.info(QStringLiteral("hostkey"))).trimmed();
        testutil::writeFile(m_sshDir->filePath(QStringLiteral("known_hosts")),
                            QStringLiteral("[127.0.0.1]:%1 ").arg(m_server.port()).toUtf8() + hostKey + '\n');
    }
    return s;
}

void TestSftp::login_data()
{
    QTest::addColumn<bool>("key");
    QTest::addColumn<bool>("agent"); // the user key held by a running ssh-agent
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("error");
    QTest::newRow("password") << false << false << "secret" << 0;
    QTest::newRow("key from the ssh folder") << true << false << "" << 0;
    QTest::newRow("key from the SSH agent") << false << true << "" << 0;
    QTest::newRow("wrong password") << false << false << "not-it" << SftpConnection::kAuthenticationFailed;
    QTest::newRow("no key, no password") << false << false << "" << SftpConnection::kAuthenticationFailed;
}

void TestSftp::login()
{
    QFETCH(bool, key);
    QFETCH(bool, agent);
    QFETCH(QString, password);
    QFETCH(int, error);
    QProcess sshAgent;
    const QString socket = m_sshDir->filePath(QStringLiteral("agent.sock"));
    if (agent) {
        sshAgent.start(QStringLiteral("ssh-agent"), {"-D", "-a", socket});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
        QProcess add;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SSH_AUTH_SOCK"), socket);
        add.setProcessEnvironment(env);
        add.start(QStringLiteral("ssh-add"), {m_server.info(QStringLiteral("userkey"))});
        QVERIFY(add.waitForFinished(10000) && add.exitCode() == 0);
        qputenv("SSH_AUTH_SOCK", socket.toUtf8());
    }
    auto s = session(key, true, password);
    const int result = s->connect();
    qunsetenv("SSH_AUTH_SOCK");
    QCOMPARE(result, error == 0 ? int(FileTransferClient::ftpDone) : int(FileTransferClient::ftpFailed));
    QCOMPARE(s->client.LastFtpError().Number, error);
    if (error == 0) {
        QCOMPARE(s->client.CurrentDirectory(), m_server.home());
        QCOMPARE(s->states.mid(0, 4), (QList<int>{FileTransferClient::stConnecting, FileTransferClient::stConnected,
                                                  FileTransferClient::stLoggingIn, FileTransferClient::stLoggedIn}));
        QCOMPARE(s->client.FtpSessionState(), int(FileTransferClient::stReady));
    } else {
        QVERIFY2(s->client.LastFtpError().Description.contains(m_server.user()),
                 qPrintable(s->client.LastFtpError().Description));
        QCOMPARE(s->client.FtpSessionState(), int(FileTransferClient::stNotConnected));
    }
}

void TestSftp::hostKeys_data()
{
    QTest::addColumn<QString>("knownHosts"); // "none", "same" or "other" key recorded
    QTest::addColumn<bool>("trust");         // the server's fingerprint given as trusted
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("recordedAfter"); // known_hosts then holds the server's key
    QTest::newRow("unknown, asked") << "none" << false << SftpConnection::kHostKeyUnknown << false;
    QTest::newRow("unknown, trusted: added") << "none" << true << 0 << true;
    QTest::newRow("known") << "same" << false << 0 << true;
    QTest::newRow("changed") << "other" << false << SftpConnection::kHostKeyChanged << false;
    QTest::newRow("changed, even when trusted") << "other" << true << SftpConnection::kHostKeyChanged << false;
}

void TestSftp::hostKeys()
{
    QFETCH(QString, knownHosts);
    QFETCH(bool, trust);
    QFETCH(int, error);
    QFETCH(bool, recordedAfter);
    auto s = session(true, knownHosts == QLatin1String("same"));
    const QString file = m_sshDir->filePath(QStringLiteral("known_hosts"));
    if (knownHosts == QLatin1String("other")) {
        const QString other = makeKey(m_sshDir->path(), QStringLiteral("otherhost"));
        QVERIFY(!other.isEmpty());
        testutil::writeFile(file, QStringLiteral("[127.0.0.1]:%1 ").arg(m_server.port()).toUtf8()
                                      + testutil::readFile(other + QStringLiteral(".pub")));
    }
    const QByteArray before = testutil::readFile(file);
    if (trust)
        s->client.setTrustedFingerprint(m_server.fingerprint());
    QCOMPARE(s->connect(), error == 0 ? int(FileTransferClient::ftpDone) : int(FileTransferClient::ftpFailed));
    QCOMPARE(s->client.LastFtpError().Number, error);
    QCOMPARE(s->client.PeerFingerprint(), m_server.fingerprint());
    QCOMPARE(s->client.PeerNeedsTrust(), error == SftpConnection::kHostKeyUnknown);
    const QString description = s->client.LastFtpError().Description;
    if (error == SftpConnection::kHostKeyUnknown)
        QVERIFY2(description.contains(m_server.fingerprint()), qPrintable(description));
    if (error == SftpConnection::kHostKeyChanged) {
        QVERIFY2(description.startsWith("WARNING: the host key of [127.0.0.1]:") && description.contains("has changed"),
                 qPrintable(description));
        QCOMPARE(testutil::readFile(file), before);
    }
    const QByteArray hostKey = testutil::readFile(m_server.info(QStringLiteral("hostkey"))).split(' ').value(1);
    QCOMPARE(testutil::readFile(file).contains(hostKey), recordedAfter);
    if (recordedAfter) {
        // Once recorded, the key lets the next session in without any trust given.
        auto again = session(true, false);
        QCOMPARE(again->connect(), int(FileTransferClient::ftpDone));
    }
}

void TestSftp::uploadListDownloadIsByteIdentical()
{
    auto s = session(true, true);
    QCOMPARE(s->connect(), int(FileTransferClient::ftpDone));
    const QByteArray data = randomBytes(3 * 1024 * 1024 + 17);
    const QString local = m_sshDir->filePath(QStringLiteral("episode.mp3"));
    testutil::writeFile(local, data);

    QVERIFY(s->client.UploadFile(local, QStringLiteral("episode.mp3")));
    // The call returns at once; the transfer runs while the event loop does.
    QCOMPARE(s->client.FtpSessionState(), int(FileTransferClient::stUploading));
    QVERIFY(s->progress.isEmpty());
    QCOMPARE(s->waiter.wait(30000), int(FileTransferClient::ftpDone));
    QVERIFY(s->progress.size() > 2);
    QCOMPARE(s->progress.last(), qint64(data.size()));
    QCOMPARE(testutil::readFile(remote(QStringLiteral("episode.mp3"))), data);

    QCOMPARE(s->run([](SftpClient& c) { return c.EnumFiles(); }), int(FileTransferClient::ftpDone));
    const CFtpFile* listed = s->client.CurrentDirectoryFiles().Item(QStringLiteral("episode.mp3"));
    QVERIFY(listed);
    QCOMPARE(listed->FileSize, qint64(data.size()));
    QVERIFY(!listed->IsDirectory);
    QCOMPARE(listed->Permissions, QStringLiteral("-rw-r--r--"));
    QCOMPARE(listed->LastWriteTime.toSecsSinceEpoch(), QFileInfo(remote(QStringLiteral("episode.mp3"))).lastModified().toSecsSinceEpoch());

    const QString back = m_sshDir->filePath(QStringLiteral("back.mp3"));
    QCOMPARE(s->run([&](SftpClient& c) { return c.DownloadFile(QStringLiteral("episode.mp3"), back, false); }),
             int(FileTransferClient::ftpDone));
    QCOMPARE(testutil::readFile(back), data);
    QVERIFY(s->log.contains(QStringLiteral("0 put %1 episode.mp3").arg(local)));
}

void TestSftp::resumes_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<int>("remoteExtra"); // bytes past the resume point already on the server
    QTest::newRow("upload") << true << 0;
    QTest::newRow("upload over a longer remote file") << true << 5000;
    QTest::newRow("download") << false << 0;
}

void TestSftp::resumes()
{
    QFETCH(bool, upload);
    QFETCH(int, remoteExtra);
    auto s = session(true, true);
    QCOMPARE(s->connect(), int(FileTransferClient::ftpDone));
    const QByteArray data = randomBytes(700 * 1000);
    const qint64 half = 300 * 1000;
    const QString local = m_sshDir->filePath(QStringLiteral("local.mp3"));
    const QString remoteFile = remote(QStringLiteral("remote.mp3"));
    int result = 0;
    if (upload) {
        testutil::writeFile(local, data);
        testutil::writeFile(remoteFile, data.left(half) + QByteArray(remoteExtra, 'x'));
        QFile(remoteFile).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
        result = s->run([&](SftpClient& c) { return c.UploadFile(local, QStringLiteral("remote.mp3"), half); });
    } else {
        testutil::writeFile(remoteFile, data);
        testutil::writeFile(local, data.left(half));
        result = s->run([&](SftpClient& c) { return c.DownloadFile(QStringLiteral("remote.mp3"), local, false); });
    }
    QCOMPARE(result, int(FileTransferClient::ftpDone));
    QCOMPARE(testutil::readFile(upload ? remoteFile : local), data);
    QVERIFY(s->progress.first() >= half);
}

void TestSftp::renameReplacesAnExistingFile()
{
    auto s = session(true, true);
    QCOMPARE(s->connect(), int(FileTransferClient::ftpDone));
    const QString local = m_sshDir->filePath(QStringLiteral("feed.xml"));
    testutil::writeFile(local, "<rss>new</rss>");
    testutil::writeFile(remote(QStringLiteral("feed.xml")), "<rss>old</rss>");
    QFile(remote(QStringLiteral("feed.xml"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    QDir(m_server.home()).refresh();
    QCOMPARE(s->run([&](SftpClient& c) { return c.UploadFile(local, QStringLiteral("feed.xml.uploading")); }),
             int(FileTransferClient::ftpDone));
    QCOMPARE(s->run([](SftpClient& c) { return c.RenameFile(QStringLiteral("feed.xml.uploading"), QStringLiteral("feed.xml")); }),
             int(FileTransferClient::ftpDone));
    QCOMPARE(testutil::readFile(remote(QStringLiteral("feed.xml"))), QByteArray("<rss>new</rss>"));
    QVERIFY(!QFile::exists(remote(QStringLiteral("feed.xml.uploading"))));

    // A missing source is the server's refusal, with its answer.
    QCOMPARE(s->run([](SftpClient& c) { return c.RenameFile(QStringLiteral("gone.xml"), QStringLiteral("feed.xml")); }),
             int(FileTransferClient::ftpFailed));
    QCOMPARE(s->client.LastFtpError().Number, SftpConnection::kServerStatus + 2);
    QCOMPARE(s->client.LastServerResponse(), QStringLiteral("No such file or folder."));
    QCOMPARE(s->client.FtpSessionState(), int(FileTransferClient::stReady));
}

void TestSftp::foldersAndDeletes()
{
    auto s = session(true, true);
    QCOMPARE(s->connect(), int(FileTransferClient::ftpDone));
    using Step = std::function<bool(SftpClient&)>;
    const struct {
        const char* what;
        Step step;
        int result;
    } steps[] = {
        {"mkdir", [](SftpClient& c) { return c.CreateDirectory(QStringLiteral("media")); }, FileTransferClient::ftpDone},
        {"mkdir again", [](SftpClient& c) { return c.CreateDirectory(QStringLiteral("media")); }, FileTransferClient::ftpFailed},
        {"cd", [](SftpClient& c) { return c.SetCurrentDirectory(QStringLiteral("media")); }, FileTransferClient::ftpDone},
        {"cd to a file", [](SftpClient& c) { return c.SetCurrentDirectory(QStringLiteral("../notes.txt")); }, FileTransferClient::ftpFailed},
        {"rm", [](SftpClient& c) { return c.DeleteFile(QStringLiteral("../notes.txt")); }, FileTransferClient::ftpDone},
        {"rm missing", [](SftpClient& c) { return c.DeleteFile(QStringLiteral("../notes.txt")); }, FileTransferClient::ftpFailed},
        {"cd ..", [](SftpClient& c) { return c.SetCurrentDirectory(QStringLiteral("..")); }, FileTransferClient::ftpDone},
        {"rmdir", [](SftpClient& c) { return c.RemoveDirectory(QStringLiteral("media")); }, FileTransferClient::ftpDone},
    };
    testutil::writeFile(remote(QStringLiteral("notes.txt")), "x");
    for (const auto& step : steps) {
        QVERIFY2(s->run(step.step) == step.result, step.what);
        if (QByteArray(step.what) == "mkdir") {
            QVERIFY(QFileInfo(remote(QStringLiteral("media"))).isDir());
            QCOMPARE(s->run([](SftpClient& c) { return c.EnumFiles(); }), int(FileTransferClient::ftpDone));
            QVERIFY(s->client.CurrentDirectoryFiles().Item(QStringLiteral("media"))->IsDirectory);
        }
        if (QByteArray(step.what) == "cd")
            QCOMPARE(s->client.CurrentDirectory(), remote(QStringLiteral("media")));
    }
    QVERIFY(!QFile::exists(remote(QStringLiteral("notes.txt"))));
    QVERIFY(!QFile::exists(remote(QStringLiteral("media"))));
    QCOMPARE(s->client.CurrentDirectory(), m_server.home());
}

void TestSftp::cancelKeepsTheSession()
{
    auto s = session(true, true);
    QCOMPARE(s->connect(), int(FileTransferClient::ftpDone));
    const QString local = longFile(m_sshDir->path());
    bool cancelled = false;
    QObject::connect(&s->client, &SftpClient::OnDataTransferProgress, &s->client, [&] {
        if (!cancelled) {
            cancelled = true;
            s->client.CancelAsyncMethod();
        }
    });
    QCOMPARE(s->run([&](SftpClient& c) { return c.UploadFile(local, QStringLiteral("long.mp3")); }),
             int(FileTransferClient::ftpCancelled));
    QCOMPARE(s->client.FtpSessionState(), int(FileTransferClient::stReady));
    QCOMPARE(s->run([](SftpClient& c) { return c.EnumFiles(); }), int(FileTransferClient::ftpDone));
    QVERIFY(QFileInfo(remote(QStringLiteral("long.mp3"))).size() < QFileInfo(local).size());
}

void TestSftp::serverGoneMidTransfer()
{
    SecureTestServer server;
    QString error;
    QVERIFY2(server.start(QStringLiteral("sshd"), {}, &error), qPrintable(error));
    SftpSession s(server.port(), true, server.user(), server.password());
    s.client.setSshDirectory(m_sshDir->path());
    s.client.setTrustedFingerprint(server.fingerprint());
    QCOMPARE(s.connect(), int(FileTransferClient::ftpDone));
    const QString local = longFile(m_sshDir->path());
    QObject::connect(&s.client, &SftpClient::OnDataTransferProgress, &s.client, [&] { server.stop(); });
    QCOMPARE(s.run([&](SftpClient& c) { return c.UploadFile(local, QStringLiteral("long.mp3")); }),
             int(FileTransferClient::ftpFailed));
    QCOMPARE(s.client.LastFtpError().Number, 10054);
    QCOMPARE(s.client.FtpSessionState(), int(FileTransferClient::stNotConnected));
    // The next operation fails at once instead of waiting for a server that is not there.
    QCOMPARE(s.run([](SftpClient& c) { return c.EnumFiles(); }, 5000), int(FileTransferClient::ftpFailed));
}

// Nobody is asked on the command line: an unknown host key fails and names the option that
// trusts it; once trusted it is in known_hosts; a changed one fails even with the option.
void TestSftp::commandLineTrustsOnlyWhenTold()
{
    QTemporaryDir home;
    const QString local = home.filePath(QStringLiteral("episode.mp3"));
    const QByteArray data = randomBytes(100 * 1000);
    testutil::writeFile(local, data);
    const QString url = QStringLiteral("sftp://%1@127.0.0.1:%2").arg(m_server.user()).arg(m_server.port());
    const struct {
        QStringList options;
        int exitCode;
        QString stderrHas;
    } runs[] = {
        {{}, 1, QStringLiteral("run again with --trust ") + m_server.fingerprint()},
        {{QStringLiteral("--trust"), QStringLiteral("SHA256:wrongwrongwrongwrongwrongwrongwrongwrongwro")}, 1, QStringLiteral("is not in")},
        {{QStringLiteral("--trust"), m_server.fingerprint()}, 0, {}},
        {{}, 0, {}},
    };
    for (const auto& run : runs) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("VELMORA_TEST_PASSWORD"), m_server.password());
        cli.setProcessEnvironment(env);
        cli.start(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")),
                  QStringList{QStringLiteral("ftp"), QStringLiteral("--password-env"), QStringLiteral("VELMORA_TEST_PASSWORD")}
                      + run.options + QStringList{url, QStringLiteral("put"), local, QStringLiteral("episode.mp3")});
        QVERIFY(cli.waitForFinished(60000));
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QVERIFY2(cli.exitCode() == run.exitCode && err.contains(run.stderrHas), qPrintable(run.options.join(' ') + ": " + err));
    }
    QCOMPARE(testutil::readFile(remote(QStringLiteral("episode.mp3"))), data);
}

QTEST_GUILESS_MAIN(TestSftp)
#include "tst_sftp.moc"
