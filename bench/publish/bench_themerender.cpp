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
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

// Reads a feed file the way opening a podcast does, then renders it with every theme of a
// theme folder; prints the median of several runs of each, as processor time (the machine is
// shared, so wall-clock times swing with the load) and wall-clock time. Exit 1 when rendering
// with some theme takes more processor time than reading.
namespace {

struct Timing {
    double cpuMs = 0;
    double wallMs = 0;
};

double cpuNowMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

Timing median(int runs, const std::function<void()>& work)
{
    std::vector<double> cpu, wall;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = cpuNowMs();
        timer.start();
        work();
        wall.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuNowMs() - cpuStart);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return {cpu[cpu.size() / 2], wall[wall.size() / 2]};
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
    const int runs = 7;
    FeedDocument document;
    bool readOk = true;
    const Timing read = median(runs, [&] {
        document = FeedDocument();
        const FeedFileText file = readFeedFile(args[1]);
        UnattendedPrompts events;
        readOk = file.status == FeedFileText::Status::Ok && readFeed(file.text, document, &events);
    });
    if (!readOk) {
        std::fprintf(stderr, "bench_themerender: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    std::printf("%-34s %9s %9s\n", "", "cpu ms", "wall ms");
    std::printf("read   %6lld episodes             %9.1f %9.1f\n",
                static_cast<long long>(document.episodes.size()), read.cpuMs, read.wallMs);

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
        const Timing render = median(runs, [&] {
            result = ThemeRenderer::render(themes, i, document, page);
        });
        if (!result.ok) {
            std::fprintf(stderr, "bench_themerender: %s\n", qPrintable(result.error));
            return 1;
        }
        const bool met = render.cpuMs < read.cpuMs;
        std::printf("render %-27s %9.1f %9.1f  %s\n", qPrintable(themes.at(i).base), render.cpuMs,
                    render.wallMs, met ? "(faster than reading)" : "(SLOWER than reading)");
        if (!met)
            status = 1;
    }
    return status;
}
