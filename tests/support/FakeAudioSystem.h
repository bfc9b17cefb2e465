#pragma once

#include "audio/AudioSystem.h"

// An audio system with a list of recording devices and no streams: what the settings and the
// device selection see, without a sound server.
class FakeAudioSystem : public AudioSystem {
public:
    QList<AudioDeviceInfo> devices;

    quint32 version() const override { return kExpectedVersionHigh << 16; }
    bool init(int, int) override { return false; }
    bool isInitialised() const override { return false; }
    int lastErrorCode() const override { return 23; }
    QList<AudioDeviceInfo> inputDevices() const override { return devices; }
};
