#pragma once

#include <QString>

class AudioSystem;
class PanelRecorder;
class Prompts;
struct Settings;

// The recorder panel beside "Choose...": Record, Play and Stop of the panel's MP3 recorder with the
// encoder options and the recording device of the settings, and the volume slider, whose value is
// the playback volume of the whole program. A missing encoder is told once, then shown in the
// panel; a system without a recording device records nothing, quietly.
class RecorderPanelLogic {
public:
    RecorderPanelLogic(PanelRecorder& recorder, AudioSystem& audio, const Settings& settings, Prompts& prompts)
        : m_recorder(recorder), m_audio(audio), m_settings(settings), m_prompts(prompts)
    {
    }

    static QString encoderMissingText() { return QStringLiteral("The MP3 encoder lame was not found."); }

    // True when a recording started.
    bool record();
    void stop();
    bool play();
    // The encoder finished the file (ok) or failed on it.
    void encoded(bool ok);

    int volume() const;
    void setVolume(int percent);

    // What the panel shows under its buttons.
    QString statusText() const { return m_status; }

private:
    PanelRecorder& m_recorder;
    AudioSystem& m_audio;
    const Settings& m_settings;
    Prompts& m_prompts;
    bool m_toldEncoderMissing = false;
    QString m_status;
};
