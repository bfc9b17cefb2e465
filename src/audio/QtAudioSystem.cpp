#include "audio/QtAudioSystem.h"

#include "audio/AudioErrors.h"
#include "audio/QtAudioStreams.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QMediaDevices>

struct QtAudioSystem::Private {
    QAudioDevice output;
    int frequency = 0;
    bool initialised = false;
    int lastError = audio_error::kOk;
};

QtAudioSystem::QtAudioSystem() : m_d(std::make_unique<Private>()) {}

QtAudioSystem::~QtAudioSystem() = default;

quint32 QtAudioSystem::version() const
{
    // Interface version 2.3, engine revision in the low word.
    return (kExpectedVersionHigh << 16) | 0x0001;
}

bool QtAudioSystem::init(int device, int frequency)
{
    if (m_d->initialised) {
        m_d->lastError = audio_error::kAlready;
        return false;
    }
    QAudioDevice chosen;
    if (device == kDefaultDevice) {
        chosen = QMediaDevices::defaultAudioOutput();
    } else {
        const auto outputs = QMediaDevices::audioOutputs();
        if (device >= 0 && device < outputs.size())
            chosen = outputs.at(device);
    }
    if (chosen.isNull()) {
        m_d->lastError = audio_error::kDevice;
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(frequency);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!chosen.isFormatSupported(format)) {
        // Most devices resample; only a device that takes nothing at all counts as a failure.
        if (chosen.preferredFormat().sampleRate() <= 0) {
            m_d->lastError = audio_error::kFormat;
            return false;
        }
    }
    m_d->output = chosen;
    m_d->frequency = frequency;
    m_d->initialised = true;
    m_d->lastError = audio_error::kOk;
    return true;
}

bool QtAudioSystem::isInitialised() const
{
    return m_d->initialised;
}

int QtAudioSystem::lastErrorCode() const
{
    return m_d->lastError;
}

QList<AudioDeviceInfo> QtAudioSystem::inputDevices() const
{
    // Qt does not always know which device is the default one; the device it falls back to is
    // the one it records from, so that one is called the default.
    const QByteArray defaultId = QMediaDevices::defaultAudioInput().id();
    QList<AudioDeviceInfo> list;
    for (const QAudioDevice& d : QMediaDevices::audioInputs())
        list.append({QString::fromUtf8(d.id()), d.description(), std::max(1, d.maximumChannelCount()), d.id() == defaultId});
    return list;
}

std::unique_ptr<AudioOutputStream> QtAudioSystem::openOutput(const AudioStreamSpec& spec)
{
    if (!m_d->initialised || spec.sampleRate <= 0 || spec.channels <= 0)
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(spec.sampleRate);
    format.setChannelCount(spec.channels);
    format.setSampleFormat(QAudioFormat::Float);
    if (!m_d->output.isFormatSupported(format))
        format.setSampleFormat(QAudioFormat::Int16);
    return std::make_unique<QtAudioOutput>(m_d->output, format, spec.buffering);
}

std::unique_ptr<AudioInputStream> QtAudioSystem::openInput(int device, const AudioStreamSpec& spec)
{
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    QAudioDevice chosen;
    if (device == kDefaultDevice)
        chosen = QMediaDevices::defaultAudioInput();
    else if (device >= 0 && device < inputs.size())
        chosen = inputs.at(device);
    if (chosen.isNull() || spec.sampleRate <= 0 || spec.channels <= 0)
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(spec.sampleRate);
    format.setChannelCount(spec.channels);
    // 16-bit samples: the sound server then holds twice as long a recording while it waits.
    format.setSampleFormat(QAudioFormat::Int16);
    return std::make_unique<QtAudioInput>(chosen, format, spec.buffering);
}
