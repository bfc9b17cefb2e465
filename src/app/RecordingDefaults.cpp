#include "app/RecordingDefaults.h"

#include "audio/AudioTypes.h"
#include "audio/RecordingDevice.h"
#include "store/Settings.h"

#include <QLocale>

#include <cmath>
#include <cstdint>

namespace recordingdefaults {

std::optional<qint64> wholeNumber(const QString& text, qint64 min, qint64 max)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < double(min) || rounded > double(max))
        return std::nullopt;
    return qint64(rounded);
}

namespace {

// A tag number is taken only when the text is exactly a whole number in range: rounding "7.5"
// or reading "" as 0 would write a value the user never typed.
std::optional<qint64> tagNumber(const QString& text, qint64 min, qint64 max)
{
    bool ok = false;
    const qint64 value = QLocale::c().toLongLong(text.trimmed(), &ok);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace

void applyDefaultTags(AudioTags& tags, const Settings& s)
{
    tags.album = s.defAlbum;
    if (const auto track = tagNumber(s.defTrack, INT16_MIN, INT16_MAX))
        tags.trackNumber = qint16(*track);
    tags.title = s.defTitle;
    tags.artist = s.defArtist;
    tags.comment = s.defComment;
    if (const auto year = tagNumber(s.defYear, INT32_MIN, INT32_MAX))
        tags.year = qint32(*year);
}

void takeFromSystem(Settings& s, AudioSystem& audio)
{
    RecordingDevice device(audio);
    s.recDevice = device.currentSystemDevice();
    s.recLine = device.defaultLineOf(s.recDevice);
    // The system's input level is not known to the sound layer; its streams record at full level.
    device.selectDevice(s.recDevice);
    device.selectLine(s.recLine);
    s.pVolMic = device.level();
}

} // namespace recordingdefaults
