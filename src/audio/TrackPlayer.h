#pragma once

#include "audio/AudioSystem.h"
#include "audio/SampleSequence.h"

#include <QObject>
#include <QTimer>

#include <memory>

class AudioEditor;

// Plays the editor's track on the output device: the selection when there is one, else from the
// cursor to the end (from the start when the cursor is at the end). At each tick the playing
// position goes out through the editor's position event and the output level through its level
// event. Edits made while it plays do not disturb it: it plays the track as it was at Play.
class TrackPlayer : public QObject {
    Q_OBJECT
public:
    TrackPlayer(AudioSystem& audio, AudioEditor& editor, QObject* parent = nullptr);
    ~TrackPlayer() override;

    void setBuffering(const AudioBuffering& buffering) { m_buffering = buffering.sane(); }
    AudioBuffering buffering() const { return m_buffering; }

    // Starts, or resumes after Pause. False when there is nothing to play or no device.
    bool Play();
    void Pause();
    void Stop();
    bool isPlaying() const { return m_stream != nullptr; } // paused included
    bool isPaused() const { return m_paused; }
    // The frame being heard.
    qint64 position() const;

signals:
    // Played to the end, or stopped.
    void stopped();

private:
    qint64 feed(float* out, qint64 frames);
    void tick();

    AudioSystem& m_audio;
    AudioEditor& m_editor;
    AudioBuffering m_buffering;
    std::unique_ptr<AudioOutputStream> m_stream;
    SampleSequence m_samples;
    int m_rate = 44100;
    qint64 m_start = 0, m_end = 0, m_fed = 0;
    bool m_paused = false;
    QTimer m_tick;
};
