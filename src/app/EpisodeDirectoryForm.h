#pragma once

#include "app/DirectoryForm.h"

// The "Directories" page of the "Edit episode" window below its widgets: the episode's Apple
// Podcasts and Podcasting 2.0 fields, and its itunes:duration from the audio file.
class EpisodeDirectoryForm : public DirectoryFormOf<Episode> {
public:
    void load(const Episode& episode);
    QString reason(const QString& key) const override;

    // The length of the episode's audio, negative when unknown. An empty duration, or one the
    // audio filled before, takes it; a duration the user typed stays, and the reason beside it
    // tells the audio's length.
    void setAudioLength(double seconds);
    QString audioDuration() const { return m_audioDuration; }
    // "From audio": the audio's length into the duration, whatever it held.
    bool fillDurationFromAudio();

private:
    QString m_audioDuration; // HH:MM:SS of the audio, empty when unknown
    QString m_filled;        // what the audio last put into the duration
};
