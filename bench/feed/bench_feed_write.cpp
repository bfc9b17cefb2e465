// Builds a feed document of N episodes in memory and writes it as a feed file, as saving a
// podcast does. Prints the time of building the text, encoding and writing.
#include "common/Prompts.h"
#include "feed/FeedWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_feed_write OUT [EPISODES] [ENCODING]\n");
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int encoding = argc > 3 ? std::atoi(argv[3]) : 53;
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
        d.episodes.append(e);
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
