#include "ScriptedHttpServer.h"
#include "http/HttpClient.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include "support/LocalPorts.h"

namespace {

QByteArray ok(const QByteArray& body, const QByteArray& extraHeaders = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n" + extraHeaders + "\r\n" + body;
}

QString url(const ScriptedHttpServer& server, const QString& path, const QString& host = "127.0.0.1")
{
    return QStringLiteral("http://%1:%2%3").arg(host).arg(server.port()).arg(path);
}

} // namespace

class TestHttpClient : public QObject {
    Q_OBJECT
private slots:
    void sendsTheExactRequestAndReportsProgress()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [](const QByteArray&) { return ok("<rss/>"); };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(url(server, "/feed.xml?x=1"));
        QVERIFY(!client.downloadFinished());
        QVERIFY(client.waitForFinished());
        QCOMPARE(server.requests.size(), 1);
        const QByteArray expected = "GET /feed.xml?x=1 HTTP/1.1\r\nHost: 127.0.0.1:"
                                    + QByteArray::number(server.port())
                                    + "\r\nConnection: close\r\nAccept: */*\r\n\r\n";
        QCOMPARE(server.requests.first(), expected);
        QCOMPARE(client.result(), QByteArray("<rss/>"));
        QCOMPARE(client.status(), 200);
        QCOMPARE(prompts.statusTexts,
                 (QStringList{"", "Connecting to server...", "Transfer completed."}));
    }

    void schemeInAnyCaseAndAddressWithoutScheme()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [](const QByteArray&) { return ok("x"); };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(QStringLiteral("HTTP://127.0.0.1:%1/a").arg(server.port()));
        QVERIFY(client.waitForFinished());
        client.downloadFile(QStringLiteral("127.0.0.1:%1/b").arg(server.port()));
        QVERIFY(client.waitForFinished());
        QCOMPARE(server.requests.size(), 2);
        QVERIFY(server.requests.at(1).startsWith("GET /b HTTP/1.1\r\n"));
    }

    void badAddressesFailAtOnce_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("no path") << "http://example.com";
        QTest::newRow("only scheme") << "http://";
        QTest::newRow("other scheme") << "ftp://example.com/feed.xml";
        QTest::newRow("bad port") << "http://example.com:99999/feed.xml";
        QTest::newRow("no host") << "http:///feed.xml";
    }

    void badAddressesFailAtOnce()
    {
        QFETCH(QString, address);
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(address);
        QVERIFY(client.downloadFinished());
        QVERIFY(!client.succeeded());
        QVERIFY(client.result().isEmpty());
        QCOMPARE(prompts.statusTexts.last(), QString("Error."));
    }

    void chunkedBodyIsDecodedAndPlainBodyIsNot()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        const QByteArray a(0x1a, 'a'), b(0x8000, 'b');
        server.chunkSize = 1000; // arrives in many reads
        server.responder = [&](const QByteArray& request) {
            if (request.startsWith("GET /chunked"))
                return ok("1a\r\n" + a + "\r\n8000\r\n" + b + "\r\n0\r\n\r\n",
                          "transfer-encoding: chunked\r\n");
            return ok("1a\r\nnot chunked\r\n0\r\n\r\n");
        };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(url(server, "/chunked"));
        QVERIFY(client.waitForFinished());
        QCOMPARE(client.result(), a + b);
        client.downloadFile(url(server, "/plain"));
        QVERIFY(client.waitForFinished());
        QCOMPARE(client.result(), QByteArray("1a\r\nnot chunked\r\n0\r\n\r\n"));
    }

    void redirectToAnotherHostName()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [&](const QByteArray& request) -> QByteArray {
            if (request.contains("Host: 127.0.0.1"))
                return "HTTP/1.1 302 Found\r\nLocation: " + url(server, "/moved.xml", "localhost").toUtf8()
                       + "\r\n\r\nold body";
            return ok("<rss>second</rss>");
        };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(url(server, "/feed.xml"));
        QVERIFY(client.waitForFinished());
        QCOMPARE(server.requests.size(), 2);
        QVERIFY(server.requests.at(1).startsWith("GET /moved.xml HTTP/1.1\r\nHost: localhost:"));
        QCOMPARE(client.result(), QByteArray("<rss>second</rss>"));
        QCOMPARE(client.currentUrl(), url(server, "/moved.xml", "localhost"));
    }

    void relativeRedirectsAndEveryRedirectStatus()
    {
        for (int status : {301, 302, 303, 307, 308}) {
            ScriptedHttpServer server;
            QVERIFY(server.listen());
            server.responder = [status](const QByteArray& request) -> QByteArray {
                if (request.startsWith("GET /shows/old/feed.xml"))
                    return "HTTP/1.1 " + QByteArray::number(status) + " Moved\r\nLocation: ../new/feed.xml?a=b\r\n\r\n";
                return ok(request.left(request.indexOf("\r\n")));
            };
            FakePrompts prompts;
            HttpClient client(prompts);
            client.downloadFile(url(server, "/shows/old/feed.xml"));
            QVERIFY2(client.waitForFinished(), qPrintable(QString::number(status)));
            QCOMPARE(client.result(), QByteArray("GET /shows/new/feed.xml?a=b HTTP/1.1"));
        }
    }

    void redirectLoopStopsAfterTen()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [](const QByteArray&) -> QByteArray {
            return "HTTP/1.1 302 Found\r\nLocation: /loop\r\n\r\n";
        };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(url(server, "/loop"));
        QVERIFY(!client.waitForFinished());
        QCOMPARE(server.requests.size(), 11);
        QCOMPARE(prompts.statusTexts.last(), QString("Error."));
        QVERIFY(client.result().isEmpty());
    }

    void silentServerTimesOut()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.silent = true;
        FakePrompts prompts;
        HttpClient client(prompts);
        client.setTimeout(300);
        QElapsedTimer timer;
        timer.start();
        client.downloadFile(url(server, "/slow"));
        QVERIFY(!client.waitForFinished());
        QVERIFY(timer.elapsed() >= 250);
        QCOMPARE(server.requests.size(), 1);
        // The time-out sets no status text of its own.
        QCOMPARE(prompts.statusTexts.last(), QString("Connecting to server..."));
        QVERIFY(client.errorText().contains("0.3 seconds"));
    }

    void closeWithoutHeaderAndRefusedConnectionFail()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [](const QByteArray&) { return QByteArray("HTTP/1.1 200 OK\r\nNo-End: x"); };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(url(server, "/cut"));
        QVERIFY(!client.waitForFinished());
        QCOMPARE(prompts.statusTexts.last(), QString("Error."));

        client.downloadFile(QStringLiteral("http://127.0.0.1:%1/x").arg(testutil::freePort()));
        QVERIFY(!client.waitForFinished());
        QCOMPARE(prompts.statusTexts.last(), QString("Error."));
        QVERIFY(!client.errorText().isEmpty());
    }

    void errorStatusesAndAuthenticationChallenges_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("message");
        QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found\r\n\r\n<html>not a feed</html>") << QString();
        QTest::newRow("401 basic")
            << QByteArray("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"feed\"\r\n\r\nno")
            << "You must provide user name and password to retrieve the resource by that URL.";
        QTest::newRow("401 digest")
            << QByteArray("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"f\", nonce=\"1\"\r\n\r\n")
            << "\r\nThis resource requires a Digital Authentication Scheme for the user authorization.";
        QTest::newRow("407 basic")
            << QByteArray("HTTP/1.1 407 Proxy\r\nProxy-Authenticate: Basic realm=\"p\"\r\n\r\n")
            << "You must provide user name and password for the proxy authorization.";
        QTest::newRow("407 digest")
            << QByteArray("HTTP/1.1 407 Proxy\r\nProxy-Authenticate: Digest realm=\"p\"\r\n\r\n")
            << "\r\nThe proxy server requires the user authorization using a Digital Authentication Scheme.";
    }

    void errorStatusesAndAuthenticationChallenges()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, message);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [answer](const QByteArray&) { return answer; };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(url(server, "/private.xml"));
        QVERIFY(!client.waitForFinished());
        QVERIFY(client.result().isEmpty());
        QCOMPARE(prompts.statusTexts.last(), QString("Error."));
        QCOMPARE(client.authenticationMessage(), message);
        // No credentials are ever sent.
        QVERIFY(!server.requests.first().contains("Authorization"));
    }

    void oversizedBodyFails()
    {
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [](const QByteArray&) { return ok(QByteArray(200000, 'x')); };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.setMaxBodySize(100000);
        client.downloadFile(url(server, "/huge"));
        QVERIFY(!client.waitForFinished());
        QVERIFY(client.result().isEmpty());
        QCOMPARE(prompts.statusTexts.last(), QString("Error."));
    }

    void newDownloadReplacesRunningOne()
    {
        ScriptedHttpServer slow, fast;
        QVERIFY(slow.listen());
        QVERIFY(fast.listen());
        slow.silent = true;
        fast.responder = [](const QByteArray&) { return ok("fast"); };
        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(url(slow, "/a"));
        QTRY_COMPARE(slow.requests.size(), 1);
        client.downloadFile(url(fast, "/b"));
        QVERIFY(client.waitForFinished());
        QCOMPARE(client.result(), QByteArray("fast"));
    }

    void certificateErrorFailsWithClearStatus()
    {
        if (!QSslSocket::supportsSsl())
            QFAIL("TLS support is missing");
        QTemporaryDir dir;
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                                  "-subj", "/CN=localhost", "-keyout", dir.filePath("key.pem"),
                                  "-out", dir.filePath("cert.pem")});
        QVERIFY(openssl.waitForFinished(30000));
        QCOMPARE(openssl.exitCode(), 0);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(testutil::readFile(dir.filePath("cert.pem"))));
        config.setPrivateKey(QSslKey(testutil::readFile(dir.filePath("key.pem")), QSsl::Rsa));
        QSslServer server;
        server.setSslConfiguration(config);
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        connect(&server, &QSslServer::errorOccurred, this, [](QSslSocket*, QAbstractSocket::SocketError) {});

        FakePrompts prompts;
        HttpClient client(prompts);
        client.downloadFile(QStringLiteral("HTTPS://localhost:%1/feed.xml").arg(server.serverPort()));
        QVERIFY(!client.waitForFinished());
        QVERIFY2(prompts.statusTexts.last().startsWith("Error: the server's certificate was refused"),
                 qPrintable(prompts.statusTexts.last()));
    }

    void realServerServesFeeds()
    {
        QTemporaryDir dir;
        const QByteArray feed = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\"><channel>"
                                "<title>Real</title></channel></rss>";
        QVERIFY(testutil::writeFile(dir.filePath("feed.xml"), feed));
        QVERIFY(testutil::writeFile(dir.filePath("big.xml"), QByteArray(3 << 20, 'z')));
        const quint16 port = testutil::freePort();
        QProcess server;
        server.setWorkingDirectory(dir.path());
        server.start("/usr/bin/python3", {"-m", "http.server", QString::number(port), "--bind", "127.0.0.1"});
        QVERIFY(server.waitForStarted());
        FakePrompts prompts;
        HttpClient client(prompts);
        bool served = false;
        for (int attempt = 0; attempt < 50 && !served; ++attempt) {
            client.downloadFile(QStringLiteral("http://127.0.0.1:%1/feed.xml").arg(port));
            served = client.waitForFinished();
            if (!served)
                QTest::qWait(100);
        }
        QVERIFY(served);
        QCOMPARE(client.result(), feed);
        client.downloadFile(QStringLiteral("http://localhost:%1/big.xml").arg(port));
        QVERIFY(client.waitForFinished());
        QCOMPARE(client.result().size(), qsizetype(3 << 20));
        client.downloadFile(QStringLiteral("http://127.0.0.1:%1/missing.xml").arg(port));
        QVERIFY(!client.waitForFinished());
        QCOMPARE(client.status(), 404);
        server.kill();
        server.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
