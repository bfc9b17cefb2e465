#pragma once

#include "audio/AudioSystem.h"
#include "audio/AudioTypes.h"

#include <QObject>
#include <QTimer>

#include <memory>

class AudioEditor;
class RecordingDevice;

// Records from the chosen device and line into the editor's track at the cursor. The device keeps
// what arrives in its own buffer; at each tick the recorder hands it to the track in one block, so
// the waveform grows, and reports the input level through the editor's level event. A device that
// goes away ends the recording with everything recorded until then in the track.
class TrackRecorder : public QObject {
    Q_OBJECT
public:
    TrackRecorder(AudioSystem& audio, AudioEditor& editor, RecordingDevice& device, QObject* parent = nullptr);
    ~TrackRecorder() override;

    // False, with the track unchanged, when there is no track or no device to record from.
    bool Record();
    // Ends the recording: what was recorded becomes one undo step. The status tells when the
    // samples could not all be stored (the temporary folder is full).
    AudioStatus Stop();
    bool isRecording() const { return m_stream != nullptr; }

    // Of the last recording: milliseconds the device dropped (an overrun), and whether the device
    // went away.
    qint64 droppedMs() const { return m_droppedMs; }
    bool deviceLost() const { return m_lost; }
    // How the recording that ended by itself was stored.
    AudioStatus endStatus() const { return m_status; }

signals:
    // The recording ended by itself (the device went away or the track could not take more).
    void ended();

private:
    void tick();
    void collect();

    AudioSystem& m_audio;
    AudioEditor& m_editor;
    RecordingDevice& m_device;
    std::unique_ptr<AudioInputStream> m_stream;
    QTimer m_tick;
    AudioStatus m_status;
    qint64 m_droppedMs = 0;
    bool m_lost = false;
};
