#include "audio/PanelRecorder.h"

#include "audio/FileStreams.h"
#include "audio/Mp3CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

// A WAV header for a stream whose length is not known when it starts.
QByteArray streamingWavHeader(int rate, int channels)
{
    QByteArray h(44, '\0');
    auto put32 = [&h](int at, quint32 v) { qToLittleEndian(v, h.data() + at); };
    auto put16 = [&h](int at, quint16 v) { qToLittleEndian(v, h.data() + at); };
    h.replace(0, 4, "RIFF");
    put32(4, 0xFFFFFFFFu);
    h.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1);
    put16(22, quint16(channels));
    put32(24, quint32(rate));
    put32(28, quint32(rate * channels * 2));
    put16(32, quint16(channels * 2));
    put16(34, 16);
    h.replace(36, 4, "data");
    put32(40, 0xFFFFFFFFu);
    return h;
}

} // namespace

PanelRecorder::PanelRecorder(AudioSystem& audio, FileStreams& streams, QString homeFolder, QObject* parent)
    : QObject(parent), m_audio(audio), m_streams(streams), m_home(std::move(homeFolder))
{
    connect(&m_tick, &QTimer::timeout, this, &PanelRecorder::tick);
    m_encoder.setStandardOutputFile(QProcess::nullDevice());
    m_encoder.setStandardErrorFile(QProcess::nullDevice());
    connect(&m_encoder, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        emit encoded(status == QProcess::NormalExit && code == 0);
    });
}

PanelRecorder::~PanelRecorder()
{
    Stop();
    if (isEncoding() && !m_encoder.waitForFinished(5000))
        m_encoder.kill();
}

QString PanelRecorder::outputFile() const
{
    return QDir(m_home).filePath(QStringLiteral("Temp/currenttrack.mp3"));
}

PanelRecorder::Start PanelRecorder::Record(const Options& options)
{
    Stop();
    m_streams.StreamFree(m_playback);
    m_playback = 0;
    if (isEncoding() && !m_encoder.waitForFinished(5000))
        m_encoder.kill();

    const QString programFolder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (Mp3CommandLine::findEncoder(programFolder).isEmpty())
        return Start::EncoderMissing;
    const int rate = options.sampleRate > 0 ? options.sampleRate : 44100;
    const int channels = options.stereo ? 2 : 1;
    AudioStreamSpec spec;
    spec.sampleRate = rate;
    spec.channels = channels;
    spec.buffering = options.buffering.sane();
    m_input = m_audio.openInput(options.device, spec);
    if (!m_input)
        return Start::NoDevice;
    m_input->setLevel(options.gain);

    QDir().mkpath(QDir(m_home).filePath(QStringLiteral("Temp")));
    const Mp3CommandLine line = Mp3CommandLine::make(m_home, options.stereo, options.bitrateKbps, rate);
    m_encoder.start(line.program, line.arguments);
    if (!m_encoder.waitForStarted(5000)) {
        m_input.reset();
        return Start::EncoderFailed;
    }
    if (!m_input->start()) {
        m_input.reset();
        m_encoder.closeWriteChannel();
        return Start::NoDevice;
    }
    m_encoder.write(streamingWavHeader(rate, channels));
    m_tick.start(spec.buffering.tickMs);
    return Start::Recording;
}

void PanelRecorder::writeFrames(const std::vector<float>& frames)
{
    if (frames.empty())
        return;
    QByteArray pcm(qsizetype(frames.size() * 2), Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(pcm.data());
    for (size_t i = 0; i < frames.size(); ++i)
        out[i] = qToLittleEndian(qint16(std::lround(std::clamp(frames[i], -1.0f, 1.0f) * 32767.0f)));
    m_encoder.write(pcm);
    int left = 0, right = 0;
    audiosamples::peakLevels(frames.data(), qint64(frames.size()) / m_input->channels(), m_input->channels(), &left,
                             &right);
    emit levels(left, right);
}

void PanelRecorder::tick()
{
    if (!m_input)
        return;
    writeFrames(m_input->take());
    if (m_input->isLost() || m_encoder.state() != QProcess::Running)
        Stop();
}

void PanelRecorder::Stop()
{
    if (!m_input) {
        m_streams.ChannelStop(m_playback);
        return;
    }
    m_tick.stop();
    m_input->stop();
    writeFrames(m_input->take());
    m_input.reset();
    // The end of its input makes the encoder finish the file.
    m_encoder.closeWriteChannel();
    emit levels(0, 0);
}

bool PanelRecorder::Play()
{
    if (m_input)
        return false;
    m_streams.StreamFree(m_playback);
    m_playback = m_streams.StreamCreateFile(outputFile());
    return m_playback != 0 && m_streams.ChannelPlay(m_playback, true);
}
