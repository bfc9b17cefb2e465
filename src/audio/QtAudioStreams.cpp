#include "audio/QtAudioStreams.h"

#include <QAudioSink>
#include <QAudioSource>
#include <QMediaDevices>

#include <algorithm>
#include <cmath>

namespace {

qint64 bytesFor(const QAudioFormat& format, int ms)
{
    return qint64(format.bytesPerFrame()) * format.sampleRate() * ms / 1000;
}

} // namespace

// --- FeederDevice

FeederDevice::FeederDevice(AudioOutputStream::Feeder feeder, const QAudioFormat& format)
    : m_feeder(std::move(feeder)), m_format(format)
{
}

qint64 FeederDevice::bytesAvailable() const
{
    // Endless until the feeder says otherwise.
    return m_ended ? 0 : qint64(1) << 30;
}

qint64 FeederDevice::readData(char* data, qint64 maxSize)
{
    const int channels = m_format.channelCount();
    const int frameBytes = m_format.bytesPerFrame();
    if (m_ended || frameBytes <= 0)
        return 0;
    const qint64 wanted = maxSize / frameBytes;
    if (wanted <= 0)
        return 0;
    m_buffer.resize(size_t(wanted) * size_t(channels));
    const qint64 got = std::clamp<qint64>(m_feeder(m_buffer.data(), wanted), 0, wanted);
    if (got < wanted) {
        m_ended = true;
        m_sinceEnd.start();
    }
    const size_t n = size_t(got) * size_t(channels);
    if (m_format.sampleFormat() == QAudioFormat::Float) {
        std::copy_n(m_buffer.data(), n, reinterpret_cast<float*>(data));
    } else {
        auto* out = reinterpret_cast<qint16*>(data);
        for (size_t i = 0; i < n; ++i)
            out[i] = qint16(std::lround(std::clamp(m_buffer[i], -1.0f, 1.0f) * 32767.0f));
    }
    m_given += got;
    return got * frameBytes;
}

// --- QtAudioOutput

QtAudioOutput::QtAudioOutput(const QAudioDevice& device, const QAudioFormat& format, const AudioBuffering& buffering)
    : m_format(format), m_buffering(buffering.sane()), m_sink(std::make_unique<QAudioSink>(device, format))
{
}

QtAudioOutput::~QtAudioOutput()
{
    m_sink->stop();
}

bool QtAudioOutput::start(Feeder feeder)
{
    m_device = std::make_unique<FeederDevice>(std::move(feeder), m_format);
    m_lastPlayed = 0;
    m_lastProcessed = -1;
    m_device->open(QIODevice::ReadOnly);
    m_sink->setBufferSize(bytesFor(m_format, m_buffering.totalMs));
    m_sink->start(m_device.get());
    m_stopped = m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState;
    return !m_stopped;
}

void QtAudioOutput::pause()
{
    if (!m_stopped)
        m_sink->suspend();
}

void QtAudioOutput::resume()
{
    if (!m_stopped)
        m_sink->resume();
}

void QtAudioOutput::stop()
{
    m_stopped = true;
    m_sink->stop();
}

qint64 QtAudioOutput::playedFrames() const
{
    if (!m_device)
        return 0;
    const qint64 processed = m_sink->processedUSecs() * m_format.sampleRate() / 1000000;
    if (processed != m_lastProcessed) {
        m_lastProcessed = processed;
        m_sinceProcessed.start();
    }
    qint64 played = processed;
    if (m_sink->state() == QAudio::ActiveState || m_sink->state() == QAudio::IdleState)
        played += std::min<qint64>(m_sinceProcessed.elapsed(), 150) * m_format.sampleRate() / 1000;
    // Never backwards, never past what the device was given.
    m_lastPlayed = std::max(m_lastPlayed, std::min(played, m_device->framesGiven()));
    return m_lastPlayed;
}

bool QtAudioOutput::isFinished() const
{
    if (m_stopped || !m_device || m_sink->state() == QAudio::StoppedState)
        return true;
    if (!m_device->ended())
        return false;
    const bool drained = m_sink->bytesFree() >= m_sink->bufferSize();
    const qint64 heard = m_sink->processedUSecs() * m_format.sampleRate() / 1000000;
    // A sink that never reports the end is given its buffer's length and a second.
    return drained || heard >= m_device->framesGiven() || m_device->msSinceEnd() > m_buffering.totalMs + 1000;
}

// --- QtAudioInput

QtAudioInput::QtAudioInput(const QAudioDevice& device, const QAudioFormat& format, const AudioBuffering& buffering)
    : m_device(device), m_format(format), m_buffering(buffering.sane())
{
}

QtAudioInput::~QtAudioInput()
{
    stop();
}

bool QtAudioInput::start()
{
    if (m_running)
        return true;
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    bool opened = false;
    QMetaObject::invokeMethod(m_context, [this, &opened] { opened = openOnThread(); }, Qt::BlockingQueuedConnection);
    if (!opened) {
        QMetaObject::invokeMethod(m_context, [this] { closeOnThread(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_context;
        m_context = nullptr;
        return false;
    }
    m_running = true;
    m_sinceDeviceCheck.start();
    return true;
}

bool QtAudioInput::openOnThread()
{
    m_source = new QAudioSource(m_device, m_format, m_context);
    // The device delivers pieces of the buffer; the server holds what is not read yet.
    m_source->setBufferSize(bytesFor(m_format, m_buffering.pieceMs()));
    m_io = m_source->start();
    if (!m_io || m_source->error() != QAudio::NoError)
        return false;
    m_watch = std::make_unique<OverrunWatch>(m_format.sampleRate(), std::max(300, m_buffering.totalMs) + m_buffering.pieceMs());
    m_received = 0;
    m_clock.start();
    QObject::connect(m_io, &QIODevice::readyRead, m_context, [this] { readOnThread(); });
    QObject::connect(m_source, &QAudioSource::stateChanged, m_context, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source->error() != QAudio::NoError)
            m_lost = true;
    });
    return true;
}

void QtAudioInput::readOnThread()
{
    if (!m_io)
        return;
    const QByteArray bytes = m_io->readAll();
    const int channels = m_format.channelCount();
    const qint64 frames = bytes.size() / m_format.bytesPerFrame();
    if (frames > 0) {
        const float factor = m_level / 32768.0f;
        const auto* in = reinterpret_cast<const qint16*>(bytes.constData());
        const size_t n = size_t(frames) * size_t(channels);
        std::lock_guard lock(m_mutex);
        const size_t base = m_queue.size();
        m_queue.resize(base + n);
        for (size_t i = 0; i < n; ++i)
            m_queue[base + i] = float(in[i]) * factor;
    }
    m_received += frames;
    if (m_source->bytesAvailable() == 0)
        m_dropped += m_watch->drained(m_clock.elapsed(), m_received);
}

void QtAudioInput::closeOnThread()
{
    if (m_io) {
        // The source's reader must not run once it is stopped: take the rest first.
        QObject::disconnect(m_io, nullptr, m_context, nullptr);
        readOnThread();
        m_io = nullptr;
    }
    if (m_source) {
        QObject::disconnect(m_source, nullptr, m_context, nullptr);
        m_source->stop();
        delete m_source;
        m_source = nullptr;
    }
}

void QtAudioInput::stop()
{
    if (!m_running)
        return;
    m_running = false;
    QMetaObject::invokeMethod(m_context, [this] { closeOnThread(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_context;
    m_context = nullptr;
}

std::vector<float> QtAudioInput::take()
{
    if (m_running && m_sinceDeviceCheck.elapsed() >= 500) {
        checkDevice();
        m_sinceDeviceCheck.restart();
    }
    std::vector<float> out;
    std::lock_guard lock(m_mutex);
    out.swap(m_queue);
    return out;
}

void QtAudioInput::checkDevice()
{
    // The sound server moves a stream whose device went away to another device without telling;
    // the recording stops instead of going on from a device the user did not choose.
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const bool present = std::any_of(inputs.begin(), inputs.end(),
                                     [this](const QAudioDevice& d) { return d.id() == m_device.id(); });
    if (!present)
        m_lost = true;
}

bool QtAudioInput::isLost() const
{
    return m_lost;
}
