#pragma once

#include "audio/AudioSystem.h"

#include <memory>

// AudioSystem on Qt Multimedia. Without a sound server (PulseAudio or PipeWire) Qt lists no
// devices; that is "no device", not a crash.
class QtAudioSystem : public AudioSystem {
public:
    QtAudioSystem();
    ~QtAudioSystem() override;

    quint32 version() const override;
    bool init(int device, int frequency) override;
    bool isInitialised() const override;
    int lastErrorCode() const override;

    QList<AudioDeviceInfo> inputDevices() const override;
    std::unique_ptr<AudioOutputStream> openOutput(const AudioStreamSpec& spec) override;
    std::unique_ptr<AudioInputStream> openInput(int device, const AudioStreamSpec& spec) override;

private:
    struct Private;
    std::unique_ptr<Private> m_d;
};
