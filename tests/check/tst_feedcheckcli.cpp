#include "support/TestUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Run = testutil::ProcessRun;

Run cli(const QStringList& args)
{
    return testutil::runProcess(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")),
                                QStringList{QStringLiteral("feed"), QStringLiteral("check")} + args);
}

} // namespace

// "velmora-cli feed check" as users run it.
class TestFeedCheckCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void reports_data();
    void reports();
    void json();
    void onlineAndUrl();

private:
    QTemporaryDir m_dir;
    QString m_clean, m_broken;
};

void TestFeedCheckCli::initTestCase()
{
    QByteArray feed = testutil::readFile(QStringLiteral(VELMORA_TEST_DATA "/check/clean.rss"));
    m_clean = m_dir.filePath(QStringLiteral("clean.rss"));
    QVERIFY(testutil::writeFile(m_clean, feed));
    feed.replace("<ttl>60</ttl>", "<ttl>soon</ttl>");
    feed.replace("length=\"1234\"", "length=\"0\"");
    m_broken = m_dir.filePath(QStringLiteral("broken.rss"));
    QVERIFY(testutil::writeFile(m_broken, feed));
}

void TestFeedCheckCli::reports_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out"); // a line stdout must hold (the file name stands for %1)
    QTest::addColumn<QString>("err");
    QTest::newRow("clean") << QStringList{QStringLiteral("clean")} << 0 << "0 errors, 0 warnings, 0 advice" << "";
    QTest::newRow("error line") << QStringList{QStringLiteral("broken")} << 1
                                << "%1:10:1: error: ttl \"soon\" is not a whole number of minutes [rss-ttl]" << "";
    QTest::newRow("warning line") << QStringList{QStringLiteral("broken")} << 1
                                  << "%1:37:1: warning: the enclosure's length is 0; give the file's size in bytes "
                                     "[rss-enclosure-length-zero]" << "";
    QTest::newRow("counts") << QStringList{QStringLiteral("broken")} << 1 << "1 error, 1 warning, 0 advice" << "";
    QTest::newRow("rules apple only") << QStringList{QStringLiteral("broken"), QStringLiteral("--rules"), QStringLiteral("apple")}
                                      << 0 << "0 errors, 0 warnings, 0 advice" << "";
    QTest::newRow("unknown family") << QStringList{QStringLiteral("clean"), QStringLiteral("--rules"), QStringLiteral("w3c")}
                                    << 2 << "" << "unknown rule family \"w3c\"";
    QTest::newRow("no file") << QStringList{} << 2 << "" << "feed check needs FILE or URL";
    QTest::newRow("missing file") << QStringList{QStringLiteral("/nonexistent/feed.rss")} << 2 << "" << "cannot read";
    QTest::newRow("unknown option") << QStringList{QStringLiteral("clean"), QStringLiteral("--fast")} << 2 << ""
                                    << "unknown option \"--fast\"";
}

void TestFeedCheckCli::reports()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    for (QString& a : args)
        a = a == QLatin1String("clean") ? m_clean : a == QLatin1String("broken") ? m_broken : a;
    const Run r = cli(args);
    QCOMPARE(r.code, code);
    const QString file = args.value(0);
    if (!out.isEmpty())
        QVERIFY2(QString::fromUtf8(r.out).split(QLatin1Char('\n')).contains(out.contains(QLatin1String("%1")) ? out.arg(file) : out), r.out.constData());
    QVERIFY2(QString::fromUtf8(r.err).contains(err), r.err.constData());
}

void TestFeedCheckCli::json()
{
    const Run r = cli({m_broken, QStringLiteral("--json")});
    QCOMPARE(r.code, 1);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(o.value(QLatin1String("errors")).toInt(), 1);
    QCOMPARE(o.value(QLatin1String("warnings")).toInt(), 1);
    const QJsonArray findings = o.value(QLatin1String("findings")).toArray();
    QCOMPARE(findings.size(), 2);
    const QJsonObject ttl = findings[0].toObject();
    QCOMPARE(ttl.value(QLatin1String("rule")).toString(), QStringLiteral("rss-ttl"));
    QCOMPARE(ttl.value(QLatin1String("severity")).toString(), QStringLiteral("error"));
    QCOMPARE(ttl.value(QLatin1String("line")).toInt(), 10);
    QVERIFY(ttl.value(QLatin1String("item")).isNull());
    const QJsonObject zero = findings[1].toObject();
    QCOMPARE(zero.value(QLatin1String("item")).toInt(), 1);
    QCOMPARE(zero.value(QLatin1String("element")).toString(), QStringLiteral("enclosure"));
    QCOMPARE(zero.value(QLatin1String("column")).toInt(), 1);
}

// A URL and --online run in velmora-cli-net: against a real server on 127.0.0.1.
void TestFeedCheckCli::onlineAndUrl()
{
    QByteArray feed = testutil::readFile(m_clean);
    QTemporaryDir site;
    QVERIFY(testutil::writeFile(site.filePath(QStringLiteral("1.mp3")), QByteArray(1234, 'x')));
    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(VELMORA_SOURCE_DIR "/tests/support/link_server.py"), site.path()});
    if (!server.waitForStarted(10000) || !server.waitForReadyRead(10000))
        QSKIP("the test HTTP server (/usr/bin/python3 tests/support/link_server.py) did not start");
    const QByteArray base = "http://127.0.0.1:" + server.readLine().trimmed();
    feed.replace("https://radio.example/", base + "/");
    QVERIFY(testutil::writeFile(site.filePath(QStringLiteral("feed.rss")), feed));

    const Run online = cli({site.filePath(QStringLiteral("feed.rss")), QStringLiteral("--online"), QStringLiteral("--json")});
    QStringList rules;
    for (const QJsonValue& f : QJsonDocument::fromJson(online.out).object().value(QLatin1String("findings")).toArray())
        rules << f.toObject().value(QLatin1String("rule")).toString();
    // Only 1.mp3 is on the server: the channel image (line 12), the cover (23) and 2.m4a (51)
    // are missing; every link uses http:// now (reported at the first, the cover), and
    // podcast:guid no longer fits the feed's address (29).
    QCOMPARE(rules.join(QLatin1Char(' ')), QStringLiteral("online-status apple-https online-status p20-guid-feed-url online-status"));
    QCOMPARE(online.code, 1);

    const Run url = cli({QString::fromLatin1(base + "/feed.rss"), QStringLiteral("--rules"), QStringLiteral("rss")});
    QVERIFY2(url.out.endsWith("0 errors, 0 warnings, 0 advice\n"), url.out.constData());
    QCOMPARE(url.code, 0);
    const Run gone = cli({QString::fromLatin1(base + "/nofeed.rss")});
    QCOMPARE(gone.code, 1);
    QVERIFY2(gone.err.contains("cannot download"), gone.err.constData());
    server.kill();
    server.waitForFinished();
}

QTEST_GUILESS_MAIN(TestFeedCheckCli)
#include "tst_feedcheckcli.moc"
