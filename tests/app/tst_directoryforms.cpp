// The "Directories" fields below the windows: what typing does to the channel's and the
// episode's forms, Apple's linked category lists, the podcast GUID and the duration from the
// audio, and the session carrying the tab's values into the saved feed.

#include "SessionHarness.h"

#include "app/ChannelDirectoryForm.h"
#include "app/EpisodeDirectoryForm.h"
#include "app/EpisodeForm.h"
#include "app/TrackDevices.h"
#include "audio/AudioEditor.h"
#include "feed/DirectoryCatalog.h"
#include "feed/DirectoryValues.h"

#include <QtTest>

namespace {

const QString kNaGuid = QStringLiteral("917393e3-1b1e-5cef-ace4-edaa54e1f810");
const QString kNaUrl = QStringLiteral("https://mp3s.nashownotes.com/pc20rss.xml");

} // namespace

class TestDirectoryForms : public QObject {
    Q_OBJECT
private slots:
    void typedTextIsKeptAndItsReasonGiven_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("e-mail") << "itunesOwnerEmail" << "ann at example" << "not an e-mail address (name@example.org)";
        QTest::newRow("good e-mail") << "itunesOwnerEmail" << "ann@birds.example" << "";
        QTest::newRow("image not a picture") << "itunesImage" << "https://x.example/a.gif" << "Apple needs a .jpg or .png picture";
        QTest::newRow("blank around url") << "atomSelfLink" << " https://x.example/f.rss" << "not a web address (https://...)";
        QTest::newRow("explicit") << "itunesExplicit" << "yes" << "one of true, false is needed";
        QTest::newRow("type") << "itunesType" << "Serial" << "one of episodic, serial is needed";
        QTest::newRow("guid") << "podcastGuid" << "1234" << "not a UUID (8-4-4-4-12 hexadecimal digits)";
        QTest::newRow("author") << "itunesAuthor" << "  Ann  " << "";
    }
    void typedTextIsKeptAndItsReasonGiven()
    {
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        ChannelDirectoryForm form;
        form.setText(key, typed);
        QCOMPARE(form.text(key), typed);
        QCOMPARE(form.reason(key), reason);
        Channel c;
        ChannelDirectoryForm::copyFields(form.values(), c);
        QCOMPARE(c.*dircatalog::channelField(key)->member, typed);
    }

    void episodeNumbersAreChecked_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("episode") << "itunesEpisode" << "4b" << "a whole number is needed (1, 2, 3 ...)";
        QTest::newRow("season") << "itunesSeason" << "-1" << "a whole number is needed (1, 2, 3 ...)";
        QTest::newRow("podcast episode fraction") << "podcastEpisode" << "4.5" << "";
        QTest::newRow("duration") << "itunesDuration" << "1:2:3" << "seconds, MM:SS or HH:MM:SS is needed";
        QTest::newRow("episode type") << "itunesEpisodeType" << "trailer" << "";
    }
    void episodeNumbersAreChecked()
    {
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        EpisodeDirectoryForm form;
        form.setText(key, typed);
        QCOMPARE(form.text(key), typed);
        QCOMPARE(form.reason(key), reason);
    }

    void listRowsKeepWhatIsTypedAndNameTheWrongCell()
    {
        ChannelDirectoryForm form;
        form.setRows("podcastPersons", {{"Ann", "host", "", "", "https://ann.example/"},
                                        {"", "", "", "", ""},
                                        {"Bo", "guest", "", "not a url", ""}});
        QCOMPARE(form.values().podcastPersons.size(), 2);
        QCOMPARE(form.values().podcastPersons[1], (PodcastPerson{"Bo", "guest", "", "not a url", ""}));
        QCOMPARE(form.rowsReason("podcastPersons"), QString("row 2, Picture URL: not a web address (https://...)"));
        QCOMPARE(form.problems(), QStringList{"People: row 2, Picture URL: not a web address (https://...)"});

        EpisodeDirectoryForm episode;
        episode.setRows("podcastTranscripts", {{"https://x.example/t.vtt", "text/vtt", "en", "captions"},
                                               {"https://x.example/t.srt", "", "", ""}});
        QCOMPARE(episode.rows("podcastTranscripts").size(), 2);
        QCOMPARE(episode.rowsReason("podcastTranscripts"), QString("row 2, Type: needed when the row is used"));
        Episode e;
        EpisodeDirectoryForm::copyFields(episode.values(), e);
        QCOMPARE(e.podcastTranscripts[0].rel, QString("captions"));
    }

    void categoryListsAreLinked()
    {
        ChannelDirectoryForm form;
        Channel c;
        c.itunesCategories = {{"Leisure", {"Aviation", "Hobbies"}}};
        form.load(c);
        QCOMPARE(form.categoryChoices(0).first(), QString());
        QVERIFY(form.categoryChoices(0).contains("Technology"));
        QCOMPARE(form.subcategoryChoices(0).mid(0, 3), (QStringList{"", "Animation & Manga", "Automotive"}));
        QCOMPARE(form.subcategory(0), QString("Aviation"));
        // Another subcategory replaces only the one the list shows; the feed's second one stays.
        form.setSubcategory(0, "Crafts");
        QCOMPARE(form.values().itunesCategories[0].subcategories, (QStringList{"Crafts", "Hobbies"}));
        // Another category drops a subcategory it does not have.
        form.setCategory(0, "History");
        QCOMPARE(form.subcategory(0), QString("Hobbies"));
        QCOMPARE(form.categoryReason(0), QString("\"Hobbies\" is not a subcategory of \"History\""));
        QCOMPARE(form.subcategoryChoices(0), (QStringList{"", "Hobbies"}));
        // The second category; a text Apple does not list shows in the list and has its reason.
        form.setCategory(1, "Birds");
        QCOMPARE(form.categoryChoices(1).last(), QString("Birds"));
        QCOMPARE(form.categoryReason(1), QString("\"Birds\" is not in Apple's category list"));
        form.setCategory(0, "");
        form.setSubcategory(0, "");
        Channel out;
        ChannelDirectoryForm::copyFields(form.values(), out);
        QCOMPARE(out.itunesCategories, (QList<ItunesCategory>{{"Birds", {}}}));
    }

    void guidComesFromTheFirstFeedUrl()
    {
        ChannelDirectoryForm form;
        form.load(Channel{});
        form.setText("atomSelfLink", "https://mp3s.nashownotes.com/pc20");
        form.feedUrlFinished();
        const QString first = form.text("podcastGuid");
        QVERIFY(!first.isEmpty());
        // While it is the one made, the GUID follows a corrected URL.
        form.setText("atomSelfLink", kNaUrl);
        form.feedUrlFinished();
        QCOMPARE(form.text("podcastGuid"), kNaGuid);
        // A GUID the user typed stays.
        form.setText("podcastGuid", first);
        form.setText("atomSelfLink", kNaUrl + "/");
        form.feedUrlFinished();
        QCOMPARE(form.text("podcastGuid"), first);

        // A podcast that had its feed URL already gets none by changing it.
        Channel published;
        published.atomSelfLink = "https://old.example/feed.rss";
        form.load(published);
        form.setText("atomSelfLink", kNaUrl);
        form.feedUrlFinished();
        QCOMPARE(form.text("podcastGuid"), QString());
    }

    void generateAsksBeforeReplacingAndSaysWhyItCannot()
    {
        FakePrompts prompts;
        ChannelDirectoryForm form;
        form.load(Channel{});
        QVERIFY(!form.generateGuid(prompts));
        QCOMPARE(form.reason("podcastGuid"), QString("the podcast GUID is made from the feed URL: set the feed URL first"));
        form.setText("atomSelfLink", kNaUrl);
        QCOMPARE(form.reason("podcastGuid"), QString());
        QVERIFY(form.generateGuid(prompts));
        QCOMPARE(form.text("podcastGuid"), kNaGuid);
        QVERIFY(prompts.messages.isEmpty());

        form.setText("atomSelfLink", "https://new.example/feed.rss");
        prompts.queueAnswer(MessageAnswer::No);
        QVERIFY(!form.generateGuid(prompts));
        QCOMPARE(form.text("podcastGuid"), kNaGuid);
        QVERIFY(prompts.messageTexts().first().startsWith("Directories know the podcast by its GUID " + kNaGuid));
        prompts.queueAnswer(MessageAnswer::Yes);
        QVERIFY(form.generateGuid(prompts));
        QCOMPARE(form.text("podcastGuid"), dirvalues::podcastGuidForFeedUrl("https://new.example/feed.rss"));
    }

    void durationFromTheAudioNeverOverwritesATypedOne()
    {
        EpisodeDirectoryForm form;
        form.load(Episode{});
        form.setAudioLength(3725.4);
        QCOMPARE(form.text("itunesDuration"), QString("01:02:05"));
        // The audio changed (saved again): a duration it filled follows.
        form.setAudioLength(61);
        QCOMPARE(form.text("itunesDuration"), QString("00:01:01"));
        form.setText("itunesDuration", "59:00");
        form.setAudioLength(62);
        QCOMPARE(form.text("itunesDuration"), QString("59:00"));
        QCOMPARE(form.reason("itunesDuration"), QString("the audio lasts 00:01:02"));
        QVERIFY(form.fillDurationFromAudio());
        QCOMPARE(form.text("itunesDuration"), QString("00:01:02"));
        QCOMPARE(form.reason("itunesDuration"), QString());
        form.setAudioLength(-1);
        QVERIFY(!form.fillDurationFromAudio());
    }

    void sessionSavesTheTabsValuesAndTheEditorsFields()
    {
        SessionHarness h;
        h.start();
        QVERIFY(h.session->openPath(h.writeFeed("show.rss", "Show", 1)));
        QCOMPARE(h.view.fields.directory.itunesAuthor, QString());
        h.view.fields.directory.itunesAuthor = "Ann";
        h.view.fields.directory.itunesCategories = {{"Arts", {"Books"}}};
        h.view.fields.directory.title = "not from the tab";
        // The episode's page, with its audio file beside the feed.
        AudioEditor tone;
        tone.NewTrack(8000, 1);
        const std::vector<float> silence(8000 * 3, 0.f);
        tone.insertSamples(0, silence.data(), 8000 * 3);
        QVERIFY(tone.SaveTrack(h.path("ep.wav")).ok());
        h.session->document().episodes[0].enclosureFile = h.path("ep.wav");
        NullTrackDevices devices;
        EpisodeForm episode(*h.session, devices);
        QVERIFY(episode.load(0));
        QCOMPARE(episode.directory().text("itunesDuration"), QString("00:00:03"));
        episode.directory().setText("itunesEpisode", "7");
        QVERIFY(episode.closeRequested());

        h.session->save();
        QCOMPARE(h.prompts.unexpected, QStringList());
        const QByteArray saved = testutil::readFile(h.path("show.rss"));
        QVERIFY2(saved.contains("<itunes:author>Ann</itunes:author>"), saved.constData());
        QVERIFY(saved.contains("<itunes:category text=\"Arts\">"));
        QVERIFY(saved.contains("<itunes:duration>00:00:03</itunes:duration>"));
        QVERIFY(saved.contains("<itunes:episode>7</itunes:episode>"));
        QVERIFY(saved.contains("<title>Show</title>"));
    }
};

QTEST_GUILESS_MAIN(TestDirectoryForms)
#include "tst_directoryforms.moc"
