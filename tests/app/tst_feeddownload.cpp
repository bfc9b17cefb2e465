#include "../http/ScriptedHttpServer.h"
#include "SessionHarness.h"
#include "app/FeedDownload.h"
#include "feed/CharsetTable.h"
#include "http/HttpClient.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "support/LocalPorts.h"

namespace {

const QString kBase = "Velmora (release candidate rc0)";

QByteArray ok(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\n\r\n" + body;
}

QByteArray answer(const QByteArray& statusLine, const QByteArray& headers = {})
{
    return "HTTP/1.1 " + statusLine + "\r\n" + headers + "\r\n<html><body>no</body></html>";
}

// A project list naming one feed, saved with backups.
void startWithOnePodcast(SessionHarness& h, const QString& feed)
{
    testutil::writeFile(h.path("project.ini"),
                        "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8()
                            + "\r\nAutoDate=False\r\nTotalEnclosures=0\r\n");
    testutil::writeFile(h.path("settings.ini"),
                        "[Main]\r\nLastProject=0\r\nAutoSave=True\r\nCreateBackup=True\r\n");
    h.start();
}

QByteArray fixture(const QString& name)
{
    return testutil::readFile(QStringLiteral(VELMORA_TEST_DATA "/feed/") + name);
}

// A session with one podcast, a download flow and a server that answers every request with
// `body` (a whole HTTP answer).
struct Fixture {
    SessionHarness h;
    ScriptedHttpServer server;
    std::unique_ptr<FeedDownload> download;

    explicit Fixture(const QByteArray& response = {})
    {
        startWithOnePodcast(h, h.writeFeed("a.rss", "Alpha", 1));
        server.listen();
        server.responder = [response](const QByteArray&) { return response; };
        download = std::make_unique<FeedDownload>(*h.session);
        h.prompts.statusTexts.clear();
    }
    QString url(const QString& path = "/feed.xml") const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(path);
    }
    FeedDocument& doc() { return h.session->document(); }
    ProjectEntry& entry() { return *h.session->currentEntry(); }
};

} // namespace

class TestFeedDownload : public QObject {
    Q_OBJECT
private slots:
    void rssWithByteOrderMarkAndInternalSubsetIsImported()
    {
        const QByteArray body = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                "<!DOCTYPE rss [<!ENTITY show \"The Show\">]>\r\n"
                                "<rss version=\"2.0\"><channel><title>Downloaded</title>"
                                "<link>http://example.com/</link><language>de</language>"
                                "<item><title>One</title><guid>g1</guid></item>"
                                "<item><title>Two</title><guid>g2</guid></item></channel></rss>\r\n";
        Fixture f;
        bool busyDuringDownload = false;
        f.server.responder = [&f, &busyDuringDownload, body](const QByteArray&) {
            busyDuringDownload = f.h.session->busy() && f.h.view.commands.busy;
            // Commands that would replace the podcast wait while the download runs.
            f.h.session->newPodcast();
            return ok(body);
        };
        QVERIFY(f.download->accept(f.url()));
        QVERIFY(busyDuringDownload);
        QVERIFY(!f.h.session->busy());
        QVERIFY(!f.h.view.commands.busy);

        QCOMPARE(f.h.session->projects().count(), 2);
        QCOMPARE(f.h.session->projects().current(), 1);
        QCOMPARE(f.entry().path, QString("Untitled"));
        QCOMPARE(f.h.view.projectLines, (QStringList{"Alpha", "Untitled"}));
        QCOMPARE(f.h.view.title, kBase + " - [Untitled]");
        QVERIFY(f.doc().untitled);
        QCOMPARE(f.doc().channel.title, QString("Downloaded"));
        QCOMPARE(f.doc().channel.language, QString("de"));
        QCOMPARE(f.doc().episodes.size(), 2);
        QCOMPARE(f.h.view.fields.title, QString("Downloaded"));
        QCOMPARE(f.h.view.episodes.size(), 2);
        QCOMPARE(f.h.view.episodeRow, 1);
        QCOMPARE(f.entry().encodingIndex, charsets::indexOfCharset("utf-8"));
        QCOMPARE(f.h.view.encoding, int(f.entry().encodingIndex));
        QVERIFY(f.download->client().result().isEmpty());
        QVERIFY(f.h.prompts.messages.isEmpty());
        const QStringList& st = f.h.prompts.statusTexts;
        QVERIFY(st.indexOf("Downloading podcast feed...") >= 0);
        QVERIFY(st.indexOf("Connecting to server...") > st.indexOf("Downloading podcast feed..."));
        QVERIFY(st.indexOf("Transfer completed.") > st.indexOf("Connecting to server..."));
        QCOMPARE(st.last(), QString("Done."));
        QCOMPARE(f.server.requests.size(), 1);
    }

    void downloadFillsTheDirectoryFields()
    {
        Fixture f(ok(fixture("directories.rss")));
        QVERIFY(f.download->accept(f.url()));
        const Channel& tab = f.h.view.fields.directory;
        QCOMPARE(tab.itunesAuthor, QString("Ann Wren"));
        QCOMPARE(tab.itunesOwnerEmail, QString("ann@birds.example"));
        QCOMPARE(tab.itunesCategories.first(), (ItunesCategory{"Science", {"Nature"}}));
        QCOMPARE(tab.atomSelfLink, QString("https://birds.example/feed.xml"));
        QCOMPARE(f.doc().episodes.first().itunesDuration, QString("01:02:05"));
        QCOMPARE(f.doc().episodes.first().itunesEpisode, QString("1"));
    }

    void atomAndRdfFeedsAreImported()
    {
        Fixture f(ok(fixture("atom.xml")));
        QVERIFY(f.download->accept(f.url("/feed.atom")));
        QCOMPARE(f.doc().channel.title, QString("Atom Show"));
        QCOMPARE(f.doc().channel.description, QString("All about atoms"));
        QCOMPARE(f.doc().episodes.size(), 2);
        QCOMPARE(f.doc().episodes.first().enclosureUrl, QString("https://atom.example/1.mp3"));
        QCOMPARE(f.h.view.episodes.size(), 2);
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Done."));

        f.server.responder = [](const QByteArray&) { return ok(fixture("rdf.xml")); };
        f.h.prompts.queueAnswer(MessageAnswer::No); // the untitled Atom podcast is not kept
        QVERIFY(f.download->accept(f.url("/feed.rdf")));
        QCOMPARE(f.h.session->projects().count(), 2);
        QCOMPARE(f.doc().channel.title, QString("RDF Show"));
        QCOMPARE(f.doc().episodes.size(), 1);
        QCOMPARE(f.doc().episodes.first().title, QString("RDF item"));
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Done."));
    }

    void textThatIsNotAFeedAsksToValidateIt()
    {
        Fixture f(ok("<html><body>Moved<br></body></html>"));
        f.h.prompts.queueAnswer(MessageAnswer::Yes);
        QVERIFY(!f.download->accept(f.url()));
        const QString question = "Cannot load RSS/RDF/Atom feed:\r\n" + f.url()
                                 + "\r\n\r\nWould you like to validate this feed?";
        QCOMPARE(f.h.prompts.messageTexts(), QStringList{question});
        QCOMPARE(f.h.prompts.messages.first().icon, MessageIcon::Exclamation);
        QCOMPARE(f.h.prompts.openedUrls,
                 QStringList{"https://validator.w3.org/feed/check?url=" + f.url()});
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Error."));
        // The new podcast stays, empty.
        QCOMPARE(f.h.session->projects().count(), 2);
        QVERIFY(f.doc().channel.title.isEmpty());
        QVERIFY(f.doc().episodes.isEmpty());

        // XML of another kind is no feed either, and leaves nothing in the document.
        FeedDocument doc;
        doc.channel.title = "Kept";
        const DownloadedFeed other = importDownloadedFeed(
            "<page><channel><title>Taken?</title><item><title>x</title></item></channel></page>", doc);
        QCOMPARE(other.outcome, DownloadedFeed::Outcome::NotAFeed);
        QCOMPARE(doc.channel.title, QString("Kept"));
        QVERIFY(doc.episodes.isEmpty());
    }

    void bodyWithoutMarkupFailsWithoutAQuestion()
    {
        Fixture f(ok("just words, no markup"));
        QVERIFY(!f.download->accept(f.url()));
        QVERIFY(f.h.prompts.messages.isEmpty());
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Error."));
        FeedDocument doc;
        QCOMPARE(importDownloadedFeed("  <!DOCTYPE rss>  ", doc).outcome,
                 DownloadedFeed::Outcome::NoMarkup);
    }

    void failedDownloadsLeaveTheNewEmptyUntitledPodcast()
    {
        Fixture f(answer("404 Not Found"));
        QVERIFY(!f.download->accept(f.url()));
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Error."));
        QVERIFY(f.h.prompts.messages.isEmpty());
        QCOMPARE(f.h.session->projects().count(), 2);
        QCOMPARE(f.entry().path, QString("Untitled"));
        QCOMPARE(f.h.view.title, kBase + " - [Untitled]");
        QVERIFY(f.doc().untitled);
        QVERIFY(f.doc().channel.title.isEmpty());
        QVERIFY(!f.h.session->busy());

        // A server that never answers: the time-out ends it, and the status still says so.
        f.server.silent = true;
        f.download->client().setTimeout(300);
        f.h.prompts.statusTexts.clear();
        QVERIFY(!f.download->downloadFeed(f.url()));
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Error."));

        // A refused connection.
        f.h.prompts.statusTexts.clear();
        QVERIFY(!f.download->downloadFeed(QStringLiteral("http://127.0.0.1:%1/x.rss").arg(testutil::freePort())));
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Error."));
        QCOMPARE(f.h.session->projects().count(), 2);
        QVERIFY(!f.h.session->busy());
    }

    void authenticationChallengesAreShown_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("message");
        QTest::newRow("401 Basic") << answer("401 Unauthorized", "WWW-Authenticate: Basic realm=\"x\"\r\n")
                                   << "You must provide user name and password to retrieve the "
                                      "resource by that URL.";
        QTest::newRow("401 Digest") << answer("401 Unauthorized", "www-authenticate: Digest realm=\"x\"\r\n")
                                    << "This resource requires a Digital Authentication Scheme for "
                                       "the user authorization.";
        QTest::newRow("407 Basic") << answer("407 Proxy Authentication Required",
                                             "Proxy-Authenticate: Basic realm=\"p\"\r\n")
                                   << "You must provide user name and password for the proxy "
                                      "authorization.";
    }

    void authenticationChallengesAreShown()
    {
        QFETCH(QByteArray, response);
        QFETCH(QString, message);
        Fixture f(response);
        QVERIFY(!f.download->accept(f.url()));
        QCOMPARE(f.h.prompts.messageTexts(), QStringList{message});
        QCOMPARE(f.h.prompts.messages.first().icon, MessageIcon::Exclamation);
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Error."));
        QCOMPARE(f.h.session->projects().count(), 2);
    }

    void nonAsciiFeedsAreDecodedOnce()
    {
        // ISO-8859-1: each accented letter is one byte.
        Fixture f(ok("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<rss version=\"2.0\"><channel>"
                     "<title>Caf\xE9 Fran\xE7" "ais</title><item><title>\xC0 la une</title></item>"
                     "</channel></rss>"));
        QVERIFY(f.download->accept(f.url()));
        QCOMPARE(f.doc().channel.title, QString::fromUtf8("Café Français"));
        QCOMPARE(f.doc().episodes.first().title, QString::fromUtf8("À la une"));
        QCOMPARE(f.entry().encodingIndex, charsets::indexOfCharset("iso-8859-1"));

        // Saving writes it back in that encoding, byte for byte the same letters.
        f.h.prompts.queueFile(f.h.path("latin"), 0);
        f.h.session->save();
        const QByteArray written = testutil::readFile(f.h.path("latin.rss"));
        QVERIFY(written.contains("<title>Caf\xE9 Fran\xE7" "ais</title>"));
        QVERIFY(written.contains("encoding=\"ISO-8859-1\"") || written.contains("encoding=\"iso-8859-1\""));

        // UTF-8 without a declaration: two- and three-byte sequences decode to one character each.
        f.server.responder = [](const QByteArray&) {
            return ok("<rss version=\"2.0\"><channel><title>\xC3\x87" "a va \xE2\x80\x94 "
                      "\xE6\x97\xA5\xE6\x9C\xAC</title></channel></rss>");
        };
        QVERIFY(f.download->accept(f.url()));
        QCOMPARE(f.doc().channel.title, QString::fromUtf8("Ça va — 日本"));
        QCOMPARE(f.entry().encodingIndex, charsets::kDefaultIndex);
    }

    void blanksDoNothingAndTheBareSchemeFails()
    {
        Fixture f(ok("<rss/>"));
        const int before = f.h.session->projects().count();
        QVERIFY(!FeedDownload::isAcceptable("   \t "));
        QVERIFY(!f.download->accept("   "));
        QVERIFY(!f.download->accept(""));
        QCOMPARE(f.h.session->projects().count(), before);
        QVERIFY(f.h.prompts.statusTexts.isEmpty());
        QVERIFY(f.server.requests.isEmpty());

        // The field's initial text starts a download that fails at once.
        QVERIFY(FeedDownload::isAcceptable("http://"));
        QVERIFY(!f.download->accept("http://"));
        QCOMPARE(f.h.session->projects().count(), before + 1);
        QCOMPARE(f.h.prompts.statusTexts.last(), QString("Error."));

        // The text goes to the client as typed: blanks around the address are not trimmed.
        f.h.prompts.queueAnswer(MessageAnswer::No);
        QVERIFY(!f.download->accept(" " + f.url()));
        QVERIFY(f.server.requests.isEmpty());
    }

    void previousPodcastIsSavedQuietlyFirst()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha", 1);
        startWithOnePodcast(h, a);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        QByteArray alphaOnDisk;
        server.responder = [&](const QByteArray&) {
            alphaOnDisk = testutil::readFile(a);
            return ok(SessionHarness::rss("Remote", 3));
        };
        FeedDownload download(*h.session);
        h.view.fields.title = "Alpha edited";
        QVERIFY(download.accept(QStringLiteral("http://localhost:%1/r.rss").arg(server.port())));
        // Written before the download started, without "Save successfull.", with a backup.
        QVERIFY(alphaOnDisk.contains("<title>Alpha edited</title>"));
        QCOMPARE(testutil::readFile(a + ".bak"), SessionHarness::rss("Alpha", 1));
        QVERIFY(h.prompts.messages.isEmpty());
        QCOMPARE(h.session->document().channel.title, QString("Remote"));
        QCOMPARE(h.view.projectLines, (QStringList{"Alpha edited", "Untitled"}));

        // Switching back leaves the downloaded podcast untitled: saving it asks for a name.
        h.prompts.queueAnswer(MessageAnswer::Yes);
        h.prompts.queueFile(h.path("remote"), 0);
        h.view.selectProjectLine(0);
        QVERIFY(testutil::readFile(h.path("remote.rss")).contains("<title>Remote</title>"));
        QCOMPARE(h.session->document().channel.title, QString("Alpha edited"));
    }

    void failedQuietSaveStopsBeforeTheDownload()
    {
        SessionHarness h;
        QDir().mkpath(h.path("locked"));
        const QString a = h.path("locked/a.rss");
        testutil::writeFile(a, SessionHarness::rss("Alpha", 1));
        startWithOnePodcast(h, a);
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [](const QByteArray&) { return ok(SessionHarness::rss("Remote")); };
        FeedDownload download(*h.session);
        h.view.fields.title = "Alpha edited";
        {
            testutil::LockedFolder locked(h.path("locked"));
            QVERIFY(locked.isLocked());
            QVERIFY(!download.accept(QStringLiteral("http://127.0.0.1:%1/r.rss").arg(server.port())));
        }
        QVERIFY(server.requests.isEmpty());
        QCOMPARE(h.prompts.messages.size(), 1);
        QCOMPARE(h.prompts.messages.first().icon, MessageIcon::Critical);
        QCOMPARE(h.session->projects().count(), 1);
        QCOMPARE(h.session->document().channel.title, QString("Alpha edited"));
    }

    void realServerFeedsAreImported()
    {
        QTemporaryDir www;
        testutil::writeFile(www.filePath("bom.rss"),
                            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE rss [<!ENTITY e \"x\">]>\n<rss version=\"2.0\"><channel>"
                            "<title>Real \xE2\x82\xAC</title><item><title>i</title></item></channel></rss>\n");
        testutil::writeFile(www.filePath("latin1.rss"), fixture("latin1.rss"));
        testutil::writeFile(www.filePath("atom.xml"), fixture("atom.xml"));
        testutil::writeFile(www.filePath("page.html"), "<html><p>hello</html>");
        const quint16 port = testutil::freePort();
        QProcess server;
        server.setWorkingDirectory(www.path());
        server.start("/usr/bin/python3", {"-m", "http.server", QString::number(port), "--bind", "127.0.0.1"});
        QVERIFY(server.waitForStarted());
        const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(port);

        SessionHarness h;
        startWithOnePodcast(h, h.writeFeed("a.rss", "Alpha"));
        FeedDownload download(*h.session);
        QVERIFY(testutil::waitForPort(port));
        QVERIFY(download.accept(base + "bom.rss"));
        QCOMPARE(h.session->document().channel.title, QString::fromUtf8("Real €"));

        h.prompts.queueAnswer(MessageAnswer::No);
        QVERIFY(download.accept(base + "latin1.rss"));
        QCOMPARE(h.session->document().channel.title, QString::fromUtf8("Café"));
        QCOMPARE(h.session->currentEntry()->encodingIndex, charsets::indexOfCharset("iso-8859-1"));

        h.prompts.queueAnswer(MessageAnswer::No);
        QVERIFY(download.accept(base + "atom.xml"));
        QCOMPARE(h.session->document().channel.title, QString("Atom Show"));
        QCOMPARE(h.session->document().episodes.size(), 2);

        h.prompts.queueAnswer(MessageAnswer::No); // leave the Atom podcast
        h.prompts.queueAnswer(MessageAnswer::No); // do not validate
        QVERIFY(!download.accept(base + "page.html"));
        QVERIFY(h.prompts.messageTexts().last().startsWith("Cannot load RSS/RDF/Atom feed:"));

        h.prompts.queueAnswer(MessageAnswer::No);
        QVERIFY(!download.accept(base + "missing.rss"));
        QCOMPARE(h.prompts.statusTexts.last(), QString("Error."));
        QVERIFY(h.prompts.unexpected.isEmpty());
        server.kill();
        server.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestFeedDownload)
#include "tst_feeddownload.moc"
