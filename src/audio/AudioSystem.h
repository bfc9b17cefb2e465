#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

// A recording device as the system lists it.
struct AudioDeviceInfo {
    QString id;
    QString name;
    int maxChannels = 2;
    bool isDefault = false;
};

// How a stream buffers on the device side: the total buffer length, the number of pieces it is
// delivered in, and the tick at which the program hands data over and reports position and levels.
struct AudioBuffering {
    int totalMs = 500;
    int buffers = 4;
    int tickMs = 50;

    // The values within what devices accept (a 0 or a negative number from the settings file
    // must not stop the sound).
    AudioBuffering sane() const;
    int pieceMs() const;
    bool operator==(const AudioBuffering&) const = default;
};

struct AudioStreamSpec {
    int sampleRate = 44100;
    int channels = 2;
    AudioBuffering buffering;
};

// A stream that plays what its feeder gives. Its owner polls it at each tick.
class AudioOutputStream {
public:
    // Fills out with up to maxFrames interleaved frames; fewer than asked (0) means the end.
    using Feeder = std::function<qint64(float* out, qint64 maxFrames)>;

    virtual ~AudioOutputStream();
    virtual bool start(Feeder feeder) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    // Frames heard so far.
    virtual qint64 playedFrames() const = 0;
    // Everything the feeder gave has been heard, or the device stopped for good.
    virtual bool isFinished() const = 0;
};

// A stream that records from a device. Its owner takes what arrived at each tick.
class AudioInputStream {
public:
    virtual ~AudioInputStream();
    virtual bool start() = 0;
    // Ends the recording; what arrived until then can still be taken.
    virtual void stop() = 0;
    // The interleaved frames that arrived since the last call.
    virtual std::vector<float> take() = 0;
    virtual int channels() const = 0;
    // Input level, 0..1, applied to the samples.
    virtual void setLevel(float level) = 0;
    // The device has gone away: nothing more will arrive.
    virtual bool isLost() const = 0;
    // Frames the device dropped because they were not collected in time (an overrun).
    virtual qint64 droppedFrames() const = 0;
};

// The audio library's process-wide side: its version, the output device that playback uses, the
// recording devices and the streams. The program checks the version and initialises the default
// output device once at start-up. Without a device every stream fails to open (nullptr), quietly.
// Tests substitute a fake.
class AudioSystem {
public:
    // High 16 bits of version() that this program was built against.
    static constexpr quint32 kExpectedVersionHigh = 0x0203;
    // Device number of the system's default device.
    static constexpr int kDefaultDevice = -1;

    virtual ~AudioSystem();

    virtual quint32 version() const = 0;
    // Opens the output device at the given rate; false on failure, with lastErrorCode() set.
    virtual bool init(int device, int frequency) = 0;
    virtual bool isInitialised() const = 0;
    virtual int lastErrorCode() const = 0;

    virtual QList<AudioDeviceInfo> inputDevices() const { return {}; }
    // A stream on the output device of init(); nullptr when there is none.
    virtual std::unique_ptr<AudioOutputStream> openOutput(const AudioStreamSpec& spec);
    // A stream from inputDevices()[device], or from the default device for kDefaultDevice.
    virtual std::unique_ptr<AudioInputStream> openInput(int device, const AudioStreamSpec& spec);

    // Position of the default recording device in inputDevices(); -1 when there is none.
    int defaultInputDevice() const;

    // Playback volume of the whole program, 0..100; every output follows it.
    void setVolume(int percent);
    int volume() const { return m_volume; }

private:
    int m_volume = 100;
};

namespace audiosamples {

// Largest absolute sample of each of the first two channels as 0..100 (mono: both the same).
void peakLevels(const float* interleaved, qint64 frames, int channels, int* left, int* right);
// Interleaved frames from one channel count to another: mono spreads, more channels fold to
// their average into mono, stereo to stereo as it is.
std::vector<float> adaptChannels(const std::vector<float>& in, int from, int to);
void scale(float* samples, size_t count, float factor);

} // namespace audiosamples
