#include "SessionHarness.h"

#include "store/ProjectList.h"

#include <QtTest>

namespace {

// A podcast with three episodes whose enclosure states name their own media files.
void startWithThreeEpisodes(SessionHarness& h)
{
    const QString feed = h.writeFeed("a.rss", "Alpha", 3);
    testutil::writeFile(h.path("project.ini"),
                        "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8()
                            + "\r\nTotalEnclosures=3\r\n[Project_0_E_0]\r\n1=one.mp3\r\n"
                              "[Project_0_E_1]\r\n1=two.mp3\r\n[Project_0_E_2]\r\n1=three.mp3\r\n");
    h.start();
}

QStringList titles(const SessionHarness& h)
{
    QStringList t;
    for (const Episode& e : h.session->document().episodes)
        t << e.title;
    return t;
}

QStringList mediaFiles(SessionHarness& h)
{
    QStringList files;
    for (const EnclosureState& s : h.session->projects()[0].enclosures)
        files << s.localFile;
    return files;
}

} // namespace

class TestEpisodeCommands : public QObject {
    Q_OBJECT
private slots:
    void newEpisodeIsAppendedSelectedAndEdited()
    {
        SessionHarness h;
        h.start();
        h.session->newPodcast();
        int edited = -1;
        h.session->openEpisodeEditor = [&](int position) { edited = position; };
        h.session->newEpisode();
        QCOMPARE(h.view.episodes.size(), 1);
        QCOMPARE(h.view.episodeRow, 1);
        QCOMPARE(edited, 0);
        const Episode e = h.session->document().episodes.first();
        QCOMPARE(e.title, QString("[Untitled]"));
        QCOMPARE(e.enclosureLength, QString("0"));
        QCOMPARE(e.guid.size(), 36);
        QVERIFY(!e.guid.contains('{'));
        QCOMPARE(e.guid, e.guid.toUpper());
        QVERIFY(h.session->projects()[0].enclosures[0].isLocal);
        h.session->newEpisode();
        QVERIFY(h.session->document().episodes.at(1).guid != e.guid);
        QVERIFY(h.view.commands.hasEpisodes);
    }

    void cloneInsertsACopyWithItsOwnGuidAfterTheSource()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        h.view.episodeRow = 3;
        h.session->cloneEpisode();
        QCOMPARE(titles(h), (QStringList{"Episode 1", "Episode 2", "Episode 3", "Episode 3"}));
        QCOMPARE(h.view.episodeRow, 3);
        const auto& eps = h.session->document().episodes;
        QVERIFY(eps.at(3).guid != eps.at(2).guid);
        QCOMPARE(mediaFiles(h), (QStringList{"one.mp3", "two.mp3", "three.mp3", "three.mp3"}));
    }

    void cutAndPasteMoveAnEpisodeWithItsState()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        h.view.episodeRow = 3;
        h.session->cutEpisode();
        QCOMPARE(titles(h), (QStringList{"Episode 1", "Episode 2"}));
        QCOMPARE(h.view.episodeRow, 2); // the new last one
        h.view.episodeRow = 1;
        h.session->pasteEpisode();
        QCOMPARE(titles(h), (QStringList{"Episode 3", "Episode 1", "Episode 2"}));
        QCOMPARE(h.view.episodeRow, 1);
        QCOMPARE(h.session->document().episodes.first().guid, QString("g3"));
        QCOMPARE(mediaFiles(h), (QStringList{"three.mp3", "one.mp3", "two.mp3"}));
    }

    void pasteWithEmptyClipboardInsertsAnEmptyEpisode()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        h.view.episodeRow = 2;
        h.session->pasteEpisode();
        QCOMPARE(titles(h), (QStringList{"Episode 1", "", "Episode 2", "Episode 3"}));
        QCOMPARE(h.view.episodeRow, 2);
        QCOMPARE(mediaFiles(h), (QStringList{"one.mp3", "", "two.mp3", "three.mp3"}));
    }

    void copyLeavesTheListAlone()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        h.view.episodeRow = 2;
        h.session->copyEpisode();
        QCOMPARE(titles(h).size(), 3);
        QCOMPARE(h.view.episodeRow, 2);
        h.view.episodeRow = 1;
        h.session->pasteEpisode();
        QCOMPARE(titles(h), (QStringList{"Episode 2", "Episode 1", "Episode 2", "Episode 3"}));
    }

    void removeSelectsTheNextOrTheNewLast()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        h.view.episodeRow = 1;
        h.session->removeEpisode();
        QCOMPARE(titles(h), (QStringList{"Episode 2", "Episode 3"}));
        QCOMPARE(h.view.episodeRow, 1);
        QCOMPARE(mediaFiles(h), (QStringList{"two.mp3", "three.mp3"}));
        h.view.episodeRow = 2;
        h.session->removeEpisode();
        QCOMPARE(h.view.episodeRow, 1);
        h.session->removeEpisode();
        QCOMPARE(h.view.episodeRow, 0);
        QVERIFY(!h.view.commands.hasEpisodes);
        // Nothing selected: commands do nothing.
        h.session->removeEpisode();
        h.session->cloneEpisode();
        QVERIFY(h.session->document().episodes.isEmpty());
    }

    void movesSwapNeighboursAndStopAtTheEnds()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        h.view.episodeRow = 1;
        h.session->moveEpisodeUp();
        QCOMPARE(titles(h), (QStringList{"Episode 1", "Episode 2", "Episode 3"}));
        h.view.episodeRow = 3;
        h.session->moveEpisodeDown();
        QCOMPARE(titles(h), (QStringList{"Episode 1", "Episode 2", "Episode 3"}));
        h.session->moveEpisodeUp();
        QCOMPARE(titles(h), (QStringList{"Episode 1", "Episode 3", "Episode 2"}));
        QCOMPARE(h.view.episodeRow, 2);
        QCOMPARE(h.session->document().currentEpisode, 1);
        h.view.episodeRow = 1;
        h.session->moveEpisodeDown();
        QCOMPARE(titles(h), (QStringList{"Episode 3", "Episode 1", "Episode 2"}));
        QCOMPARE(h.view.episodeRow, 2);
        QCOMPARE(mediaFiles(h), (QStringList{"three.mp3", "one.mp3", "two.mp3"}));
    }

    void searchFindsCaseInsensitivelyAndWraps()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        auto& eps = h.session->document().episodes;
        eps[0].description = "talking about Podcasting tools";
        eps[2].link = "http://example.com/podcast-three";
        h.view.episodeRow = 1;
        h.view.search = "  PODCAST ";
        h.session->search();
        QCOMPARE(h.view.episodeRow, 1);
        h.session->search();
        QCOMPARE(h.view.episodeRow, 3);
        h.session->search(); // the previous match was the last row: back to the start
        QCOMPARE(h.view.episodeRow, 1);
        h.view.search = "nowhere";
        h.session->search();
        QCOMPARE(h.view.episodeRow, 1);
    }

    void searchHistoryKeepsTenNewestFirst()
    {
        SessionHarness h;
        startWithThreeEpisodes(h);
        for (int i = 1; i <= 11; ++i) {
            h.view.search = QString("term %1").arg(i);
            h.session->search();
        }
        QCOMPARE(h.view.history.size(), 10);
        QCOMPARE(h.view.history.first(), QString("term 11"));
        QCOMPARE(h.view.history.last(), QString("term 2"));
        h.session->search(); // the same text again is not added twice
        QCOMPARE(h.view.history.size(), 10);
        QCOMPARE(h.view.history.at(1), QString("term 10"));
    }

    void commandStateFollowsTheList()
    {
        SessionHarness h;
        h.start();
        QVERIFY(!h.view.commands.hasPodcast);
        QVERIFY(h.session->noPodcast());
        h.session->newEpisode(); // nothing without a podcast
        QVERIFY(h.session->document().episodes.isEmpty());
        h.session->newPodcast();
        QVERIFY(h.view.commands.hasPodcast);
        QVERIFY(!h.view.commands.hasEpisodes);
    }
};

QTEST_GUILESS_MAIN(TestEpisodeCommands)
#include "tst_episodecommands.moc"
