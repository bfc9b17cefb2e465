#pragma once

#include <QString>

#include <optional>

class AudioSystem;
struct AudioTags;
struct Settings;

namespace recordingdefaults {

// A text read as a whole number the way the settings' numbers are typed: blanks around it are
// ignored, a fraction is rounded; nothing when it is no number or out of [min, max].
std::optional<qint64> wholeNumber(const QString& text, qint64 min, qint64 max);

// The default tags of a recording into a new track, in this order: album, track number, title,
// artist, comment, year. A track number or year that is empty, not a whole number or out of the
// tag's range leaves that tag as it was.
void applyDefaultTags(AudioTags& tags, const Settings& settings);

// First start: the recording device, its line and that line's level as the system has them.
void takeFromSystem(Settings& settings, AudioSystem& audio);

} // namespace recordingdefaults
