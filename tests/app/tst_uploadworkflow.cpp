// The upload window's behaviour against a real FTP server (pyftpdlib) and, for servers that go
// silent or away, the in-process scripted one.
#include "support/FtpTestServer.h"
#include "../net/ScriptedFtpServer.h"
#include "support/SecureTestServer.h"
#include "SessionHarness.h"
#include "app/UploadWorkflow.h"
#include "feed/FeedDateTime.h"
#include "feed/FeedWriter.h"
#include "net/CFtpClient.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kWaitMs = 20000;

// A podcast of three episodes with local media files; the second is not ticked.
struct Podcast {
    SessionHarness h;
    QString feed;
    QString image;
    QStringList media;

    Podcast()
    {
        h.start();
        feed = h.writeFeed(QStringLiteral("show.rss"), QStringLiteral("Garden Hour"), 3);
        h.session->openPath(feed);
        ProjectEntry& e = entry();
        e.enclosures.resize(3);
        for (int i = 0; i < 3; ++i) {
            const QString file = h.path(QStringLiteral("episode%1.mp3").arg(i + 1));
            testutil::writeFile(file, QByteArray(1000 * (i + 1), char('a' + i)));
            media << file;
            EnclosureState& s = e.enclosures[i];
            s.localFile = file;
            s.text4 = QStringLiteral("Episode %1").arg(i + 1);
            s.isLocal = true;
            s.selectedForUpload = i != 1;
        }
        e.ftpFilename = QStringLiteral("garden.xml");
        e.ftpFilename2 = QStringLiteral("logo.png");
        e.ftpPath = QStringLiteral("feeds");
        e.ftpPath2 = QStringLiteral("img");
        e.ftpPath3 = QStringLiteral("media");
        e.ftpUsername = QStringLiteral("user");
        e.ftpPassword = QStringLiteral("secret");
        e.ftpMode = 1;
        image = h.path(QStringLiteral("logo.png"));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        picture.save(image);
        h.session->document().channel.imageFile = image;
        h.image.loadShowPicture(image, h.session->document().channel);
    }
    ProjectEntry& entry() { return *h.session->currentEntry(); }
};

void makeFolders(const FtpTestServer& server)
{
    for (const char* folder : {"feeds", "img", "media"})
        QDir().mkpath(server.path(QLatin1String(folder)));
}

QStringList sentCommands(const QString& log)
{
    QStringList commands;
    for (const QString& line : log.split(QStringLiteral("\r\n"))) {
        if (!line.isEmpty() && line.at(0).isUpper() && !line.at(0).isDigit() && !line.startsWith(QLatin1String("***")))
            commands << line;
    }
    return commands;
}

} // namespace

class TestUploadWorkflow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void serverAddressDropsFtpPrefix_data();
    void serverAddressDropsFtpPrefix();
    void opensWithProjectFieldsAndLocalEpisodes();
    void closeStoresFieldsBack_data();
    void closeStoresFieldsBack();
    void emptyServerIsRefused();
    void publishesImageFeedAndTickedEpisodes();
    void publishesTheCoverBesideTheImage_data();
    void publishesTheCoverBesideTheImage();
    void withNothingChosenConnectsAndQuits();
    void wrongPasswordIsReported();
    void refusedConnectionIsReported();
    void missingLocalFileIsSkipped();
    void refusedUploadShowsServerAnswerAndGoesOn();
    void serverGoneStopsTheSession();
    void feedCutShortLeavesTheOldFeed();
    void publishesOverFtpsAfterTrustingOnce();
    void publishesOverSftpAfterTrustingOnce();
    void cancelStopsASilentTransfer();
    void silentServerTimesOut();
    void untitledPodcastWritesNoLog();

private:
    void pointAt(Podcast& p, int port, const QString& server = QStringLiteral("127.0.0.1"));
    std::unique_ptr<FtpTestServer> m_server;
};

void TestUploadWorkflow::initTestCase()
{
    m_server = std::make_unique<FtpTestServer>();
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
}

void TestUploadWorkflow::init()
{
    QDir home(m_server->home());
    for (const QFileInfo& entry : home.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        if (entry.isDir())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

void TestUploadWorkflow::pointAt(Podcast& p, int port, const QString& server)
{
    p.entry().ftpServer = QStringLiteral("%1:%2").arg(server).arg(port);
}

void TestUploadWorkflow::serverAddressDropsFtpPrefix_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("server");
    QTest::newRow("plain") << "ftp.example.com" << "ftp.example.com";
    QTest::newRow("url") << "ftp://ftp.example.com" << "ftp.example.com";
    QTest::newRow("mixed case, three slashes") << "fTp:///host" << "host";
    QTest::newRow("no slashes") << "FTP:host" << "host";
    QTest::newRow("ftp inside the name") << "myftp.example.com" << "myftp.example.com";
    QTest::newRow("blanks only") << "   " << "";
}

void TestUploadWorkflow::serverAddressDropsFtpPrefix()
{
    QFETCH(QString, field);
    QFETCH(QString, server);
    QCOMPARE(UploadWorkflow::serverAddress(field), server);
}

void TestUploadWorkflow::opensWithProjectFieldsAndLocalEpisodes()
{
    Podcast p;
    p.entry().enclosures[0].localFile = QStringLiteral("C:\\Shows\\First show.mp3");
    p.entry().enclosures[2].isLocal = false; // an enclosure at a web address
    p.entry().uploadImage = true;
    UploadWorkflow w(*p.h.session);
    w.load();
    QCOMPARE(w.status(), QStringLiteral("Disconnected."));
    QCOMPARE(w.client().TimeOut(), 60);
    QCOMPARE(w.fields.userName, QStringLiteral("user"));
    QVERIFY(w.fields.passive);
    QVERIFY(w.fields.uploadImage);
    QVERIFY(!w.fields.uploadFeed);
    QCOMPARE(w.fields.feedFileName, QStringLiteral("garden.xml"));
    QCOMPARE(w.fields.imageFolder, QStringLiteral("img"));
    QCOMPARE(w.episodes.size(), 2);
    QCOMPARE(w.episodes[0].fileName, QStringLiteral("First show.mp3"));
    QCOMPARE(w.episodes[0].title, QStringLiteral("Episode 1"));
    QVERIFY(w.episodes[0].ticked);
    QCOMPARE(w.episodes[1].index, 1);
    QCOMPARE(w.episodes[1].fileName, QStringLiteral("episode2.mp3"));
    QVERIFY(!w.episodes[1].ticked);
}

void TestUploadWorkflow::closeStoresFieldsBack_data()
{
    QTest::addColumn<bool>("savePassword");
    QTest::newRow("password saved") << true;
    QTest::newRow("password not saved") << false;
}

void TestUploadWorkflow::closeStoresFieldsBack()
{
    QFETCH(bool, savePassword);
    Podcast p;
    p.h.session->settings().savePassword = savePassword;
    UploadWorkflow w(*p.h.session);
    w.load();
    w.fields.server = QStringLiteral("ftp.example.org");
    w.fields.password = QStringLiteral("hunter2");
    w.fields.passive = false;
    w.fields.uploadEpisodes = true;
    w.fields.episodesFolder = QStringLiteral("www/audio");
    w.episodes[0].ticked = false;
    w.episodes[1].ticked = true;
    w.close();

    const ProjectEntry& e = p.entry();
    QCOMPARE(e.ftpServer, QStringLiteral("ftp.example.org"));
    QCOMPARE(e.ftpPassword, savePassword ? QStringLiteral("hunter2") : QString());
    QCOMPARE(e.ftpMode, quint8(0));
    QVERIFY(e.uploadEnclosure);
    QCOMPARE(e.ftpPath3, QStringLiteral("www/audio"));
    QVERIFY(!e.enclosures[0].selectedForUpload);
    QVERIFY(e.enclosures[1].selectedForUpload);
    QVERIFY(e.enclosures[2].selectedForUpload);
    // The project list on disk has them too.
    const QByteArray ini = testutil::readFile(p.h.shell->home().projectListPath());
    QVERIFY(ini.contains("FTPServer=ftp.example.org"));
    QCOMPARE(ini.contains("hunter2"), savePassword);
}

void TestUploadWorkflow::emptyServerIsRefused()
{
    Podcast p;
    p.entry().ftpServer = QStringLiteral("ftp://");
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QVERIFY(!w.running());
    QCOMPARE(p.h.prompts.messages.size(), 1);
    QCOMPARE(p.h.prompts.messages[0].text, QStringLiteral("Address of FTP-server is not specified."));
    QCOMPARE(p.h.prompts.messages[0].icon, MessageIcon::Exclamation);
    QVERIFY(w.log().isEmpty());
}

void TestUploadWorkflow::publishesImageFeedAndTickedEpisodes()
{
    Podcast p;
    makeFolders(*m_server);
    pointAt(p, m_server->port(), QStringLiteral("FTP://127.0.0.1"));
    p.entry().uploadFeed = p.entry().uploadImage = p.entry().uploadEnclosure = true;
    p.entry().autoDate = true;
    p.h.session->showChannelFields();
    p.h.session->document().channel.pubDate = QStringLiteral("1 Jan 2001 10:00:00 GMT");
    p.h.session->settings().saveLog = true;
    QFile::remove(p.feed + ".log");
    testutil::writeFile(p.feed + ".log", "an old log that goes");

    UploadWorkflow w(*p.h.session);
    w.load();
    QStringList statuses;
    QList<int> percents;
    connect(&w, &UploadWorkflow::statusChanged, this, [&](const QString& s) { statuses << s; });
    connect(&w, &UploadWorkflow::progressChanged, this, [&](int v) { percents << v; });
    w.publish();
    QVERIFY(w.running());
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);

    QVERIFY2(p.h.prompts.messages.isEmpty(), qPrintable(p.h.prompts.messageTexts().join('|') + w.log()));
    // Auto PubDate: the channel carries the time of publishing, and so does the uploaded feed.
    const QString pubDate = p.h.session->document().channel.pubDate;
    QVERIFY(pubDate != QStringLiteral("1 Jan 2001 10:00:00 GMT"));
    QVERIFY(qAbs(QDateTime::currentSecsSinceEpoch()
                 - QDateTime::fromString(pubDate, QStringLiteral("d MMM yyyy HH:mm:ss 'GMT'")).toSecsSinceEpoch())
            < 100000);
    const QByteArray feed = testutil::readFile(m_server->path(QStringLiteral("feeds/garden.xml")));
    QCOMPARE(feed, buildFeedBytes(p.h.session->document(), p.entry().encodingIndex, QSize(40, 30)));
    QVERIFY(feed.contains("Garden Hour"));
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("img/logo.png"))), testutil::readFile(p.image));
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("media/episode1.mp3"))), testutil::readFile(p.media[0]));
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("media/episode3.mp3"))), testutil::readFile(p.media[2]));
    QVERIFY(!QFile::exists(m_server->path(QStringLiteral("media/episode2.mp3"))));
    // The work files are gone.
    QVERIFY(!QFile::exists(w.channelWorkFile()));
    QVERIFY(!QFile::exists(w.imageWorkFile()));

    // Episodes, image, feed in that order, each in binary mode, then QUIT; image and feed go
    // under a temporary name and are renamed into place.
    const QStringList stor = sentCommands(w.log()).filter(QRegularExpression("^(STOR|RNFR|RNTO|QUIT)"));
    QCOMPARE(stor, (QStringList{"STOR media/episode1.mp3", "STOR media/episode3.mp3",
                                "STOR img/logo.png.uploading", "RNFR img/logo.png.uploading", "RNTO img/logo.png",
                                "STOR feeds/garden.xml.uploading", "RNFR feeds/garden.xml.uploading",
                                "RNTO feeds/garden.xml", "QUIT"}));
    QVERIFY(!QFile::exists(m_server->path(QStringLiteral("feeds/garden.xml.uploading"))));
    QCOMPARE(sentCommands(w.log()).filter("TYPE").size(), 4);
    QVERIFY(w.log().startsWith("*** Upload Started at "));
    QVERIFY(w.log().contains("\r\n226"));
    const QString last = w.log().section("\r\n", -1);
    QVERIFY2(last.startsWith("*** Upload Complete at ") && last.size() > 30, qPrintable(last));
    QCOMPARE(testutil::readFile(p.feed + ".log"), (w.log() + "\r\n").toUtf8());

    QCOMPARE(statuses.mid(0, 3), (QStringList{"Connecting to 127.0.0.1:" + QString::number(m_server->port()) + " ...",
                                              "Connected.", "Authentication..."}));
    for (const char* s : {"Authentication...", "You are logged in. Connection ready.", "Connected.",
                          "Transfer in progress...", "Uploading...", "Upload Successful."})
        QVERIFY2(statuses.contains(QLatin1String(s)), s);
    QCOMPARE(w.status(), QStringLiteral("Upload Successful."));
    QCOMPARE(w.progress(), 100);
    QVERIFY(std::is_sorted(percents.begin() + percents.lastIndexOf(0), percents.end()));
}

void TestUploadWorkflow::publishesTheCoverBesideTheImage_data()
{
    QTest::addColumn<QString>("coverName");
    QTest::addColumn<QString>("imageUrl");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<QString>("href");
    QTest::newRow("beside the feed image's address") << "cover.jpg" << "https://garden.example.com/img/logo.png"
                                                      << "img/cover.jpg" << "https://garden.example.com/img/cover.jpg";
    QTest::newRow("named as the feed image") << "logo.png" << "https://garden.example.com/img/logo.png"
                                             << "img/cover-logo.png" << "https://garden.example.com/img/cover-logo.png";
    QTest::newRow("no web address known") << "cover.jpg" << "logo.png" << "img/cover.jpg" << "cover.jpg";
}

void TestUploadWorkflow::publishesTheCoverBesideTheImage()
{
    QFETCH(QString, coverName);
    QFETCH(QString, imageUrl);
    QFETCH(QString, remote);
    QFETCH(QString, href);
    Podcast p;
    makeFolders(*m_server);
    pointAt(p, m_server->port());
    p.entry().uploadFeed = p.entry().uploadImage = true;
    QDir().mkpath(p.h.path("art"));
    p.entry().coverPath = p.h.path("art/" + coverName);
    QImage cover(1400, 1400, QImage::Format_RGB32);
    cover.fill(Qt::darkCyan);
    QVERIFY(cover.save(p.entry().coverPath, "JPEG"));
    Channel& channel = p.h.session->document().channel;
    channel.imageUrl = imageUrl;
    channel.itunesImage = coverName;

    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QVERIFY2(p.h.prompts.messages.isEmpty(), qPrintable(p.h.prompts.messageTexts().join('|') + w.log()));
    QCOMPARE(testutil::readFile(m_server->path(remote)), testutil::readFile(p.entry().coverPath));
    QCOMPARE(testutil::readFile(m_server->path("img/logo.png")), testutil::readFile(p.image));
    QCOMPARE(channel.itunesImage, href);
    // The window shows the new address too, so the next save keeps it.
    p.h.session->storeWindowFields();
    QCOMPARE(channel.itunesImage, href);
    const QByteArray feed = testutil::readFile(m_server->path(QStringLiteral("feeds/garden.xml")));
    QVERIFY2(feed.contains("<itunes:image href=\"" + href.toUtf8() + "\""), feed.constData());
    // The cover, like the feed image, arrives under a temporary name before the feed is sent.
    const QStringList stor = sentCommands(w.log()).filter(QRegularExpression("^(STOR|RNTO)"));
    QCOMPARE(stor, (QStringList{"STOR img/logo.png.uploading", "RNTO img/logo.png", "STOR " + remote + ".uploading",
                                "RNTO " + remote, "STOR feeds/garden.xml.uploading", "RNTO feeds/garden.xml"}));
}

void TestUploadWorkflow::withNothingChosenConnectsAndQuits()
{
    Podcast p;
    pointAt(p, m_server->port());
    p.h.session->settings().saveLog = false;
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QCOMPARE(sentCommands(w.log()), (QStringList{"USER user", "PASS secret", "PWD", "QUIT"}));
    QVERIFY(p.h.prompts.messages.isEmpty());
    QVERIFY(!QFile::exists(p.feed + ".log"));
    QVERIFY(QDir(m_server->home()).isEmpty());
}

void TestUploadWorkflow::wrongPasswordIsReported()
{
    Podcast p;
    pointAt(p, m_server->port());
    p.entry().uploadFeed = true;
    UploadWorkflow w(*p.h.session);
    w.load();
    w.fields.password = QStringLiteral("wrong");
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QCOMPARE(p.h.prompts.messages.size(), 1);
    const MessageRequest m = p.h.prompts.messages[0];
    QVERIFY2(m.text.startsWith("Error of connection with server.\r\nServer has returned the answer: 530"),
             qPrintable(m.text));
    QCOMPARE(m.icon, MessageIcon::Critical);
    QCOMPARE(w.status(), QStringLiteral("Disconnected."));
    QVERIFY(w.log().contains("\r\nError of connection with server.\r\n"));
    QVERIFY(!QFile::exists(w.channelWorkFile()));
    QVERIFY(QDir(m_server->home()).isEmpty());
}

void TestUploadWorkflow::refusedConnectionIsReported()
{
    Podcast p;
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const int port = closed.serverPort();
    closed.close();
    pointAt(p, port);
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QCOMPARE(p.h.prompts.messageTexts(),
             QStringList{QStringLiteral("Error of connection with server.\r\nConnection refused.")});
    QCOMPARE(w.status(), QStringLiteral("Disconnected."));
}

void TestUploadWorkflow::missingLocalFileIsSkipped()
{
    Podcast p;
    makeFolders(*m_server);
    pointAt(p, m_server->port());
    p.entry().uploadEnclosure = true;
    QFile::remove(p.media[0]);
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QCOMPARE(p.h.prompts.messageTexts(),
             QStringList{"Cannot upload file.\r\nThe file " + QDir::toNativeSeparators(p.media[0])
                         + " cannot be read."});
    QCOMPARE(p.h.prompts.messages[0].icon, MessageIcon::Exclamation);
    // The next ticked file still goes, and the session ends normally.
    QCOMPARE(testutil::readFile(m_server->path(QStringLiteral("media/episode3.mp3"))), testutil::readFile(p.media[2]));
    QVERIFY(!QFile::exists(m_server->path(QStringLiteral("media/episode1.mp3"))));
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Complete at "));
}

void TestUploadWorkflow::refusedUploadShowsServerAnswerAndGoesOn()
{
    Podcast p;
    pointAt(p, m_server->port());
    p.entry().ftpUsername = QStringLiteral("reader"); // may not write
    p.entry().uploadFeed = p.entry().uploadEnclosure = true;
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    // Two episodes: each refused, each told; the feed that names them is then held back.
    QCOMPARE(p.h.prompts.messages.size(), 3);
    for (const MessageRequest& m : p.h.prompts.messages.mid(0, 2))
        QVERIFY2(m.text.startsWith("Cannot upload file.\r\nServer has returned the answer: 550 "), qPrintable(m.text));
    QCOMPARE(p.h.prompts.messages[2].text,
             QStringLiteral("The feed was not uploaded, so the one on the server stays as it was: these files did "
                            "not arrive: media/episode1.mp3, media/episode3.mp3"));
    QCOMPARE(sentCommands(w.log()).filter("STOR").size(), 2);
    QVERIFY(sentCommands(w.log()).contains("QUIT"));
    QVERIFY(!QFile::exists(w.channelWorkFile()));
}

void TestUploadWorkflow::serverGoneStopsTheSession()
{
    Podcast p;
    ScriptedFtpServer server;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        if (verb != "TYPE")
            return false;
        server.dropControl();
        return true;
    };
    pointAt(p, server.port());
    p.entry().uploadFeed = p.entry().uploadEnclosure = true;
    p.h.session->settings().saveLog = true;
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    // Told once; the episodes are not tried against a server that is gone.
    QCOMPARE(p.h.prompts.messageTexts(), QStringList{"Cannot upload file.\r\nConnection reset by peer."});
    QCOMPARE(std::count_if(server.commands.begin(), server.commands.end(),
                           [](const QByteArray& c) { return c.startsWith("TYPE"); }),
             1);
    QCOMPARE(w.status(), QStringLiteral("Disconnected."));
    QVERIFY(w.log().contains("The connection with the server was lost.\r\n"));
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Stopped at "));
    QVERIFY(testutil::readFile(p.feed + ".log").contains("*** Upload Stopped at "));
    QVERIFY(!QFile::exists(w.channelWorkFile()));
}

void TestUploadWorkflow::feedCutShortLeavesTheOldFeed()
{
    Podcast p;
    makeFolders(*m_server);
    pointAt(p, m_server->port());
    p.entry().uploadFeed = true;
    const QString onServer = m_server->path(QStringLiteral("feeds/garden.xml"));
    QVERIFY(testutil::writeFile(onServer, "<rss>the old feed, whole</rss>"));
    UploadWorkflow w(*p.h.session);
    w.load();
    // Stopped the moment the feed's bytes start to flow.
    const QRegularExpression transferStarts(QStringLiteral("\r\n1\\d\\d [^\r]*\r\n$"));
    connect(&w, &UploadWorkflow::logChanged, this, [&](const QString& log) {
        if (w.running() && transferStarts.match(log).hasMatch())
            w.cancel();
    });
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QVERIFY2(w.log().contains("STOR feeds/garden.xml.uploading"), qPrintable(w.log()));
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Stopped at "));
    QCOMPARE(testutil::readFile(onServer), QByteArray("<rss>the old feed, whole</rss>"));
}

void TestUploadWorkflow::publishesOverFtpsAfterTrustingOnce()
{
    SecureTestServer vsftpd;
    QString error;
    if (!vsftpd.start(QStringLiteral("vsftpd"), {}, &error))
        QSKIP(qPrintable(QStringLiteral("vsftpd cannot run here (it needs root and unshare): ") + error));
    Podcast p;
    ProjectEntry& e = p.entry();
    e.ftpServer = QStringLiteral("ftpes://127.0.0.1:%1").arg(vsftpd.port());
    e.ftpUsername = vsftpd.user();
    e.ftpPassword = vsftpd.password();
    e.ftpPath = e.ftpPath2 = e.ftpPath3 = QStringLiteral("."); // the login folder belongs to the server's user
    e.uploadFeed = e.uploadImage = e.uploadEnclosure = true;
    p.h.prompts.queueAnswer(MessageAnswer::Yes);
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QVERIFY2(p.h.prompts.messages.size() == 1, qPrintable(p.h.prompts.messageTexts().join("|")));
    const QString question = p.h.prompts.messages[0].text;
    QVERIFY2(question.contains(vsftpd.fingerprint()) && question.contains("\"localhost\"")
                 && question.endsWith("Trust this certificate for this project and publish?"),
             qPrintable(question));
    QCOMPARE(e.ftpTrust, vsftpd.fingerprint());
    QVERIFY2(w.log().section("\r\n", -1).startsWith("*** Upload Complete at "), qPrintable(w.log()));
    QCOMPARE(testutil::readFile(vsftpd.home() + "/garden.xml"),
             buildFeedBytes(p.h.session->document(), e.encodingIndex, QSize(40, 30)));
    QCOMPARE(testutil::readFile(vsftpd.home() + "/logo.png"), testutil::readFile(p.image));
    for (int i : {0, 2})
        QCOMPARE(testutil::readFile(vsftpd.home() + QStringLiteral("/episode%1.mp3").arg(i + 1)), testutil::readFile(p.media[i]));

    // Trusted now: the next publish asks nothing.
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QVERIFY2(p.h.prompts.messages.size() == 1, qPrintable(p.h.prompts.messageTexts().join("|") + w.log()));
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Complete at "));
}

// The host key is asked about once and goes into known_hosts; the old feed is replaced whole.
void TestUploadWorkflow::publishesOverSftpAfterTrustingOnce()
{
    SecureTestServer sshd;
    QString error;
    if (!sshd.start(QStringLiteral("sshd"), {}, &error))
        QSKIP(qPrintable(QStringLiteral("sshd cannot run here (it needs root and unshare): ") + error));
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("SSH_AUTH_SOCK");
    Podcast p;
    ProjectEntry& e = p.entry();
    e.ftpServer = QStringLiteral("sftp://%1@127.0.0.1:%2/").arg(sshd.user()).arg(sshd.port());
    e.ftpUsername.clear();
    e.ftpPassword = sshd.password();
    e.ftpPath = e.ftpPath2 = e.ftpPath3 = QStringLiteral(".");
    e.uploadFeed = e.uploadImage = e.uploadEnclosure = true;
    testutil::writeFile(sshd.home() + "/garden.xml", "<rss>the old feed</rss>");
    p.h.prompts.queueAnswer(MessageAnswer::Yes);
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish(); // the SFTP client made here looks for ~/.ssh in HOME
    qputenv("HOME", oldHome);
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QVERIFY2(p.h.prompts.messages.size() == 1, qPrintable(p.h.prompts.messageTexts().join("|") + w.log()));
    const QString question = p.h.prompts.messages[0].text;
    QVERIFY2(question.startsWith("This computer does not know the server's host key yet.") && question.contains(sshd.fingerprint())
                 && question.endsWith("Trust this host key (it is added to known_hosts) and publish?"),
             qPrintable(question));
    QVERIFY(testutil::readFile(home.filePath(".ssh/known_hosts")).contains(testutil::readFile(sshd.info("hostkey")).split(' ').value(1)));
    QVERIFY2(w.log().section("\r\n", -1).startsWith("*** Upload Complete at "), qPrintable(w.log()));
    QCOMPARE(testutil::readFile(sshd.home() + "/garden.xml"),
             buildFeedBytes(p.h.session->document(), e.encodingIndex, QSize(40, 30)));
    QVERIFY(!QFile::exists(sshd.home() + "/garden.xml.uploading"));
    QCOMPARE(testutil::readFile(sshd.home() + "/logo.png"), testutil::readFile(p.image));
    for (int i : {0, 2})
        QCOMPARE(testutil::readFile(sshd.home() + QStringLiteral("/episode%1.mp3").arg(i + 1)), testutil::readFile(p.media[i]));

    // Known now: the next publish asks nothing.
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QVERIFY2(p.h.prompts.messages.size() == 1, qPrintable(p.h.prompts.messageTexts().join("|") + w.log()));
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Complete at "));
}

void TestUploadWorkflow::cancelStopsASilentTransfer()
{
    Podcast p;
    ScriptedFtpServer server;
    bool typeSeen = false;
    server.handler = [&](const QByteArray& verb, const QByteArray&) {
        typeSeen = typeSeen || verb == "TYPE";
        return verb == "TYPE"; // never answered
    };
    pointAt(p, server.port());
    p.entry().uploadFeed = p.entry().uploadImage = true;
    UploadWorkflow w(*p.h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(typeSeen, kWaitMs);
    QVERIFY(w.running());
    QVERIFY(QFile::exists(w.channelWorkFile())); // waiting for its turn
    w.cancel();
    QVERIFY(!w.running());
    QCOMPARE(w.status(), QStringLiteral("Disconnected."));
    QVERIFY(!QFile::exists(w.channelWorkFile()));
    QVERIFY(!QFile::exists(w.imageWorkFile()));
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Stopped at "));
    QVERIFY(p.h.prompts.messages.isEmpty());
    // A new publish starts afresh on a new connection.
    server.handler = nullptr;
    p.entry().uploadFeed = p.entry().uploadImage = false;
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QCOMPARE(server.connections, 2);
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Complete at "));
}

void TestUploadWorkflow::silentServerTimesOut()
{
    Podcast p;
    ScriptedFtpServer server;
    server.handler = [](const QByteArray& verb, const QByteArray&) { return verb == "TYPE"; };
    pointAt(p, server.port());
    p.entry().uploadFeed = p.entry().uploadEnclosure = true;
    UploadWorkflow w(*p.h.session);
    w.client().setTimeUnitMs(5); // 60 units of 5 ms
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QCOMPARE(p.h.prompts.messageTexts(),
             QStringList{"Cannot upload file.\r\nThe server did not answer within 60 seconds."});
    QCOMPARE(std::count_if(server.commands.begin(), server.commands.end(),
                           [](const QByteArray& c) { return c.startsWith("TYPE"); }),
             1);
    QCOMPARE(w.status(), QStringLiteral("Disconnected."));
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Stopped at "));
    QVERIFY(!QFile::exists(w.channelWorkFile()));
}

void TestUploadWorkflow::untitledPodcastWritesNoLog()
{
    SessionHarness h;
    h.start();
    h.session->newPodcast();
    h.session->settings().saveLog = true;
    h.session->currentEntry()->ftpServer = QStringLiteral("127.0.0.1:%1").arg(m_server->port());
    h.session->currentEntry()->ftpUsername = QStringLiteral("user");
    h.session->currentEntry()->ftpPassword = QStringLiteral("secret");
    UploadWorkflow w(*h.session);
    w.load();
    w.publish();
    QTRY_VERIFY_WITH_TIMEOUT(!w.running(), kWaitMs);
    QVERIFY(w.logFilePath().isEmpty());
    QVERIFY(w.log().section("\r\n", -1).startsWith("*** Upload Complete at "));
    QVERIFY(h.prompts.messages.isEmpty());
}

QTEST_MAIN(TestUploadWorkflow)
#include "tst_uploadworkflow.moc"
