// Builds a feed document of N episodes in memory and writes it as a feed file, as saving a
// podcast does. Prints the time of building the text, encoding and writing. With "ext" as the
// fourth argument every episode also carries Apple and Podcasting 2.0 fields and elements of
// other namespaces, as a feed published through a podcast host does.
#include "common/Prompts.h"
#include "feed/FeedWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

void addExtensions(Episode& e, int i)
{
    e.itunesTitle = QStringLiteral("Caf\u00e9 talk %1").arg(i);
    e.itunesDuration = QStringLiteral("00:42:%1").arg(i % 60, 2, 10, QLatin1Char('0'));
    e.itunesEpisode = QString::number(i + 1);
    e.itunesSeason = QStringLiteral("3");
    e.itunesEpisodeType = QStringLiteral("full");
    e.itunesExplicit = QStringLiteral("false");
    e.itunesImage = QStringLiteral("https://example.org/art/%1.jpg").arg(i);
    e.podcastTranscripts = {{QStringLiteral("https://example.org/t/%1.vtt").arg(i), QStringLiteral("text/vtt"),
                             QStringLiteral("en"), QStringLiteral("captions")}};
    e.podcastChaptersUrl = QStringLiteral("https://example.org/c/%1.json").arg(i);
    e.podcastChaptersType = QStringLiteral("application/json+chapters");
    e.podcastPersons = {{QStringLiteral("Guest %1").arg(i), QStringLiteral("guest"), {}, {}, {}}};
    e.contentEncoded = QStringLiteral("<p>Show notes for episode %1 with <a href=\"https://example.org/\">links</a>.</p>").arg(i);
    e.kept.elements = {QStringLiteral("<media:content url=\"https://example.org/v/%1.mp4\" type=\"video/mp4\"/>").arg(i)};
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_feed_write OUT [EPISODES] [ENCODING] [ext]\n");
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int encoding = argc > 3 ? std::atoi(argv[3]) : 53;
    const bool extensions = argc > 4 && std::strcmp(argv[4], "ext") == 0;
    FeedDocument d;
    d.channel.title = QStringLiteral("Benchmark podcast");
    d.channel.link = QStringLiteral("https://example.org/");
    d.channel.description = QStringLiteral("A channel with many episodes & some <markup>.");
    d.channel.pubDate = QStringLiteral("3 Dec 2026 21:57:19 GMT");
    d.channel.language = QStringLiteral("en");
    d.episodes.reserve(count);
    for (int i = 0; i < count; ++i) {
        Episode e;
        e.title = QStringLiteral("Episode %1: caf\u00e9 talk").arg(i);
        e.link = QStringLiteral("https://example.org/episodes/%1").arg(i);
        e.description = QStringLiteral("<p>Show notes for episode %1.</p>\r\nGuests, links & more.").arg(i);
        e.pubDate = QStringLiteral("1 Jan 2027 00:00:00 GMT");
        e.author = QStringLiteral("host@example.org");
        e.category = QStringLiteral("Talk");
        e.guid = QStringLiteral("urn:episode:%1").arg(i);
        e.enclosureUrl = QStringLiteral("https://example.org/media/%1.mp3").arg(i);
        e.enclosureLength = QStringLiteral("12345678");
        e.enclosureType = QStringLiteral("audio/mpeg");
        if (extensions)
            addExtensions(e, i);
        d.episodes.append(e);
    }
    if (extensions) {
        Channel& c = d.channel;
        c.itunesAuthor = QStringLiteral("Benchmark host");
        c.itunesOwnerName = QStringLiteral("Benchmark host");
        c.itunesOwnerEmail = QStringLiteral("host@example.org");
        c.itunesImage = QStringLiteral("https://example.org/cover.jpg");
        c.itunesCategories = {{QStringLiteral("Technology"), {}}};
        c.itunesExplicit = QStringLiteral("false");
        c.podcastGuid = QStringLiteral("917393e3-1b1e-5cef-ace4-edaa54e1f810");
        c.atomSelfLink = QStringLiteral("https://example.org/feed.xml");
        c.namespaces = {{QStringLiteral("media"), QStringLiteral("http://search.yahoo.com/mrss/")}};
    }
    UnattendedPrompts prompts;
    QElapsedTimer timer;
    timer.start();
    const FeedWriteResult r = writeFeedFile(QString::fromLocal8Bit(argv[1]), d, encoding, prompts);
    const qint64 ns = timer.nsecsElapsed();
    if (!r.ok) {
        std::fprintf(stderr, "write failed: %s\n", qPrintable(r.error));
        return 1;
    }
    std::printf("build+encode+write of %d episodes: %.1f ms\n", count, ns / 1e6);
    return 0;
}
