// "velmora-cli publish" against real vsftpd servers (clear text, explicit and implicit TLS): a
// project in a temporary home folder with a feed, a JPEG image and three MP3 episodes made by
// ImageMagick and ffmpeg.
#include "store/ProjectList.h"
#include "support/SecureTestServer.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {

constexpr uid_t kServerUser = 4242; // the user the fixture's vsftpd logs in

struct Run {
    int code = -1;
    QString out;
    QString err;
};

bool make(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray feedText(int items)
{
    QByteArray text = "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\"><channel><title>Garden Hour</title>"
                      "<link>http://example.com/</link><description>Plants</description>";
    for (int i = 1; i <= items; ++i)
        text += "<item><title>Episode " + QByteArray::number(i) + "</title><guid>garden-" + QByteArray::number(i)
                + "</guid><description>All about the plants of the garden in week " + QByteArray::number(i)
                + "</description></item>";
    return text + "</channel></rss>";
}

// A home folder whose only project publishes feeds/garden.xml, img/logo.jpg and media/*.mp3.
struct Project {
    QTemporaryDir home;
    QString feed = home.filePath(QStringLiteral("garden.rss"));
    QString image = home.filePath(QStringLiteral("logo.jpg"));
    QStringList media;

    bool write(const QString& server, const QString& samples, int items = 3, bool everything = true)
    {
        if (!testutil::writeFile(feed, feedText(items)) || !QFile::copy(samples + QStringLiteral("/logo.jpg"), image))
            return false;
        ProjectList list;
        ProjectEntry& e = list[list.addFeedFile(feed)];
        e.ftpServer = server;
        e.ftpUsername = QStringLiteral("podcaster");
        e.ftpMode = 1;
        e.ftpPath = QStringLiteral("feeds");
        e.ftpFilename = QStringLiteral("garden.xml");
        e.ftpPath2 = QStringLiteral("img");
        e.ftpFilename2 = QStringLiteral("logo.jpg");
        e.ftpPath3 = QStringLiteral("media");
        e.uploadFeed = true;
        e.uploadImage = everything;
        e.uploadEnclosure = everything;
        e.image = true;
        e.imagePath = image;
        e.enclosures.resize(items);
        for (int i = 0; i < 3 && i < items; ++i) {
            const QString file = home.filePath(QStringLiteral("episode%1.mp3").arg(i + 1));
            if (!QFile::copy(samples + QStringLiteral("/episode%1.mp3").arg(i + 1), file))
                return false;
            media << file;
            e.enclosures[i] = {file, {}, {}, QStringLiteral("Episode %1").arg(i + 1), {}, true, true};
        }
        // The channel image the program shows and publishes.
        QByteArray text = testutil::readFile(feed);
        text.replace("</description>", "</description><image><url>http://example.com/logo.jpg</url>"
                                       "<title>Garden Hour</title><link>http://example.com/</link></image>");
        return testutil::writeFile(feed, text) && list.save(home.filePath(QStringLiteral("project.ini")), false);
    }

    Run publish(const QStringList& extra) const
    {
        return cli(QStringList{QStringLiteral("publish"), QStringLiteral("--password-env"),
                               QStringLiteral("PUBLISH_PASSWORD")} + extra);
    }

    Run cli(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PUBLISH_PASSWORD"), QStringLiteral("secret"));
        p.setProcessEnvironment(env);
        p.start(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")),
                args + QStringList{QStringLiteral("--home"), home.path()});
        if (!p.waitForFinished(120000))
            p.kill();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
};

// Empty feeds/, img/ and media/ folders the server's user may write to; an old feed in place.
void prepareServer(const SecureTestServer& server)
{
    QDir home(server.home());
    for (const char* folder : {"feeds", "img", "media"}) {
        QDir(home.filePath(QLatin1String(folder))).removeRecursively();
        home.mkdir(QLatin1String(folder));
        QVERIFY(::chown(qPrintable(home.filePath(QLatin1String(folder))), kServerUser, kServerUser) == 0);
    }
    QVERIFY(testutil::writeFile(home.filePath(QStringLiteral("feeds/garden.xml")), feedText(1)));
}

} // namespace

class TestPublishCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void publishesEverythingInOrder_data();
    void publishesEverythingInOrder();
    void missingEpisodeHoldsTheFeedBack();
    void certificateMustBeTrusted_data();
    void certificateMustBeTrusted();
    void killedDuringTheFeedLeavesTheOldOne();
    void dryRunSendsNothing();
    void badInputIsRefused_data();
    void badInputIsRefused();
    void projectShowTellsProtocolAndTrust();

private:
    SecureTestServer* server(const QString& kind);
    QTemporaryDir m_samples;
    SecureTestServer m_plain;
    SecureTestServer m_explicit;
    SecureTestServer m_implicit;
};

void TestPublishCli::initTestCase()
{
    for (int i = 1; i <= 3; ++i) {
        if (!make(QStringLiteral("ffmpeg"), {"-v", "error", "-f", "lavfi", "-i",
                                              QStringLiteral("sine=frequency=%1:duration=%2").arg(300 * i).arg(i),
                                              "-b:a", "64k", m_samples.filePath(QStringLiteral("episode%1.mp3").arg(i))}))
            QSKIP("ffmpeg cannot make the episodes");
    }
    if (!make(QStringLiteral("convert"), {"-size", "144x144", "plasma:green-blue", m_samples.filePath("logo.jpg")}))
        QSKIP("ImageMagick cannot make the image");
    QString error;
    if (!m_plain.start(QStringLiteral("vsftpd"), {QStringLiteral("--plain")}, &error)
        || !m_explicit.start(QStringLiteral("vsftpd"), {}, &error)
        || !m_implicit.start(QStringLiteral("vsftpd"), {QStringLiteral("--implicit")}, &error))
        QSKIP(qPrintable(QStringLiteral("vsftpd cannot run here (it needs root and unshare): ") + error));
}

SecureTestServer* TestPublishCli::server(const QString& kind)
{
    return kind == QLatin1String("ftp") ? &m_plain : kind == QLatin1String("ftpes") ? &m_explicit : &m_implicit;
}

void TestPublishCli::publishesEverythingInOrder_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<bool>("passive");
    QTest::newRow("ftp, passive") << "ftp" << true;
    QTest::newRow("ftp, active") << "ftp" << false;
    QTest::newRow("ftpes, passive") << "ftpes" << true;
    QTest::newRow("ftps, active") << "ftps" << false;
}

void TestPublishCli::publishesEverythingInOrder()
{
    QFETCH(QString, scheme);
    QFETCH(bool, passive);
    const SecureTestServer& s = *server(scheme);
    prepareServer(s);
    Project project;
    QVERIFY(project.write(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(s.port()), m_samples.path()));
    if (!passive) {
        ProjectList list;
        QVERIFY(list.load(project.home.filePath("project.ini"), false));
        list[0].ftpMode = 0;
        QVERIFY(list.save(project.home.filePath("project.ini"), false));
    }
    const QStringList trust = s.fingerprint().isEmpty() ? QStringList{} : QStringList{"--trust", s.fingerprint()};
    const Run r = project.publish(trust);
    QVERIFY2(r.code == 0, qPrintable(r.err + r.out));

    const QDir home(s.home());
    for (int i = 0; i < 3; ++i)
        QCOMPARE(testutil::readFile(home.filePath(QStringLiteral("media/episode%1.mp3").arg(i + 1))),
                 testutil::readFile(project.media[i]));
    QCOMPARE(testutil::readFile(home.filePath("img/logo.jpg")), testutil::readFile(project.image));
    const QByteArray feed = testutil::readFile(home.filePath("feeds/garden.xml"));
    QVERIFY2(feed.contains("<title>Episode 3</title>") && feed.contains("<width>144</width>"), feed.constData());
    for (const char* folder : {"feeds", "img"})
        QCOMPARE(QDir(home.filePath(QLatin1String(folder))).entryList(QDir::Files).size(), 1);

    // Media, then the image, then the feed, each renamed into place; the password never shows.
    QStringList sent;
    for (const QString& line : r.out.split('\n')) {
        if (line.startsWith("STOR ") || line.startsWith("RNTO "))
            sent << line;
    }
    QCOMPARE(sent, (QStringList{"STOR media/episode1.mp3", "STOR media/episode2.mp3", "STOR media/episode3.mp3",
                                "STOR img/logo.jpg.uploading", "RNTO img/logo.jpg",
                                "STOR feeds/garden.xml.uploading", "RNTO feeds/garden.xml"}));
    QVERIFY(r.out.contains("PASS ********") && !r.out.contains("secret"));
    QCOMPARE(r.err.count(": sent, "), 5);
}

void TestPublishCli::missingEpisodeHoldsTheFeedBack()
{
    prepareServer(m_plain);
    Project project;
    QVERIFY(project.write(QStringLiteral("127.0.0.1:%1").arg(m_plain.port()), m_samples.path()));
    QVERIFY(QFile::remove(project.media[1]));
    const Run r = project.publish({});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("these files did not arrive: media/episode2.mp3, feeds/garden.xml"), qPrintable(r.err));
    const QDir home(m_plain.home());
    QCOMPARE(testutil::readFile(home.filePath("feeds/garden.xml")), feedText(1));
    QCOMPARE(testutil::readFile(home.filePath("media/episode3.mp3")), testutil::readFile(project.media[2]));
    QVERIFY(!home.exists("feeds/garden.xml.uploading"));
}

void TestPublishCli::certificateMustBeTrusted_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("trust"); // "-": none given
    QTest::newRow("explicit, none") << "ftpes" << "-";
    QTest::newRow("explicit, wrong") << "ftpes" << QString(64, QLatin1Char('0'));
    QTest::newRow("implicit, none") << "ftps" << "-";
}

void TestPublishCli::certificateMustBeTrusted()
{
    QFETCH(QString, scheme);
    QFETCH(QString, trust);
    const SecureTestServer& s = *server(scheme);
    prepareServer(s);
    Project project;
    QVERIFY(project.write(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(s.port()), m_samples.path()));
    const Run r = project.publish(trust == QLatin1String("-") ? QStringList{} : QStringList{"--trust", trust});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("run again with --trust " + s.fingerprint()), qPrintable(r.err));
    QVERIFY(!r.out.contains("USER "));
    QCOMPARE(testutil::readFile(QDir(s.home()).filePath("feeds/garden.xml")), feedText(1));
}

void TestPublishCli::killedDuringTheFeedLeavesTheOldOne()
{
    SecureTestServer slow;
    QString error;
    if (!slow.start(QStringLiteral("vsftpd"), {QStringLiteral("--plain"), QStringLiteral("--max-rate"), "50000"}, &error))
        QSKIP(qPrintable(error));
    prepareServer(slow);
    Project project;
    QVERIFY(project.write(QStringLiteral("127.0.0.1:%1").arg(slow.port()), m_samples.path(), 3000, false));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PUBLISH_PASSWORD"), QStringLiteral("secret"));
    p.setProcessEnvironment(env);
    p.start(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")),
            {"publish", "--home", project.home.path(), "--password-env", "PUBLISH_PASSWORD"});
    const QString partial = QDir(slow.home()).filePath("feeds/garden.xml.uploading");
    QElapsedTimer clock;
    clock.start();
    while (QFileInfo(partial).size() < 10000 && clock.elapsed() < 30000 && p.state() != QProcess::NotRunning)
        QTest::qWait(20);
    QVERIFY2(QFileInfo(partial).size() >= 10000, "the feed upload was not seen under way");
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(testutil::readFile(QDir(slow.home()).filePath("feeds/garden.xml")), feedText(1));
}

void TestPublishCli::dryRunSendsNothing()
{
    prepareServer(m_plain);
    const auto before = testutil::snapshotTree(m_plain.home());
    Project project;
    QVERIFY(project.write(QStringLiteral("127.0.0.1:%1").arg(m_plain.port()), m_samples.path()));
    const Run r = project.publish({"--dry-run"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines[1].startsWith("1. episode media/episode1.mp3 <- " + project.media[0]));
    QVERIFY(lines[4].startsWith("4. image img/logo.jpg <- " + project.image));
    QVERIFY(lines[5].endsWith("sent as feeds/garden.xml.uploading, then renamed"));
    QCOMPARE(testutil::snapshotTree(m_plain.home()), before);
}

void TestPublishCli::badInputIsRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown title") << QStringList{"--project", "Kitchen Hour"} << "no project is titled \"Kitchen Hour\"";
    QTest::newRow("number past the list") << QStringList{"--project", "1"} << "there is no project 1";
    QTest::newRow("short fingerprint") << QStringList{"--trust", "AB:CD"} << "--trust needs a SHA-256 fingerprint";
    QTest::newRow("unknown option") << QStringList{"--force"} << "unknown argument \"--force\"";
}

void TestPublishCli::badInputIsRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    Project project;
    QVERIFY(project.write(QStringLiteral("127.0.0.1:%1").arg(m_plain.port()), m_samples.path()));
    const Run r = project.publish(args);
    QCOMPARE(r.code, 2);
    QVERIFY2(r.err.contains(error), qPrintable(r.err));
}

void TestPublishCli::projectShowTellsProtocolAndTrust()
{
    Project project;
    QVERIFY(project.write(QStringLiteral("ftpes://127.0.0.1:2121"), m_samples.path()));
    const QString ini = project.home.filePath(QStringLiteral("project.ini"));
    ProjectList list;
    QVERIFY(list.load(ini, false));
    list[0].ftpTrust = QString(64, QLatin1Char('A'));
    QVERIFY(list.save(ini, false));
    const QByteArray file = testutil::readFile(ini);
    QVERIFY2(file.contains("FTPServer=127.0.0.1:2121") && file.contains("FTPProtocol=ftpes"), file.constData());

    const Run r = project.cli({"project", "show", "garden hour"});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    for (const QString& member : {QStringLiteral("\"ftpServer\": \"ftpes://127.0.0.1:2121\""),
                                  QStringLiteral("\"ftpProtocol\": \"ftpes\""),
                                  QStringLiteral("\"ftpTrust\": \"%1\"").arg(QString(64, QLatin1Char('A')))})
        QVERIFY2(r.out.contains(member), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestPublishCli)
#include "tst_publishcli.moc"
