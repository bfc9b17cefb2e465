// The audio track widget over a long file: opens it, then times whole repaints of the view at the
// widest zoom (the whole track), at a middle zoom and at the deepest zoom, and of the spectral
// view, both its first computation of the screen and its repaints after that. Each waveform
// repaint starts from dropped caches, so the columns are read from the summaries every time.
// Usage: bench_trackview <audio-file> [runs=15] [--shot PREFIX]
// With --shot it also writes PREFIX-waveform.png and PREFIX-spectral.png of a selection a few
// seconds long, for looking at the view.

#include "audio/AudioEditor.h"
#include "gui/AudioTrackView.h"
#include "gui/LevelBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Times {
    double median = 0, worst = 0;
};

Times measure(int runs, const std::function<void()>& before, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        before();
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void report(const char* what, const Times& t)
{
    std::printf("%-46s median %7.2f ms   worst %7.2f ms\n", what, t.median, t.worst);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_trackview <audio-file> [runs] [--shot PREFIX]\n");
        return 2;
    }
    const int runs = args.size() > 2 && !args[2].startsWith("--") ? std::max(1, args[2].toInt()) : 15;
    const qsizetype shotAt = args.indexOf("--shot");
    const QString shot = shotAt > 0 && shotAt + 1 < args.size() ? args[shotAt + 1] : QString();

    AudioEditor editor;
    QElapsedTimer open;
    open.start();
    const AudioStatus status = editor.OpenTrack(args[1]);
    if (!status.ok()) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(args[1]), qPrintable(status.message));
        return 1;
    }
    std::printf("opened %.0f s, %d channels, %d Hz in %lld ms\n", editor.seconds(), editor.channels(),
                editor.sampleRate(), qint64(open.elapsed()));

    AudioTrackView view(&editor);
    new LevelBar(&editor, &view);
    view.resize(1200, 300);
    view.show();
    if (!QTest::qWaitForWindowExposed(&view)) {
        std::fprintf(stderr, "the view was not shown\n");
        return 1;
    }
    auto repaint = [&] { view.repaint(); };
    auto drop = [&] { view.dropCaches(); };
    auto nothing = [] {};

    editor.setCursor(qint64(editor.frames() * 0.37));
    report("waveform, widest zoom (whole track)", measure(runs, drop, repaint));
    while (view.framesPerPixel() > 64)
        view.zoomIn();
    report(qPrintable(QString("waveform, %1 frames a pixel").arg(view.framesPerPixel(), 0, 'f', 1)),
           measure(runs, drop, repaint));
    while (view.canZoomIn())
        view.zoomIn();
    report("waveform, deepest zoom (16 pixels a frame)", measure(runs, drop, repaint));

    view.zoomToFit();
    view.setViewMode(AudioTrackView::Spectral);
    report("spectral, widest zoom, first computation", measure(runs, drop, repaint));
    report("spectral, widest zoom, after it", measure(runs, nothing, repaint));
    for (int i = 0; i < 8; ++i)
        view.zoomIn();
    report(qPrintable(QString("spectral, %1 frames a pixel, first computation").arg(view.framesPerPixel(), 0, 'f', 0)),
           measure(runs, drop, repaint));
    report("spectral, same zoom, after it", measure(runs, nothing, repaint));

    if (!shot.isEmpty()) {
        view.setViewMode(AudioTrackView::Waveform);
        view.zoomToFit();
        const qint64 rate = editor.sampleRate();
        // Half a minute on screen with a few seconds selected, as an editing session looks.
        editor.setSelection(rate * 9, rate * 4);
        for (int i = 0; i < 20 && view.framesPerPixel() * view.lanesRect().width() > rate * 30; ++i)
            view.zoomIn();
        view.scrollToColumn(qint64(rate * 2 / view.framesPerPixel()));
        editor.reportLevels(55, 61);
        view.setFocus();
        QApplication::processEvents();
        view.grab().save(shot + "-waveform.png");
        view.setViewMode(AudioTrackView::Spectral);
        QApplication::processEvents();
        view.grab().save(shot + "-spectral.png");
    }
    return 0;
}
