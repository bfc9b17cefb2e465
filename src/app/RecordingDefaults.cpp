#include "app/RecordingDefaults.h"

#include "audio/AudioTypes.h"
#include "audio/RecordingDevice.h"
#include "store/Settings.h"

#include <QLocale>

#include <cmath>

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

void applyDefaultTags(AudioTags& tags, const Settings& s)
{
    tags.album = s.defAlbum;
    if (const auto track = wholeNumber(s.defTrack, -32768, 32767))
        tags.trackNumber = qint16(*track);
    tags.title = s.defTitle;
    tags.artist = s.defArtist;
    tags.comment = s.defComment;
    if (const auto year = wholeNumber(s.defYear, INT32_MIN, INT32_MAX))
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
