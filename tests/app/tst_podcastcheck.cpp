#include "SessionHarness.h"
#include "app/PodcastCheck.h"
#include "support/LocalPorts.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

// "Check feed..." and "Check the published feed" below the windows.
class TestPodcastCheck : public QObject {
    Q_OBJECT
private slots:
    void openPodcastAsSaved();
    void jumps_data();
    void jumps();
    void publishedFeed();
};

namespace {

QByteArray cleanFeed()
{
    return testutil::readFile(QStringLiteral(VELMORA_TEST_DATA "/check/clean.rss"));
}

} // namespace

void TestPodcastCheck::openPodcastAsSaved()
{
    SessionHarness h;
    h.start();
    const QString feed = h.path(QStringLiteral("clean.rss"));
    QVERIFY(testutil::writeFile(feed, cleanFeed()));
    h.session->addFeedToList(feed);
    QCOMPARE(h.session->document().episodes.size(), 2);
    PodcastCheck check(*h.session);
    const CheckResult clean = check.checkOpenPodcast();
    QVERIFY2(clean.findings.isEmpty(), qPrintable(clean.findings.value(0).message));

    // An edit not saved yet is what is checked.
    h.session->document().episodes[1].itunesDuration = QStringLiteral("ten minutes");
    const CheckResult edited = check.checkOpenPodcast();
    QCOMPARE(edited.findings.size(), 1);
    QCOMPARE(edited.findings.first().rule, QStringLiteral("apple-duration"));
    QCOMPARE(edited.findings.first().item, 2);
    QVERIFY(testutil::readFile(feed) == cleanFeed());
}

void TestPodcastCheck::jumps_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("element");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field");
    QTest::newRow("episode") << 3 << "enclosure" << 3 << "";
    QTest::newRow("channel title") << 0 << "title" << 0 << "title";
    QTest::newRow("channel language") << 0 << "language" << 0 << "language";
    QTest::newRow("no field in the window") << 0 << "itunes:image" << 0 << "";
}

void TestPodcastCheck::jumps()
{
    QFETCH(int, item);
    QFETCH(QString, element);
    QFETCH(int, row);
    QFETCH(QString, field);
    Finding f;
    f.item = item;
    f.element = element;
    const CheckJump jump = PodcastCheck::jumpFor(f);
    QCOMPARE(jump.episodeRow, row);
    QCOMPARE(jump.channelField, field);
}

// The feed and its files on a real HTTP server on 127.0.0.1.
void TestPodcastCheck::publishedFeed()
{
    SessionHarness h;
    h.start();
    PodcastCheck check(*h.session);
    QString why;
    QVERIFY(!check.checkPublished(&why));
    QVERIFY(why.contains(QLatin1String("no feed URL")));

    QTemporaryDir site;
    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(VELMORA_SOURCE_DIR "/tests/support/link_server.py"), site.path()});
    if (!server.waitForStarted(10000) || !server.waitForReadyRead(10000))
        QSKIP("the test HTTP server (/usr/bin/python3 tests/support/link_server.py) did not start");
    const QByteArray base = "http://127.0.0.1:" + server.readLine().trimmed();
    QByteArray feed = cleanFeed();
    feed.replace("https://radio.example/", base + "/");
    QVERIFY(testutil::writeFile(site.filePath(QStringLiteral("feed.rss")), feed));
    QVERIFY(testutil::writeFile(site.filePath(QStringLiteral("1.mp3")), QByteArray(1234, 'x')));
    QVERIFY(testutil::writeFile(site.filePath(QStringLiteral("2.m4a")), QByteArray(98, 'x')));

    QSignalSpy done(&check, &PodcastCheck::finished);
    QSignalSpy progress(&check, &PodcastCheck::progress);
    h.session->document().channel.atomSelfLink = QString::fromLatin1(base + "/feed.rss");
    QVERIFY(check.checkPublished(&why));
    QVERIFY(done.wait(30000));
    QCOMPARE(done.first().at(1).toString(), QString());
    QStringList rules;
    for (const Finding& f : done.first().at(0).value<Findings>())
        rules << QStringLiteral("%1@%2").arg(f.rule).arg(f.item);
    // The channel image and the cover are missing, 2.m4a is one byte short.
    QCOMPARE(rules.join(QLatin1Char(' ')),
             QStringLiteral("online-status@0 apple-https@0 online-status@0 p20-guid-feed-url@0 online-length@2"));
    QVERIFY(progress.size() >= 2);

    h.session->document().channel.atomSelfLink = QString::fromLatin1(base + "/gone.rss");
    done.clear();
    QVERIFY(check.checkPublished(&why));
    QVERIFY(done.wait(30000));
    QVERIFY(done.first().at(1).toString().startsWith(QLatin1String("Cannot download")));
    server.kill();
    server.waitForFinished();
}

QTEST_GUILESS_MAIN(TestPodcastCheck)
#include "tst_podcastcheck.moc"
