#include "feed/FeedDateTime.h"
#include "feed/FeedDocument.h"

#include <QRegularExpression>
#include <QtTest>

#include <ctime>

namespace {

// Records what the document asks of the project entry's enclosure states.
class RecordingStates : public EnclosureStateSeam {
public:
    void clearEnclosureStates() override { calls << QStringLiteral("clear"); }
    void insertEnclosureState(int position, bool isLocal) override
    {
        calls << QStringLiteral("insert %1 %2").arg(position).arg(isLocal);
    }
    QStringList calls;
};

} // namespace

class TestFeedDocument : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void clearKeepsStyleSheetImageFileAndName()
    {
        FeedDocument d;
        d.channel.title = QStringLiteral("t");
        d.channel.ttl = QStringLiteral("60");
        d.channel.imageUrl = QStringLiteral("u");
        d.channel.imageFile = QStringLiteral("/img.gif");
        d.channel.skipDays[3] = true;
        d.channel.skipHours[5] = true;
        d.channel.styleSheetHref = QStringLiteral("s.xsl");
        d.channel.styleSheetType = 1;
        d.channel.styleSheetMedia = 4;
        d.episodes.append(Episode());
        d.currentEpisode = 0;
        d.untitled = true;
        d.documentName = QStringLiteral("a.rss");
        RecordingStates states;
        d.clear(&states);

        Channel expected;
        expected.imageFile = QStringLiteral("/img.gif");
        expected.styleSheetHref = QStringLiteral("s.xsl");
        expected.styleSheetType = 1;
        expected.styleSheetMedia = 4;
        QVERIFY(d.channel == expected);
        QVERIFY(d.episodes.isEmpty());
        QVERIFY(!d.untitled);
        QCOMPARE(d.documentName, QStringLiteral("a.rss"));
        QCOMPARE(states.calls, QStringList{QStringLiteral("clear")});
    }

    void newPodcastDefaults()
    {
        FeedDocument d;
        d.episodes.append(Episode());
        d.currentEpisode = 3;
        d.applyNewPodcastDefaults(QStringLiteral("English"));
        QVERIFY(d.untitled);
        QCOMPARE(d.documentName, QStringLiteral("Untitled"));
        QCOMPARE(d.currentEpisode, 0);
        QVERIFY(d.episodes.isEmpty());
        QCOMPARE(d.channel.language, QStringLiteral("en"));
        const FeedDateTime published = parseFeedDate(d.channel.pubDate);
        QCOMPARE(int(published.year), QDate::currentDate().year());
        QVERIFY(d.channel.pubDate.endsWith(QLatin1String(" GMT")));
        d.applyNewPodcastDefaults(QStringLiteral("Russian"));
        QCOMPARE(d.channel.language, QStringLiteral("ru"));
    }

    void newEpisodesAreAppendedAndSelected()
    {
        FeedDocument d;
        RecordingStates states;
        QCOMPARE(d.addNewEpisode(&states), 0);
        QCOMPARE(d.currentEpisode, 0);
        QCOMPARE(d.episodes.size(), 1);
        const Episode& e = d.episodes[0];
        QCOMPARE(e.title, QStringLiteral("[Untitled]"));
        QCOMPARE(e.enclosureLength, QStringLiteral("0"));
        QVERIFY(!e.guidIsPermaLink);
        QVERIFY(e.link.isEmpty() && e.description.isEmpty() && e.enclosureUrl.isEmpty());
        QVERIFY(!e.pubDate.isEmpty());

        QCOMPARE(d.addNewEpisode(&states), 1);
        QCOMPARE(d.currentEpisode, 1);
        QCOMPARE(states.calls, QStringList({QStringLiteral("insert 0 1"), QStringLiteral("insert 1 1")}));

        static const QRegularExpression guidForm(
            QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
        QVERIFY2(guidForm.match(d.episodes[0].guid).hasMatch(), qPrintable(d.episodes[0].guid));
        QVERIFY(guidForm.match(d.episodes[1].guid).hasMatch());
        QVERIFY(d.episodes[0].guid != d.episodes[1].guid);
    }

    void documentNameIsTheFileNamePart()
    {
        QCOMPARE(FeedDocument::documentNameForPath(QStringLiteral("/home/me/show.rss")), QStringLiteral("show.rss"));
        QCOMPARE(FeedDocument::documentNameForPath(QStringLiteral("C:\\feeds\\show.xml")), QStringLiteral("show.xml"));
        QCOMPARE(FeedDocument::documentNameForPath(QStringLiteral("show.rss")), QStringLiteral("show.rss"));
        QCOMPARE(FeedDocument::documentNameForPath(QStringLiteral("Untitled")), QStringLiteral("Untitled"));
    }
};

QTEST_GUILESS_MAIN(TestFeedDocument)
#include "tst_feeddocument.moc"
