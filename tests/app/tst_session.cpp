#include "SessionHarness.h"

#include "feed/CharsetTable.h"
#include "store/ProjectList.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

const QString kBase = "Velmora (release candidate rc0)";
const QString kSaveQuestion = "Changes have been made to this podcast. Do you want to save them?";

// A home folder whose project list names the given feeds.
void writeProjectList(SessionHarness& h, const QStringList& paths, int lastProject = 0)
{
    QByteArray ini = "[Main]\r\nTotal=" + QByteArray::number(paths.size()) + "\r\n";
    for (int i = 0; i < paths.size(); ++i)
        ini += "[Project_" + QByteArray::number(i) + "]\r\nPath=" + paths.at(i).toUtf8()
               + "\r\nAutoDate=False\r\nTotalEnclosures=0\r\n";
    testutil::writeFile(h.path("project.ini"), ini);
    testutil::writeFile(h.path("settings.ini"), "[Main]\r\nLastProject=" + QByteArray::number(lastProject)
                                                    + "\r\nAutoSave=True\r\nCreateBackup=True\r\n"
                                                      "SavePassword=True\r\n");
}

} // namespace

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void startUpOpensLastPodcastAndShowsItsFields()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha", 2);
        const QString b = h.writeFeed("b.rss", "Beta", 3);
        writeProjectList(h, {a, b}, 1);
        h.start();
        QCOMPARE(h.view.projectLines, (QStringList{"Alpha", "Beta"}));
        QCOMPARE(h.view.projectSelection, 1);
        QCOMPARE(h.session->projects().current(), 1);
        QCOMPARE(h.view.fields.title, QString("Beta"));
        QCOMPARE(h.view.episodes.size(), 3);
        QCOMPARE(h.view.episodeRow, 1);
        QCOMPARE(h.view.title, kBase + " - [Beta]");
        QVERIFY(h.prompts.messages.isEmpty());
        // Start-up saves nothing.
        QCOMPARE(testutil::readFile(a), SessionHarness::rss("Alpha", 2));
        QVERIFY(!QFile::exists(a + ".bak"));
    }

    void lastProjectPastTheEndOpensEntryZero()
    {
        SessionHarness h;
        writeProjectList(h, {h.writeFeed("a.rss", "Alpha"), h.writeFeed("b.rss", "Beta")}, 7);
        h.start();
        QCOMPARE(h.view.projectSelection, 0);
        QCOMPARE(h.session->document().channel.title, QString("Alpha"));
    }

    void switchingRewritesTheOutgoingFileWithoutAQuestion()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha", 1);
        const QString b = h.writeFeed("b.rss", "Beta");
        writeProjectList(h, {a, b});
        h.start();
        h.view.fields.title = "Alpha edited";
        h.view.selectProjectLine(1);
        QVERIFY(h.prompts.messages.isEmpty());
        QVERIFY(testutil::readFile(a).contains("<title>Alpha edited</title>"));
        // The previous file is kept as the backup.
        QCOMPARE(testutil::readFile(a + ".bak"), SessionHarness::rss("Alpha", 1));
        QCOMPARE(h.session->document().channel.title, QString("Beta"));
        QCOMPARE(h.view.projectLines.first(), QString("Alpha edited"));
        QCOMPARE(h.view.title, kBase + " - [Beta]");

        // Switching back and forth without edits still rewrites, and the file reads back.
        h.view.selectProjectLine(0);
        QCOMPARE(h.session->document().channel.title, QString("Alpha edited"));
        QCOMPARE(h.session->document().episodes.size(), 1);
    }

    void newPodcastThenSwitchAwayAsksAndNoRemovesIt()
    {
        SessionHarness h;
        writeProjectList(h, {h.writeFeed("a.rss", "Alpha")});
        h.start();
        h.session->newPodcast();
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.view.projectLines, (QStringList{"Alpha", "Untitled"}));
        QCOMPARE(h.view.title, kBase + " - [Untitled]");
        QVERIFY(h.session->document().untitled);
        QCOMPARE(h.session->document().channel.language, QString("en"));
        QVERIFY(!h.session->document().channel.pubDate.isEmpty());
        QVERIFY(h.prompts.messages.isEmpty());

        h.prompts.queueAnswer(MessageAnswer::No);
        h.view.selectProjectLine(0);
        QCOMPARE(h.prompts.messageTexts(), QStringList{kSaveQuestion});
        QCOMPARE(h.prompts.messages.first().icon, MessageIcon::Exclamation);
        QCOMPARE(h.session->projects().count(), 1);
        QCOMPARE(h.view.projectLines, QStringList{"Alpha"});
        QCOMPARE(h.session->document().channel.title, QString("Alpha"));
    }

    void newPodcastSavedThroughTheQuestion()
    {
        SessionHarness h;
        writeProjectList(h, {h.writeFeed("a.rss", "Alpha")});
        h.start();
        h.session->newPodcast();
        h.view.fields.title = "Fresh";
        h.prompts.queueAnswer(MessageAnswer::Yes);
        h.prompts.queueFile(h.path("fresh"), 0);
        h.view.selectProjectLine(0);
        QVERIFY(QFile::exists(h.path("fresh.rss")));
        QCOMPARE(h.session->projects()[1].path, h.path("fresh.rss"));
        QCOMPARE(h.view.projectLines, (QStringList{"Alpha", "Fresh"}));
        QCOMPARE(h.prompts.fileDialogs.size(), 1);
        const auto& dialog = h.prompts.fileDialogs.first();
        QVERIFY(dialog.save);
        QCOMPARE(dialog.title, QString("Save feed"));
        QCOMPARE(dialog.filters.size(), 3);
        QCOMPARE(dialog.filters.at(0).label, QString("Podcast feed  (.rss)"));
        QCOMPARE(dialog.filters.at(1).label, QString("Podcast feed (.xml)"));
        QCOMPARE(dialog.filters.at(2).patterns, QString("*.*"));
    }

    void saveOnNewPodcastWithCancelledDialogKeepsIt()
    {
        SessionHarness h;
        h.start();
        h.session->newPodcast();
        h.prompts.queueCancelledFile();
        h.session->save();
        QCOMPARE(h.prompts.fileDialogs.size(), 1);
        QVERIFY(h.prompts.messages.isEmpty()); // no question under Save
        QCOMPARE(h.session->projects().count(), 1);
        QCOMPARE(h.session->projects()[0].path, QString("Untitled"));
        QVERIFY(h.session->document().untitled);
        // The list was written with the untitled entry.
        QVERIFY(testutil::readFile(h.path("project.ini")).contains("Path=Untitled"));
    }

    void saveShowsSuccessAndSaveAsUsesTheExtensionRule()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha");
        writeProjectList(h, {a});
        h.start();
        h.session->save();
        QCOMPARE(h.prompts.messageTexts(), QStringList{"Save successfull."});
        QCOMPARE(h.prompts.messages.first().icon, MessageIcon::Information);

        struct Case { QString typed; int filter; QString written; };
        const QList<Case> cases = {
            {"one", 0, "one.rss"},
            {"two.RSS.txt", 0, "two.RSS.txt"},
            {"three", 1, "three.xml"},
            {"four.Xml", 1, "four.Xml"},
            {"five.feed", 2, "five.feed"},
        };
        for (const Case& c : cases) {
            h.prompts.queueFile(h.path(c.typed), c.filter);
            h.session->saveAs();
            QVERIFY2(QFile::exists(h.path(c.written)), qPrintable(c.written));
            QCOMPARE(h.session->projects()[0].path, h.path(c.written));
        }
        // Cancelled: nothing written, no message.
        const int messages = h.prompts.messages.size();
        h.prompts.queueCancelledFile();
        h.session->saveAs();
        QCOMPARE(h.prompts.messages.size(), messages);
        QCOMPARE(h.session->projects()[0].path, h.path("five.feed"));
    }

    void openingAddsRewritesAndSelectsExistingEntries()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha");
        writeProjectList(h, {a});
        h.start();
        const QString b = h.path("b.xml");
        testutil::writeFile(b, "junk before\n" + SessionHarness::rss("Beta", 2));
        h.prompts.queueFile(b);
        h.session->open();
        QCOMPARE(h.prompts.fileDialogs.first().title, QString("Open RSS feed"));
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.view.projectSelection, 1);
        QCOMPARE(h.session->document().episodes.size(), 2);
        // Rewritten at once in the program's own form, the original kept as backup.
        QVERIFY(testutil::readFile(b).startsWith("<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\r\n"));
        QVERIFY(testutil::readFile(b).contains("<generator>Velmora"));
        QVERIFY(testutil::readFile(b + ".bak").startsWith("junk before"));
        QVERIFY(h.prompts.messages.isEmpty());

        // Opening a file already in the list selects it.
        h.session->openPath(a);
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.view.projectSelection, 0);
        QCOMPARE(h.session->document().channel.title, QString("Alpha"));
    }

    void pathsAreComparedAsTheFileSystemDoes()
    {
        SessionHarness h;
        const QString lower = h.writeFeed("show.rss", "Lower");
        writeProjectList(h, {lower});
        h.start();
        const QString upper = h.writeFeed("Show.rss", "Upper");
        h.session->openPath(upper);
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
        QCOMPARE(h.session->projects().count(), 1);
#else
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.session->document().channel.title, QString("Upper"));
        QVERIFY(testutil::readFile(lower).contains("<title>Lower</title>"));
#endif
    }

    void declaredEncodingSetsTheEntrysEncoding()
    {
        SessionHarness h;
        const QString latin = h.path("latin.rss");
        testutil::writeFile(latin, "<?xml version='1.0' encoding='iso-8859-1'?>\r\n<rss version=\"2.0\">"
                                   "<channel><title>Caf\xe9</title></channel></rss>");
        const QString plain = h.writeFeed("plain.rss", "Plain");
        writeProjectList(h, {latin, plain});
        h.start();
        QCOMPARE(h.session->document().channel.title, QString::fromUtf8("Caf\xc3\xa9"));
        const int iso = h.session->projects()[0].encodingIndex;
        QCOMPARE(QString(charsets::charsetName(iso)).toLower(), QString("iso-8859-1"));
        QCOMPARE(h.view.encoding, iso);
        h.view.selectProjectLine(1);
        QCOMPARE(int(h.session->projects()[1].encodingIndex), 53);
        // The Latin-1 feed was rewritten in its own encoding.
        QVERIFY(testutil::readFile(latin).contains("Caf\xe9"));
    }

    void removingTheOnlyPodcastShowsEmptyList()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha");
        writeProjectList(h, {a});
        h.start();
        h.prompts.queueAnswer(MessageAnswer::Yes);
        h.session->remove();
        QCOMPARE(h.prompts.messageTexts(),
                 QStringList{"Are you sure you want to remove this podcast from your list?"});
        QCOMPARE(h.view.projectLines, QStringList{"[Empty]"});
        QCOMPARE(h.view.title, kBase);
        QVERIFY(!h.view.commands.hasPodcast);
        QVERIFY(QFile::exists(a)); // the feed file stays
        QVERIFY(testutil::readFile(h.path("project.ini")).contains("Total=0"));
    }

    void unparsableAndMarkuplessFilesGiveTheirMessagesAndStay()
    {
        SessionHarness h;
        const QString broken = h.path("broken.rss");
        testutil::writeFile(broken, "<rss><channel><title>x</channel>");
        const QString empty = h.path("empty.rss");
        testutil::writeFile(empty, "no markup at all");
        const QString good = h.writeFeed("good.rss", "Good");
        writeProjectList(h, {good, broken, empty});
        h.start();
        const QByteArray goodBytes = testutil::readFile(good);

        h.view.selectProjectLine(1);
        QCOMPARE(h.prompts.messages.size(), 1);
        QCOMPARE(h.prompts.messages.first().icon, MessageIcon::Critical);
        QCOMPARE(h.prompts.messages.first().text,
                 QString("Failed to load RSS document: \"broken.rss\"\r\nPlease check your file "
                         "manually or contract with developers at 'support@velmora.example'"));
        QCOMPARE(h.session->projects().count(), 2);
        // The list was refreshed and the first podcast loaded properly.
        QCOMPARE(h.session->projects().current(), 0);
        QCOMPARE(h.session->document().channel.title, QString("Good"));
        QCOMPARE(h.view.projectSelection, 0);

        h.prompts.queueAnswer(MessageAnswer::Yes);
        h.view.selectProjectLine(1);
        QCOMPARE(h.prompts.messages.size(), 2);
        QCOMPARE(h.prompts.messages.at(1).text,
                 QString("The file \"%1\" could not be opened.\r\nWould you like to remove this "
                         "podcast from the list?").arg(QDir::toNativeSeparators(empty)));
        QCOMPARE(h.session->projects().count(), 1);
        QVERIFY(QFile::exists(broken));
        QVERIFY(QFile::exists(empty));
        QCOMPARE(testutil::readFile(broken), QByteArray("<rss><channel><title>x</channel>"));

        // Switching on leaves the good podcast's file as it was written by its own load.
        QCOMPARE(h.session->document().channel.title, QString("Good"));
        QVERIFY(testutil::readFile(good).contains("<title>Good</title>"));
        Q_UNUSED(goodBytes);
    }

    void failedLoadFollowedBySwitchKeepsOtherFilesIntact()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha", 2);
        const QString broken = h.path("broken.rss");
        testutil::writeFile(broken, "<rss><channel>");
        const QString c = h.writeFeed("c.rss", "Gamma", 3);
        writeProjectList(h, {broken, a, c}, 0);
        h.start(); // the broken entry is removed, Alpha opens
        QCOMPARE(h.session->document().channel.title, QString("Alpha"));
        QCOMPARE(h.session->document().episodes.size(), 2);
        h.view.selectProjectLine(1); // to Gamma: Alpha is rewritten with its own content
        QCOMPARE(h.session->document().channel.title, QString("Gamma"));
        QVERIFY(testutil::readFile(a).contains("<title>Alpha</title>"));
        QVERIFY(testutil::readFile(a).contains("Episode 2"));
        QCOMPARE(testutil::readFile(c), SessionHarness::rss("Gamma", 3));
        QCOMPARE(testutil::readFile(broken), QByteArray("<rss><channel>"));
    }

    void answeringNoKeepsTheMissingEntryAndNeverWritesIt()
    {
        SessionHarness h;
        const QString missing = h.path("gone.rss");
        const QString b = h.writeFeed("b.rss", "Beta");
        writeProjectList(h, {missing, b}, 0);
        h.prompts.queueAnswer(MessageAnswer::No);
        h.start();
        QCOMPARE(h.prompts.messages.size(), 1); // asked once, no loop
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.session->document().channel.title, QString());
        h.view.selectProjectLine(1);
        QVERIFY(!QFile::exists(missing));
        QCOMPARE(h.session->document().channel.title, QString("Beta"));
        QCOMPARE(h.prompts.messages.size(), 1);
    }

    void atomFilesBecomeNewPodcastsAndUndecodableFilesAreRefused()
    {
        SessionHarness h;
        writeProjectList(h, {h.writeFeed("a.rss", "Alpha")});
        h.start();
        const QString atom = h.path("atom.xml");
        const QByteArray atomBytes = "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
                                     "<title>Atom Show</title><entry><title>First</title>"
                                     "<id>urn:1</id></entry></feed>";
        testutil::writeFile(atom, atomBytes);
        QVERIFY(h.session->openPath(atom));
        // Imported as a new untitled podcast; the Atom file is left exactly as it was.
        QCOMPARE(testutil::readFile(atom), atomBytes);
        QVERIFY(!QFile::exists(atom + ".bak"));
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.session->projects()[1].path, QString("Untitled"));
        QVERIFY(h.session->document().untitled);
        QCOMPARE(h.session->document().channel.title, QString("Atom Show"));
        QCOMPARE(h.session->document().episodes.size(), 1);
        QCOMPARE(h.view.fields.title, QString("Atom Show"));
        QCOMPARE(h.view.title, kBase + " - [Untitled]");
        QVERIFY(h.prompts.messages.isEmpty());
        // Switching away asks, as for any new podcast.
        h.prompts.queueAnswer(MessageAnswer::No);
        h.view.selectProjectLine(0);
        QCOMPARE(h.session->projects().count(), 1);
        QCOMPARE(testutil::readFile(atom), atomBytes);

        const QString odd = h.path("odd.rss");
        const QByteArray oddBytes = SessionHarness::rss("x", 0, "<?xml version=\"1.0\" encoding=\"x-no-such-charset\"?>");
        testutil::writeFile(odd, oddBytes);
        QVERIFY(!h.session->openPath(odd));
        QCOMPARE(testutil::readFile(odd), oddBytes);
        QCOMPARE(h.session->projects().count(), 1);

        const QString badUtf8 = h.path("bad.rss");
        const QByteArray badBytes = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\">"
                                    "<channel><title>bad \xff\xfe bytes</title></channel></rss>";
        testutil::writeFile(badUtf8, badBytes);
        QVERIFY(!h.session->openPath(badUtf8));
        QCOMPARE(testutil::readFile(badUtf8), badBytes);
    }

    void failedWriteIsReportedAndStopsTheSwitch()
    {
        SessionHarness h;
        QDir().mkpath(h.path("locked"));
        const QString a = h.path("locked/a.rss");
        testutil::writeFile(a, SessionHarness::rss("Alpha", 1));
        const QString b = h.writeFeed("b.rss", "Beta");
        writeProjectList(h, {a, b});
        h.start();
        h.view.fields.title = "Alpha edited";
        {
            testutil::LockedFolder locked(h.path("locked"));
            if (!locked.isLocked())
                QSKIP("this file system lets the test user write into any folder");
            h.view.selectProjectLine(1);
        }
        QCOMPARE(h.prompts.messages.size(), 1);
        QVERIFY(h.prompts.messages.first().text.startsWith("Cannot save \"" + QDir::toNativeSeparators(a)));
        QCOMPARE(h.prompts.messages.first().icon, MessageIcon::Critical);
        QCOMPARE(testutil::readFile(a), SessionHarness::rss("Alpha", 1));
        // The edits stay on screen with their podcast.
        QCOMPARE(h.view.projectSelection, 0);
        QCOMPARE(h.session->projects().current(), 0);
        QCOMPARE(h.session->document().channel.title, QString("Alpha edited"));
    }

    void exitWithAutoSaveOffWritesNoFeed()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha");
        writeProjectList(h, {a});
        h.start();
        h.session->settings().autoSave = false;
        h.view.fields.title = "changed";
        QVERIFY(h.session->saveAtExit(false));
        QCOMPARE(testutil::readFile(a), SessionHarness::rss("Alpha"));
        h.session->settings().autoSave = true;
        QVERIFY(h.session->saveAtExit(false));
        QVERIFY(testutil::readFile(a).contains("<title>changed</title>"));
    }

    void untitledPodcastForADownloadSkipsTheTemplate()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha", 1);
        const QString templ = h.writeFeed("template.rss", "From template", 2);
        writeProjectList(h, {a});
        h.start();
        h.session->settings().useTemplate = true;
        h.session->settings().templates = templ;

        // The New command applies the template ...
        h.session->newPodcast();
        QCOMPARE(h.session->document().channel.title, QString("From template"));
        QCOMPARE(h.session->document().episodes.size(), 2);
        h.prompts.queueAnswer(MessageAnswer::No); // the template podcast is not kept
        h.view.selectProjectLine(0);
        QCOMPARE(h.session->projects().count(), 1);

        // ... the download's start does not, and still saves the open podcast quietly.
        h.view.fields.title = "Alpha edited";
        QVERIFY(h.session->startUntitledPodcast());
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.session->projects().current(), 1);
        QCOMPARE(h.session->projects()[1].path, QString("Untitled"));
        QVERIFY(h.session->document().untitled);
        QVERIFY(h.session->document().channel.title.isEmpty());
        QVERIFY(h.session->document().episodes.isEmpty());
        QCOMPARE(h.session->document().channel.language, QString("en"));
        // The window shows the empty podcast, so storing its fields keeps it empty.
        QVERIFY(h.view.fields.title.isEmpty());
        QVERIFY(h.view.episodes.isEmpty());
        QCOMPARE(h.view.title, kBase + " - [Untitled]");
        QVERIFY(testutil::readFile(a).contains("<title>Alpha edited</title>"));
        QVERIFY(!h.prompts.messageTexts().contains("Save successfull."));

        // Busy: nothing happens.
        h.session->setBusy(true);
        QVERIFY(!h.session->startUntitledPodcast());
        h.session->setBusy(false);
        QCOMPARE(h.session->projects().count(), 2);
    }

    void untitledPodcastNotStartedWhenTheQuietSaveFails()
    {
        SessionHarness h;
        QDir().mkpath(h.path("locked"));
        const QString a = h.path("locked/a.rss");
        testutil::writeFile(a, SessionHarness::rss("Alpha", 1));
        writeProjectList(h, {a});
        h.start();
        h.view.fields.title = "Alpha edited";
        {
            testutil::LockedFolder locked(h.path("locked"));
            if (!locked.isLocked())
                QSKIP("this file system lets the test user write into any folder");
            QVERIFY(!h.session->startUntitledPodcast());
        }
        QCOMPARE(h.prompts.messages.size(), 1);
        QCOMPARE(h.prompts.messages.first().icon, MessageIcon::Critical);
        QCOMPARE(h.session->projects().count(), 1);
        QCOMPARE(h.session->document().channel.title, QString("Alpha edited"));
        QCOMPARE(h.session->document().episodes.size(), 1);
    }

    void unattendedExitLeavesUntitledPodcastUnsavedAndAsksNothing()
    {
        SessionHarness h;
        h.start();
        h.session->newPodcast();
        QVERIFY(h.session->saveAtExit(true));
        QVERIFY(h.prompts.messages.isEmpty());
        QVERIFY(h.prompts.fileDialogs.isEmpty());
        QCOMPARE(h.session->projects().count(), 1);
    }

    void enclosureStatesSurviveASwitch()
    {
        SessionHarness h;
        const QString a = h.writeFeed("a.rss", "Alpha", 1);
        const QString b = h.writeFeed("b.rss", "Beta");
        writeProjectList(h, {a, b});
        h.start();
        ProjectEntry& alpha = h.session->projects()[0];
        alpha.enclosures.resize(1);
        alpha.enclosures[0].localFile = "/media/ep1.mp3";
        alpha.enclosures[0].selectedForUpload = true;
        h.view.selectProjectLine(1);
        h.view.selectProjectLine(0);
        QCOMPARE(h.session->projects()[0].enclosures.count(), 1);
        QCOMPARE(h.session->projects()[0].enclosures[0].localFile, QString("/media/ep1.mp3"));
        QVERIFY(h.session->projects()[0].enclosures[0].selectedForUpload);
    }

    void untitledPathIsNeverAFile()
    {
        SessionHarness h;
        testutil::writeFile(h.path("project.ini"), "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=Untitled\r\n");
        h.start();
        QVERIFY(h.session->document().untitled);
        QCOMPARE(h.view.title, kBase + " - [Untitled]");
        h.prompts.queueCancelledFile();
        h.session->save();
        QCOMPARE(h.prompts.fileDialogs.size(), 1);
        QVERIFY(!QFile::exists(QDir::current().filePath("Untitled")));
    }

    void commandLineOfBlanksIsNoCommandLine()
    {
        SessionHarness h;
        writeProjectList(h, {h.writeFeed("a.rss", "Alpha")});
        h.start();
        h.session->openCommandLine("   ");
        h.session->openCommandLine("  " + h.path("missing.rss"));
        QCOMPARE(h.session->projects().count(), 1);
        const QString b = h.writeFeed("b.rss", "Beta");
        h.session->openCommandLine("  " + b);
        QCOMPARE(h.session->projects().count(), 2);
        QCOMPARE(h.session->document().channel.title, QString("Beta"));
    }

    void typingInTheTitleUpdatesTheWindowTitle()
    {
        SessionHarness h;
        writeProjectList(h, {h.writeFeed("a.rss", "Alpha")});
        h.start();
        h.session->titleEdited("Alpha & Omega");
        QCOMPARE(h.view.title, kBase + " - [Alpha & Omega]");
        QCOMPARE(h.session->document().channel.title, QString("Alpha & Omega"));
    }

    void channelFieldsRoundTripThroughTheWindow()
    {
        SessionHarness h;
        writeProjectList(h, {h.writeFeed("a.rss", "Alpha")});
        h.start();
        Channel& c = h.session->document().channel;
        c.pubDate = "Tue, 3 Mar 2026 10:20:30 GMT";
        c.language = "EN-US"; // not in the list with this spelling
        c.description = "line one\r\nline two";
        h.session->showChannelFields();
        h.session->storeWindowFields();
        QCOMPARE(c.description, QString("line one\r\nline two"));
        QCOMPARE(c.language, QString("en-us"));
        c.language = "xx-unknown";
        h.session->showChannelFields();
        QCOMPARE(h.view.fields.languageIndex, -1);
        h.session->storeWindowFields();
        QCOMPARE(c.language, QString("xx-unknown"));
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
