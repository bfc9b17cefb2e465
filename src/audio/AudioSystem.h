#pragma once

#include <QtGlobal>

// The audio library's process-wide side: its version and the output device that playback uses.
// The program checks the version and initialises the default output device once at start-up;
// playback and recording arrive on the same object later. Tests substitute a fake.
class AudioSystem {
public:
    // High 16 bits of version() that this program was built against.
    static constexpr quint32 kExpectedVersionHigh = 0x0203;
    // Device number of the system's default output device.
    static constexpr int kDefaultDevice = -1;

    virtual ~AudioSystem();

    virtual quint32 version() const = 0;
    // Opens the output device at the given rate; false on failure, with lastErrorCode() set.
    virtual bool init(int device, int frequency) = 0;
    virtual bool isInitialised() const = 0;
    virtual int lastErrorCode() const = 0;
};
