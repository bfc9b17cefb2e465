#pragma once

#include "feed/Channel.h"

#include <QString>

// Values of the directory fields: what the program fills in, and the checks the windows show
// beside a field. A check returns the reason a value is wrong, empty when it is fine (an empty
// value is fine: the element is then not written). Nothing here changes what the user typed.
namespace dirvalues {

// podcast:guid for a feed URL: the UUIDv5 in the podcast namespace of the URL without its
// scheme ("https://") and trailing slashes, in lower case with hyphens.
QString podcastGuidForFeedUrl(const QString& feedUrl);

// Sets the feed's own URL (atom:link rel="self"); the first time a web address is set on a
// channel without podcast:guid, the guid is generated from it.
void setFeedUrl(Channel& channel, const QString& url);
// podcast:guid from the channel's feed URL, replacing the one there (the user asked for it).
// Returns why it cannot be made (no feed URL, or not a web address); the guid then stays.
QString generatePodcastGuid(Channel& channel);

// itunes:duration as HH:MM:SS of the seconds rounded to the nearest whole second
// (3725.4 → "01:02:05"); hours go past 99 when needed. Empty for a negative or unknown length.
QString formatItunesDuration(double seconds);
// Seconds of an itunes:duration text ("754", "12:34", "01:02:05"); -1 when it is none of these.
qint64 parseItunesDuration(const QString& text);

QString checkEmail(const QString& text);
QString checkWholeNumber(const QString& text);   // itunes:episode, itunes:season, podcast:season
QString checkNumber(const QString& text);        // podcast:episode (a fraction allowed)
QString checkWebUrl(const QString& text);        // an http or https address
QString checkImageUrl(const QString& text);      // the same, naming a .jpg, .jpeg or .png file
QString checkDuration(const QString& text);
QString checkTrueFalse(const QString& text);     // itunes:explicit
QString checkOneOf(const QString& text, const QStringList& allowed);
QString checkUuid(const QString& text);          // podcast:guid
QString checkCategory(const QString& category, const QString& subcategory);

} // namespace dirvalues
