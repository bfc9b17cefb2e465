// FTPS against a real vsftpd that insists on TLS for logins and data and on TLS session reuse
// between the control and the data connections.
#include "FtpSession.h"
#include "support/FtpTestServer.h"
#include "support/SecureTestServer.h"
#include "net/MSocketSupport.h"
#include "support/TestUtil.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class TestFtps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void transfers_data();
    void transfers();
    void certificateTrust_data();
    void certificateTrust();
    void refusedAuthTlsSendsNoLogin();
    void commandLineTakesTrust();

private:
    SecureTestServer* server(bool implicit) { return implicit ? &m_implicit : &m_explicit; }
    void login(FtpSession& session, bool implicit, const QString& trust);

    SecureTestServer m_explicit;
    SecureTestServer m_implicit;
    QTemporaryDir m_local;
};

void TestFtps::initTestCase()
{
    QString error;
    if (!m_explicit.start(QStringLiteral("vsftpd"), {}, &error)
        || !m_implicit.start(QStringLiteral("vsftpd"), {QStringLiteral("--implicit")}, &error))
        QSKIP(qPrintable(QStringLiteral("vsftpd cannot run here (it needs root and unshare): ") + error));
}

void TestFtps::login(FtpSession& session, bool implicit, const QString& trust)
{
    const SecureTestServer* s = server(implicit);
    session.client.setRemotePort(s->port());
    session.client.setUserName(s->user());
    session.client.setPassword(s->password());
    session.client.setSecurity(implicit ? CFtpClient::secImplicitTls : CFtpClient::secExplicitTls);
    session.client.setTrustedFingerprint(trust);
}

void TestFtps::transfers_data()
{
    QTest::addColumn<bool>("implicit");
    QTest::addColumn<bool>("passive");
    QTest::newRow("explicit, passive") << false << true;
    QTest::newRow("explicit, active") << false << false;
    QTest::newRow("implicit, passive") << true << true;
    QTest::newRow("implicit, active") << true << false;
}

void TestFtps::transfers()
{
    QFETCH(bool, implicit);
    QFETCH(bool, passive);
    FtpSession session(0, passive);
    login(session, implicit, server(implicit)->fingerprint());
    QCOMPARE(session.connect(), int(CFtpClient::ftpDone));
    const QStringList start = session.commands().mid(0, 5);
    const QStringList expected = implicit
        ? QStringList{"USER podcaster", "PASS secret", "PBSZ 0", "PROT P", "PWD"}
        : QStringList{"AUTH TLS", "USER podcaster", "PASS secret", "PBSZ 0", "PROT P"};
    QCOMPARE(start, expected);

    // Large enough to span many TLS records; random so a lost or repeated block shows.
    QByteArray payload(700 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(payload.data()), payload.size() / 4);
    const QString local = m_local.filePath(QStringLiteral("episode.mp3"));
    QVERIFY(testutil::writeFile(local, payload));
    const QString name = QStringLiteral("episode %1%2.mp3").arg(implicit).arg(passive);
    QCOMPARE(session.run([&](CFtpClient& c) { return c.UploadFile(local, name); }), int(CFtpClient::ftpDone));
    QCOMPARE(testutil::readFile(server(implicit)->home() + QLatin1Char('/') + name), payload);

    QCOMPARE(session.run([](CFtpClient& c) { return c.EnumFiles(); }), int(CFtpClient::ftpDone));
    QVERIFY2(session.client.CurrentDirectoryListing().contains(name), qPrintable(session.client.CurrentDirectoryListing()));

    const QString back = m_local.filePath(QStringLiteral("back.mp3"));
    QCOMPARE(session.run([&](CFtpClient& c) { return c.DownloadFile(name, back, true); }), int(CFtpClient::ftpDone));
    QCOMPARE(testutil::readFile(back), payload);
}

void TestFtps::certificateTrust_data()
{
    QTest::addColumn<QString>("trust");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("self-signed, not trusted") << QString() << false;
    QTest::newRow("another fingerprint") << QString(64, QLatin1Char('A')) << false;
    QTest::newRow("its fingerprint") << QStringLiteral("*") << true;
    QTest::newRow("its fingerprint, lower case without colons") << QStringLiteral("-") << true;
}

void TestFtps::certificateTrust()
{
    QFETCH(QString, trust);
    QFETCH(bool, accepted);
    const QString fingerprint = m_explicit.fingerprint();
    if (trust == QLatin1String("*"))
        trust = fingerprint;
    else if (trust == QLatin1String("-"))
        trust = fingerprint.toLower().remove(QLatin1Char(':'));
    FtpSession session(0);
    login(session, false, trust);
    const int result = session.connect();
    QCOMPARE(session.client.PeerFingerprint(), fingerprint);
    if (accepted) {
        QCOMPARE(result, int(CFtpClient::ftpDone));
        return;
    }
    QCOMPARE(result, int(CFtpClient::ftpFailed));
    QCOMPARE(session.client.LastFtpError().Number, MSocketSupport::kTlsFailure);
    const QString text = session.client.LastFtpError().Description;
    QVERIFY2(text.contains(fingerprint) && text.contains(QLatin1String("\"localhost\"")) && text.contains(QLatin1String("valid from")),
             qPrintable(text));
    // The password never left: the handshake failed right after AUTH TLS.
    QCOMPARE(session.commands(), QStringList{"AUTH TLS"});
}

void TestFtps::refusedAuthTlsSendsNoLogin()
{
    FtpTestServer plain; // speaks no TLS: answers AUTH with an error
    QString error;
    QVERIFY2(plain.start(&error), qPrintable(error));
    FtpSession session(plain.port());
    session.client.setSecurity(CFtpClient::secExplicitTls);
    QCOMPARE(session.connect(), int(CFtpClient::ftpFailed));
    QCOMPARE(session.commands(), QStringList{"AUTH TLS"});
    QCOMPARE(session.client.LastFtpError().Number, MSocketSupport::kTlsFailure);
    QVERIFY2(session.client.LastFtpError().Description.contains(QLatin1String("nothing was sent in clear text")),
             qPrintable(session.client.LastFtpError().Description));
}

void TestFtps::commandLineTakesTrust()
{
    const auto run = [this](const QStringList& extra, QByteArray* err) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELMORA_TEST_PASSWORD"), m_explicit.password());
        cli.setProcessEnvironment(env);
        cli.start(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")),
                  QStringList{QStringLiteral("ftp"), QStringLiteral("--user"), m_explicit.user(),
                              QStringLiteral("--password-env"), QStringLiteral("VELMORA_TEST_PASSWORD")}
                      + extra + QStringList{QStringLiteral("ftpes://127.0.0.1:%1").arg(m_explicit.port()), QStringLiteral("pwd")});
        if (!cli.waitForFinished(60000))
            return -1;
        *err = cli.readAllStandardError();
        return cli.exitCode();
    };
    QByteArray err;
    QCOMPARE(run({}, &err), 1);
    QVERIFY2(err.contains(m_explicit.fingerprint().toLatin1()), err.constData());
    QCOMPARE(run({QStringLiteral("--trust"), m_explicit.fingerprint()}, &err), 0);
}

QTEST_GUILESS_MAIN(TestFtps)
#include "tst_ftps.moc"
