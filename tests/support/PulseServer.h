#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testutil {

// A private PulseAudio server for one test process, with a private runtime folder: the null
// sink "velmora_sink" is the output, and "velmora_mic", made from the sink's monitor, is the
// default recording device, so what plays can be recorded. Start it before anything touches Qt
// Multimedia (Qt connects to the sound server once per process); it stops with the object.
class PulseServer {
public:
    static constexpr const char* kSink = "velmora_sink";
    static constexpr const char* kSource = "velmora_mic";

    PulseServer();
    ~PulseServer();

    // Starts the server and points this process at it (PULSE_SERVER, PULSE_RUNTIME_PATH,
    // XDG_RUNTIME_DIR). False with the reason when it cannot start here.
    bool start(QString* why);
    // pactl against the server; false when it fails.
    bool pactl(const QStringList& arguments, QString* output = nullptr) const;
    // Takes the recording device away, or brings it back.
    bool removeSource();
    bool addSource();

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_clock;
    QProcessEnvironment environment() const;
};

} // namespace testutil

// Starts the fixture's server or skips the test case with the reason.
#define VELMORA_START_PULSE(server)                                                                \
    do {                                                                                           \
        QString why_;                                                                              \
        if (!(server).start(&why_))                                                                \
            QSKIP(qPrintable(QStringLiteral("PulseAudio cannot start here: ") + why_));            \
    } while (false)
