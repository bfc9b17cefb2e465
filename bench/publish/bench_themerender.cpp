#include "common/Prompts.h"
#include "feed/FeedDocument.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedReader.h"
#include "publish/ThemeList.h"
#include "publish/ThemeRenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

// Reads a feed file the way opening a podcast does, then renders it with every theme of a
// theme folder; prints the median of several runs of each. Exit 1 when rendering with some
// theme takes longer than reading.
namespace {

double medianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: bench_themerender FEED THEMES-FOLDER\n");
        return 2;
    }
    const int runs = 5;
    FeedDocument document;
    bool readOk = true;
    const double readMs = medianMs(runs, [&] {
        document = FeedDocument();
        const FeedFileText file = readFeedFile(args[1]);
        UnattendedPrompts events;
        readOk = file.status == FeedFileText::Status::Ok && readFeed(file.text, document, &events);
    });
    if (!readOk) {
        std::fprintf(stderr, "bench_themerender: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    std::printf("read   %6lld episodes             %9.1f ms\n",
                static_cast<long long>(document.episodes.size()), readMs);

    ThemeList themes;
    if (themes.load(args[2]) != ThemeList::LoadResult::Loaded || themes.isEmpty()) {
        std::fprintf(stderr, "bench_themerender: no themes in %s\n", qPrintable(args[2]));
        return 1;
    }
    QTemporaryDir out;
    int status = 0;
    for (int i = 0; i < themes.count(); ++i) {
        ThemeRenderResult result;
        const QString page = out.filePath(QStringLiteral("pr-feed-01.tmp"));
        const double renderMs = medianMs(runs, [&] {
            result = ThemeRenderer::render(themes, i, document, page);
        });
        if (!result.ok) {
            std::fprintf(stderr, "bench_themerender: %s\n", qPrintable(result.error));
            return 1;
        }
        const bool met = renderMs < readMs;
        std::printf("render %-28s %9.1f ms  %s\n", qPrintable(themes.at(i).base), renderMs,
                    met ? "(faster than reading)" : "(SLOWER than reading)");
        if (!met)
            status = 1;
    }
    return status;
}
