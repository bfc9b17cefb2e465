#include "support/PulseServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

namespace testutil {

PulseServer::PulseServer() : m_dir(QStringLiteral("/tmp/velmora-pulse-XXXXXX")) {}

PulseServer::~PulseServer()
{
    if (m_clock.state() != QProcess::NotRunning) {
        m_clock.kill();
        m_clock.waitForFinished(2000);
    }
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished(2000);
    }
}

QProcessEnvironment PulseServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString dir = m_dir.path();
    // Everything the server and its clients keep goes into the private folder: the socket, the
    // cookie and the state ("HOME/.config/pulse"), so no user session is touched.
    env.insert("HOME", dir);
    env.insert("XDG_RUNTIME_DIR", dir);
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("PULSE_RUNTIME_PATH", dir);
    env.insert("PULSE_STATE_PATH", dir + "/state");
    env.insert("PULSE_SERVER", "unix:" + dir + "/native");
    return env;
}

bool PulseServer::start(QString* why)
{
    const QString program = QStandardPaths::findExecutable("pulseaudio");
    if (program.isEmpty() || QStandardPaths::findExecutable("pactl").isEmpty()
        || QStandardPaths::findExecutable("pacat").isEmpty()) {
        *why = "the pulseaudio, pactl and pacat programs are not installed (Debian: pulseaudio, pulseaudio-utils)";
        return false;
    }
    if (!m_dir.isValid()) {
        *why = "no temporary folder";
        return false;
    }
    const QString dir = m_dir.path();
    m_server.setProcessEnvironment(environment());
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setStandardOutputFile(dir + "/server.log");
    // -n: no configuration script, only the modules named here. Running as root (a CI machine)
    // is refused by default only in daemon mode; in the foreground the server only warns.
    m_server.start(program, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=false",
                             "--log-target=stderr", "--disallow-exit=false",
                             "-L", QString("module-null-sink sink_name=%1 rate=44100 channels=2").arg(kSink),
                             "-L", QString("module-remap-source master=%1.monitor source_name=%2 "
                                           "source_properties=device.description=Velmora-Test-Input")
                                       .arg(kSink, kSource),
                             "-L", QString("module-native-protocol-unix socket=%1/native auth-anonymous=1").arg(dir)});
    if (!m_server.waitForStarted(5000)) {
        *why = "pulseaudio did not start: " + m_server.errorString();
        return false;
    }
    bool ready = false;
    // Waiting on the process (not sleeping) notices a server that gave up at once.
    for (int i = 0; i < 100 && !ready; ++i) {
        if (m_server.state() == QProcess::NotRunning)
            break;
        ready = pactl({"info"});
        if (!ready && m_server.waitForFinished(100))
            break;
    }
    if (!ready || !pactl({"set-default-source", kSource}) || !pactl({"set-default-sink", kSink})) {
        QFile log(dir + "/server.log");
        log.open(QIODevice::ReadOnly);
        const QString exited = m_server.state() == QProcess::NotRunning
                                   ? QString("pulseaudio exited with code %1; ").arg(m_server.exitCode())
                                   : QString();
        *why = "the server did not come up: " + exited + QString::fromLocal8Bit(log.readAll().right(600)).simplified();
        return false;
    }
    // A null sink renders in blocks as long as the longest latency its clients allow (seconds), so
    // its monitor would deliver in bursts. A silent client asking for 20 ms keeps it rendering in
    // short blocks, as a sound card's clock does.
    m_clock.setProcessEnvironment(environment());
    m_clock.setStandardOutputFile(QProcess::nullDevice());
    m_clock.setStandardErrorFile(dir + "/clock.log");
    m_clock.setStandardInputFile("/dev/zero");
    m_clock.start("pacat", {"--playback", "--latency-msec=20", "--raw", "--format=s16le", "--rate=44100",
                            "--channels=2", "--client-name=velmora-test-clock"});
    if (!m_clock.waitForStarted(5000)) {
        *why = "pacat did not start: " + m_clock.errorString();
        return false;
    }
    // The sink's first block is long, started before the clock above asked for short ones; a
    // recording started now would get nothing until it ends. Wait until its monitor delivers.
    QProcess listen;
    listen.setProcessEnvironment(environment());
    listen.start("parec", {"--device=" + QString(kSource), "--latency-msec=20", "--raw", "--format=s16le",
                           "--rate=44100", "--channels=2"});
    QElapsedTimer waited;
    waited.start();
    qint64 heard = 0;
    while (heard < 4 * 4410 && waited.elapsed() < 5000 && listen.waitForReadyRead(5000 - waited.elapsed()))
        heard += listen.readAllStandardOutput().size();
    listen.kill();
    listen.waitForFinished(2000);
    const QProcessEnvironment env = environment();
    for (const char* key : {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "XDG_RUNTIME_DIR"})
        qputenv(key, env.value(key).toLocal8Bit());
    return true;
}

bool PulseServer::pactl(const QStringList& arguments, QString* output) const
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start("pactl", arguments);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PulseServer::removeSource()
{
    return pactl({"unload-module", "module-remap-source"});
}

bool PulseServer::addSource()
{
    return pactl({"load-module", "module-remap-source", QString("master=%1.monitor").arg(kSink),
                  QString("source_name=%1").arg(kSource),
                  "source_properties=device.description=Velmora-Test-Input"})
           && pactl({"set-default-source", kSource});
}

} // namespace testutil
