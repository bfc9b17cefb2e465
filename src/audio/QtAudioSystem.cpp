#include "audio/QtAudioSystem.h"

#include "audio/AudioErrors.h"

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
