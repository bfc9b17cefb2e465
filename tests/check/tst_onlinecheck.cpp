#include "check/OnlineChecker.h"
#include "image/ImageMagick.h"
#include "support/LocalPorts.h"
#include "support/TestUtil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The online check against a real HTTP server on 127.0.0.1 (tests/support/link_server.py)
// that honours byte ranges, and ignores them, redirects and misses files on request.
class TestOnlineCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void oneLink_data();
    void oneLink();
    void fourAtATimeWithProgress();

private:
    QString url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path); }
    QTemporaryDir m_dir;
    QProcess m_server;
    quint16 m_port = 0;
};

void TestOnlineCheck::initTestCase()
{
    QVERIFY(testutil::writeFile(m_dir.filePath(QStringLiteral("ep.mp3")), QByteArray(1000, 'x')));
    QVERIFY(testutil::writeFile(m_dir.filePath(QStringLiteral("text.mp3")), QByteArray(10, 'x')));
    QVERIFY(testutil::writeFile(m_dir.filePath(QStringLiteral("text.mp3.type")), "text/plain; charset=utf-8"));
    if (magick::available()) {
        QCOMPARE(magick::convert({QStringLiteral("-size"), QStringLiteral("1400x1400"), QStringLiteral("xc:red"),
                                  m_dir.filePath(QStringLiteral("cover.jpg"))}), 0);
        QCOMPARE(magick::convert({QStringLiteral("-size"), QStringLiteral("1400x1000"), QStringLiteral("xc:red"),
                                  m_dir.filePath(QStringLiteral("wide.jpg"))}), 0);
    }
    m_server.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(VELMORA_SOURCE_DIR "/tests/support/link_server.py"), m_dir.path()});
    if (!m_server.waitForStarted(10000) || !m_server.waitForReadyRead(10000))
        QSKIP("the test HTTP server (/usr/bin/python3 tests/support/link_server.py) did not start");
    m_port = static_cast<quint16>(m_server.readLine().trimmed().toUInt());
    QVERIFY(m_port > 0);
}

void TestOnlineCheck::cleanupTestCase()
{
    m_server.kill();
    m_server.waitForFinished();
}

void TestOnlineCheck::oneLink_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("rules"); // the findings' rules, in order
    const int e = CheckLink::Enclosure;
    QTest::newRow("right") << e << "/ep.mp3" << "1000" << "audio/mpeg" << "";
    QTest::newRow("wrong length") << e << "/ep.mp3" << "999" << "audio/mpeg" << "online-length";
    QTest::newRow("wrong type") << e << "/text.mp3" << "10" << "audio/mpeg" << "online-type";
    QTest::newRow("redirect") << e << "/moved/ep.mp3" << "1000" << "audio/mpeg" << "online-redirect";
    QTest::newRow("no ranges") << e << "/norange/ep.mp3" << "1000" << "audio/mpeg" << "online-range";
    QTest::newRow("no ranges, wrong length") << e << "/norange/ep.mp3" << "5" << "audio/mpeg"
                                             << "online-range online-length";
    QTest::newRow("404") << e << "/gone.mp3" << "1000" << "audio/mpeg" << "online-status";
    QTest::newRow("refused") << e << "refused" << "1000" << "audio/mpeg" << "online-status";
    QTest::newRow("channel image") << int(CheckLink::ChannelImage) << "/moved/cover.jpg" << "" << "" << "online-redirect";
    QTest::newRow("square cover") << int(CheckLink::CoverImage) << "/cover.jpg" << "" << "" << "";
    QTest::newRow("wide cover") << int(CheckLink::CoverImage) << "/wide.jpg" << "" << "" << "apple-image-picture";
}

void TestOnlineCheck::oneLink()
{
    QFETCH(int, kind);
    QFETCH(QString, path);
    QFETCH(QString, length);
    QFETCH(QString, type);
    QFETCH(QString, rules);
    if (kind == CheckLink::CoverImage && !magick::available())
        QSKIP("ImageMagick's convert is not installed");
    CheckLink link;
    link.kind = static_cast<CheckLink::Kind>(kind);
    link.url = path == QLatin1String("refused") ? QStringLiteral("http://127.0.0.1:%1/x.mp3").arg(testutil::freePort())
                                               : url(path);
    link.length = length;
    link.type = type;
    link.item = 3;
    link.line = 42;
    OnlineChecker checker;
    checker.setTimeout(10000);
    const Findings findings = checker.run({link});
    QStringList got;
    for (const Finding& f : findings) {
        got << f.rule;
        QCOMPARE(f.line, 42);
        QCOMPARE(f.item, 3);
    }
    QCOMPARE(got.join(QLatin1Char(' ')), rules);
}

void TestOnlineCheck::fourAtATimeWithProgress()
{
    QList<CheckLink> links;
    for (int i = 0; i < 10; ++i) {
        CheckLink link;
        link.url = url(QStringLiteral("/slow/ep.mp3?%1").arg(i));
        link.length = QStringLiteral("1000");
        link.type = QStringLiteral("audio/mpeg");
        links << link;
    }
    OnlineChecker checker;
    QList<int> done;
    connect(&checker, &OnlineChecker::progress, this, [&](int n, int total) {
        QCOMPARE(total, 10);
        done << n;
    });
    QVERIFY(checker.run(links).isEmpty());
    QCOMPARE(done, QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

    QProcess curl;
    curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), url(QStringLiteral("/stats"))});
    QVERIFY(curl.waitForFinished(10000));
    QCOMPARE(curl.readAllStandardOutput().trimmed(), QByteArray("4"));
}

QTEST_GUILESS_MAIN(TestOnlineCheck)
#include "tst_onlinecheck.moc"
