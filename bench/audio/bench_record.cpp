// Records from the default recording device into a track for a number of seconds the way the
// episode editor does, then saves it as WAV and prints how long the recording is against the
// clock and what the device reported lost.
#include "audio/AudioEditor.h"
#include "audio/QtAudioSystem.h"
#include "audio/RecordingDevice.h"
#include "audio/TrackRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 7) {
        std::fprintf(stderr, "usage: bench_record SECONDS OUT.wav TEMP-FOLDER [TOTAL-MS BUFFERS TICK-MS]\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    QtAudioSystem audio;
    RecordingDevice device(audio);
    if (argc == 7)
        device.setBuffering(AudioBuffering{std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6])});
    AudioEditor editor;
    editor.setTempFolder(QString::fromLocal8Bit(argv[3]));
    editor.NewTrack(44100, 2);
    TrackRecorder recorder(audio, editor, device);
    QElapsedTimer clock;
    if (!recorder.Record()) {
        std::fprintf(stderr, "no recording device\n");
        return 1;
    }
    clock.start();
    AudioStatus stored;
    QTimer::singleShot(int(seconds * 1000), &app, [&] {
        stored = recorder.Stop();
        app.quit();
    });
    QObject::connect(&recorder, &TrackRecorder::ended, &app, [&] { app.quit(); });
    app.exec();
    const double wall = clock.nsecsElapsed() / 1e9;
    const AudioStatus saved = editor.SaveTrack(QString::fromLocal8Bit(argv[2]));
    const AudioBuffering b = device.buffering();
    std::printf("buffers %d ms, %d pieces, tick %d ms\nrecorded %.3f s in %.3f s of clock\n"
                "reported lost %lld ms%s\n",
                b.totalMs, b.buffers, b.tickMs, editor.seconds(), wall, qlonglong(recorder.droppedMs()),
                recorder.deviceLost() ? ", the device went away" : "");
    if (!stored.ok() || !saved.ok()) {
        std::fprintf(stderr, "not stored: %s%s\n", qPrintable(stored.message), qPrintable(saved.message));
        return 1;
    }
    return 0;
}
