#include "http/HttpResponse.h"

#include <QtTest>

using namespace http;

class TestHttpResponse : public QObject {
    Q_OBJECT
private slots:
    void splitsAtFirstBlankLine()
    {
        const SplitResponse r = splitResponse("HTTP/1.1 200 OK\r\nA: b\r\n\r\nbody\r\n\r\nmore");
        QVERIFY(r.complete);
        QCOMPARE(r.header, QByteArray("HTTP/1.1 200 OK\r\nA: b\r\n"));
        QCOMPARE(r.body, QByteArray("body\r\n\r\nmore"));
        const SplitResponse partial = splitResponse("HTTP/1.1 200 OK\r\nA: b\r\n");
        QVERIFY(!partial.complete);
        QVERIFY(partial.body.isEmpty());
    }

    void headerValuesIgnoreCaseAndTakeTheFirst()
    {
        const QByteArray h = "HTTP/1.1 302 Found\r\nlocation:  http://x/a \r\n"
                             "Location: http://y/b\r\nTRANSFER-ENCODING: chunked\r\n";
        QCOMPARE(headerValue(h, "Location"), QByteArray("http://x/a"));
        QCOMPARE(headerValue(h, "Transfer-Encoding"), QByteArray("chunked"));
        QCOMPARE(headerValue(h, "Content-Type"), QByteArray());
        // The status line is never a header, and a name must match whole.
        QCOMPARE(headerValue("HTTP/1.1 200 OK\r\nX-Location: z\r\n", "Location"), QByteArray());
        QCOMPARE(headerValue("Location: z\r\n", "Location"), QByteArray());
    }

    void statusCodeIsThreeDigitsAfterTheFirstBlank()
    {
        QCOMPARE(statusCode("HTTP/1.1 404 Not Found\r\n"), 404);
        QCOMPARE(statusCode("HTTP/1.0 200\r\n"), 200);
        QCOMPARE(statusCode("HTTP/1.1 2x0 OK\r\n"), 0);
        QCOMPARE(statusCode("garbage"), 0);
        QCOMPARE(statusCode("HTTP/1.1 20"), 0);
        QCOMPARE(statusCode(""), 0);
    }

    void authenticationSchemeIsTheFirstWord()
    {
        const QByteArray h = "HTTP/1.1 401 x\r\nWWW-Authenticate: Digest realm=\"a\"\r\n"
                             "Proxy-Authenticate: Basic realm=\"b\"\r\n";
        QCOMPARE(authenticationScheme(h, "WWW-Authenticate"), QByteArray("Digest"));
        QCOMPARE(authenticationScheme(h, "Proxy-Authenticate"), QByteArray("Basic"));
    }

    void chunkedDecodingJoinsChunks()
    {
        const QByteArray a(0x1a, 'a');
        const QByteArray b(0x8000, 'b');
        const QByteArray body = "1a\r\n" + a + "\r\n8000;ext=1\r\n" + b + "\r\n0\r\n\r\n";
        const ChunkedResult r = decodeChunked(body);
        QVERIFY(r.complete);
        QCOMPARE(r.body.size(), 26 + 32768);
        QCOMPARE(r.body, a + b);
        QCOMPARE(decodeChunked("A\r\n0123456789\r\n0\r\n").body, QByteArray("0123456789"));
    }

    void brokenChunkedBodiesStopCleanly()
    {
        // A size that runs past the data keeps what is there.
        ChunkedResult r = decodeChunked("10\r\nshort");
        QVERIFY(!r.complete);
        QCOMPARE(r.body, QByteArray("short"));
        // A missing final chunk.
        r = decodeChunked("3\r\nabc\r\n");
        QVERIFY(!r.complete);
        QCOMPARE(r.body, QByteArray("abc"));
        // No line end at all, a size that is no number, an absurd size.
        QCOMPARE(decodeChunked("abc").body, QByteArray());
        QCOMPARE(decodeChunked("zz\r\nabc\r\n0\r\n").body, QByteArray());
        QCOMPARE(decodeChunked("ffffffffffffffffffff\r\nabc").body, QByteArray());
        // Data not followed by its line end ends the decoding.
        r = decodeChunked("3\r\nabcX3\r\ndef\r\n0\r\n");
        QCOMPARE(r.body, QByteArray("abc"));
        QVERIFY(!r.complete);
    }
};

QTEST_GUILESS_MAIN(TestHttpResponse)
#include "tst_httpresponse.moc"
