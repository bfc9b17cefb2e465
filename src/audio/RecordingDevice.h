#pragma once

#include "audio/AudioSystem.h"

#include <QHash>
#include <QStringList>

// The recording device object: which device and which input line the recording takes, the level
// of each line, and the buffering. Lines are the channel layouts a device records in ("Mono",
// "Stereo"); -1 stands for the default device and the default line (the device's own layout, at
// most stereo). Levels run from 0 to kMaxLevel and scale the samples.
class RecordingDevice {
public:
    static constexpr int kMaxLevel = 65535;

    explicit RecordingDevice(AudioSystem& audio);

    // Reads the system's device list again; a selection past its end falls back to the default.
    void refresh();
    QStringList deviceNames() const;
    int device() const { return m_device; }
    void selectDevice(int index);

    QStringList lineNames() const;
    int line() const { return m_line; }
    void selectLine(int index);

    int level() const;
    void setLevel(int level);
    float gain() const { return float(level()) / kMaxLevel; }

    void setBuffering(const AudioBuffering& buffering) { m_buffering = buffering.sane(); }
    AudioBuffering buffering() const { return m_buffering; }

    // What a recording opens: the system's device number and the channel count of the line.
    int systemDevice() const { return m_device; }
    int channels() const;

    // The default device's position and its line as the system has them now, -1 each when
    // there is no device (the first start takes these).
    int currentSystemDevice() const { return m_audio.defaultInputDevice(); }
    int defaultLineOf(int device) const;

private:
    int maxChannels() const;
    QString lineKey() const;

    AudioSystem& m_audio;
    QList<AudioDeviceInfo> m_devices;
    int m_device = -1;
    int m_line = -1;
    QHash<QString, int> m_levels;
    AudioBuffering m_buffering;
};
