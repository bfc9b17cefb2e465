#pragma once

#include "audio/AudioSystem.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <memory>

class FileStreams;

// The recorder panel's simple recorder: records from a device and encodes to MP3 while it records,
// feeding the lame program a WAV stream on its standard input; the file is "Temp/currenttrack.mp3"
// in the home folder, overwritten by every recording. Play plays the last recording from its start.
class PanelRecorder : public QObject {
    Q_OBJECT
public:
    enum class Start { Recording, EncoderMissing, NoDevice, EncoderFailed };

    struct Options {
        bool stereo = true;
        int bitrateKbps = 64;
        // The rate the encoder is told; the recording is made at the same rate so the file plays
        // at the right speed.
        int sampleRate = 44100;
        int device = AudioSystem::kDefaultDevice;
        float gain = 1.0f;
        AudioBuffering buffering;
    };

    PanelRecorder(AudioSystem& audio, FileStreams& streams, QString homeFolder, QObject* parent = nullptr);
    ~PanelRecorder() override;

    Start Record(const Options& options);
    // Ends the recording (the encoder then finishes the file), or else the play-back.
    void Stop();
    // Plays the last recording from its start; false when there is none or no output device.
    bool Play();

    bool isRecording() const { return m_input != nullptr; }
    // The encoder is still writing the file.
    bool isEncoding() const { return m_encoder.state() != QProcess::NotRunning; }
    QString outputFile() const;

signals:
    // The encoder finished the file; ok when it ended without an error.
    void encoded(bool ok);
    // Input level while recording, 0..100 a side.
    void levels(int left, int right);

private:
    void tick();
    void writeFrames(const std::vector<float>& frames);

    AudioSystem& m_audio;
    FileStreams& m_streams;
    QString m_home;
    std::unique_ptr<AudioInputStream> m_input;
    QProcess m_encoder;
    quint32 m_playback = 0;
    QTimer m_tick;
};
