#pragma once

#include "app/TrackDevices.h"
#include "audio/RecordingDevice.h"

#include <QObject>

#include <functional>
#include <memory>

class AudioSystem;
class Prompts;
class TrackPlayer;
class TrackRecorder;
struct AudioStatus;
struct Settings;

// The episode editor's devices on the sound system: the track plays on the output device (its
// position and level go out through the editor's events) and records from the device, line and
// level of the audio settings. A recording stays open from Start recording until Stop, even when
// its device went away before: the samples are in the track at once, and the editor's Stop then
// finishes it as usual. What went wrong with a recording is told once, when it is known.
class SoundTrackDevices : public QObject, public TrackDevices {
    Q_OBJECT
public:
    SoundTrackDevices(AudioSystem& audio, Settings& settings, Prompts& prompts, QObject* parent = nullptr);
    ~SoundTrackDevices() override;

    // The "Audio settings" dialog on the recording device object; true when OK stored the fields
    // into the settings. Without it, Preferences shows nothing.
    std::function<bool(RecordingDevice&, Settings&)> settingsDialog;

    static QString overrunText(qint64 lostMs);
    static QString deviceLostText(double seconds);
    static QString notStoredText(const QString& reason);

    void attach(AudioEditor* editor) override;
    void setBuffers(int totalMs, int count, int tickMs) override;
    bool play() override;
    void pause() override;
    void stop() override;
    bool startRecording() override;
    bool isRecording() const override { return m_recording; }
    void showSettings() override;

    bool isPlaying() const;
    RecordingDevice& recordingDevice() { return m_device; }
    AudioBuffering buffering() const { return m_device.buffering(); }

signals:
    // Play-back reached its end or a recording's device went away: the command states change.
    void stateChanged();

private:
    void useStoredDevice();
    void recordingEnded();
    void tell(const AudioStatus& status, qint64 droppedMs);

    AudioSystem& m_audio;
    Settings& m_settings;
    Prompts& m_prompts;
    RecordingDevice m_device;
    AudioEditor* m_editor = nullptr;
    std::unique_ptr<TrackPlayer> m_player;
    std::unique_ptr<TrackRecorder> m_recorder;
    bool m_recording = false;
};
