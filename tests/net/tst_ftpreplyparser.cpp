// Taking FTP replies off the control connection's byte stream.
#include "net/FtpReplyParser.h"

#include <QtTest>

class TestFtpReplyParser : public QObject {
    Q_OBJECT
private slots:
    void singleLine();
    void incompleteLineWaits_data();
    void incompleteLineWaits();
    void multiLineReply();
    void numberedLineInsideMultiLineReply();
    void twoRepliesInOneRead();
    void bareLineFeedsAndBareCode();
    void junkBeforeReply();
    void textDecoding();
};

void TestFtpReplyParser::singleLine()
{
    QByteArray buffer("220 Ready\r\n");
    const FtpReply reply = FtpReplyParser::take(buffer);
    QCOMPARE(reply.code, 220);
    QCOMPARE(reply.block, QByteArray("220 Ready\r\n"));
    QCOMPARE(reply.multiLineText, QString());
    QVERIFY(buffer.isEmpty());
}

void TestFtpReplyParser::incompleteLineWaits_data()
{
    QTest::addColumn<QByteArray>("partial");
    QTest::addRow("two digits") << QByteArray("22");
    QTest::addRow("no line end") << QByteArray("220 Rea");
    QTest::addRow("CR only") << QByteArray("220 Ready\r");
    QTest::addRow("open multi-line") << QByteArray("220-Welcome\r\n220-more\r\n");
    QTest::addRow("other code ends nothing") << QByteArray("220-Welcome\r\n230 not the end\r\n");
}

void TestFtpReplyParser::incompleteLineWaits()
{
    QFETCH(QByteArray, partial);
    QByteArray buffer = partial;
    QCOMPARE(FtpReplyParser::take(buffer).code, 0);
    QCOMPARE(buffer, partial);
}

void TestFtpReplyParser::multiLineReply()
{
    QByteArray buffer("220-Welcome to the host\r\n220-Second line\r\n220 Ready\r\n");
    const FtpReply reply = FtpReplyParser::take(buffer);
    QCOMPARE(reply.code, 220);
    QCOMPARE(reply.multiLineText, QStringLiteral("Welcome to the host\r\nSecond line"));
    QVERIFY(buffer.isEmpty());
}

void TestFtpReplyParser::numberedLineInsideMultiLineReply()
{
    QByteArray buffer("211-Features:\r\n MDTM\r\n150 is not the end\r\n211 End\r\n");
    const FtpReply reply = FtpReplyParser::take(buffer);
    QCOMPARE(reply.code, 211);
    QCOMPARE(reply.multiLineText, QStringLiteral("Features:"));
}

void TestFtpReplyParser::twoRepliesInOneRead()
{
    QByteArray buffer("150 Opening\r\n226 Done\r\n22");
    QCOMPARE(FtpReplyParser::take(buffer).code, 150);
    const FtpReply second = FtpReplyParser::take(buffer);
    QCOMPARE(second.code, 226);
    QCOMPARE(second.block, QByteArray("226 Done\r\n"));
    QCOMPARE(buffer, QByteArray("22"));
    QCOMPARE(FtpReplyParser::take(buffer).code, 0);
}

void TestFtpReplyParser::bareLineFeedsAndBareCode()
{
    QByteArray buffer("200\n331 ok\n");
    QCOMPARE(FtpReplyParser::take(buffer).code, 200);
    QCOMPARE(FtpReplyParser::take(buffer).code, 331);
}

void TestFtpReplyParser::junkBeforeReply()
{
    QByteArray buffer("hello there\r\n12x nope\r\n000 not a code\r\n250 OK\r\n");
    const FtpReply reply = FtpReplyParser::take(buffer);
    QCOMPARE(reply.code, 250);
    QVERIFY(reply.block.startsWith("hello"));
    QVERIFY(buffer.isEmpty());
}

void TestFtpReplyParser::textDecoding()
{
    QCOMPARE(FtpReplyParser::decode("257 \"/\xc3\xa9pisodes\""), QStringLiteral("257 \"/\u00e9pisodes\""));
    // Not UTF-8: one character per byte.
    QCOMPARE(FtpReplyParser::decode("257 \"/\xe9t\xe9\""), QStringLiteral("257 \"/\u00e9t\u00e9\""));
}

QTEST_GUILESS_MAIN(TestFtpReplyParser)
#include "tst_ftpreplyparser.moc"
