// Opens an audio file, normalises it, saves it as MP3 and undoes the normalisation, printing the
// time of each step and the peak memory of the process.
#include "audio/AudioEditor.h"
#include "audio/TrackCommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_audio IN OUT.mp3 TEMP-FOLDER\n");
        return 2;
    }
    AudioEditor editor;
    editor.setTempFolder(QString::fromLocal8Bit(argv[3]));
    editor.setEncoderSettings(EncoderSettings(96, 32000, 160, 2));
    QElapsedTimer total, step;
    total.start();
    step.start();
    AudioStatus s = editor.OpenTrack(QString::fromLocal8Bit(argv[1]));
    if (!s.ok()) {
        std::fprintf(stderr, "open: %s\n", qPrintable(s.message));
        return 1;
    }
    const double open = step.nsecsElapsed() / 1e9;
    step.restart();
    s = trackcommands::run(editor, QStringLiteral("m_norm"));
    const double normalize = step.nsecsElapsed() / 1e9;
    if (!s.ok()) {
        std::fprintf(stderr, "normalize: %s\n", qPrintable(s.message));
        return 1;
    }
    step.restart();
    s = editor.SaveTrack(QString::fromLocal8Bit(argv[2]));
    const double save = step.nsecsElapsed() / 1e9;
    if (!s.ok()) {
        std::fprintf(stderr, "save: %s\n", qPrintable(s.message));
        return 1;
    }
    const double work = total.nsecsElapsed() / 1e9;
    step.restart();
    const bool undone = editor.Undo();
    const double undo = step.nsecsElapsed() / 1e9;
    const double audioSeconds = editor.seconds();
    editor.CloseTrack();
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds of audio %.0f\nopen %.2f s\nnormalize %.2f s\nsave mp3 %.2f s\nopen+normalize+save %.2f s\n"
                "undo %.4f s (%s)\nmax RSS %.0f MB\n",
                audioSeconds, open, normalize, save, work, undo, undone ? "done" : "FAILED",
                usage.ru_maxrss / 1024.0);
    return undone ? 0 : 1;
}
