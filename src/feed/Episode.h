#pragma once

#include "feed/DirectoryFields.h"

#include <QString>

// One item of the feed. Episodes have no identity of their own: their position is their name.
struct Episode {
    QString title;
    QString link;
    QString description;
    QString pubDate; // RFC 822 text, see FeedDateTime.h
    QString author;
    QString category;
    QString categoryDomain;
    QString guid;
    bool guidIsPermaLink = false;
    QString source;
    QString sourceUrl;
    QString enclosureUrl; // the enclosure exists only when this is set
    QString enclosureLength;
    QString enclosureType;
    QString enclosureFile; // local media file behind the enclosure; never written to the feed
    QString comments;

    // Podcast directories, written after source in this order, only when set.
    QString itunesTitle;       // itunes:title, the title without show name or numbers
    QString itunesDuration;    // itunes:duration, "HH:MM:SS" as formatItunesDuration writes it
    QString itunesEpisode;     // itunes:episode, a whole number
    QString itunesSeason;      // itunes:season, a whole number
    QString itunesEpisodeType; // itunes:episodeType: "full", "trailer" or "bonus"
    QString itunesExplicit;    // itunes:explicit: "true" or "false"
    QString itunesImage;       // href of itunes:image, the episode's own cover art
    QString itunesBlock;       // itunes:block: "Yes" hides the episode on Apple Podcasts
    QList<PodcastTranscript> podcastTranscripts; // podcast:transcript
    QString podcastChaptersUrl;  // podcast:chapters url
    QString podcastChaptersType; // podcast:chapters type, "application/json+chapters"
    QString podcastSeason;       // podcast:season text, a whole number
    QString podcastSeasonName;   // its name attribute
    QString podcastEpisode;      // podcast:episode text, a number (may have a fraction)
    QString podcastEpisodeDisplay; // its display attribute
    QList<PodcastSoundbite> podcastSoundbites; // podcast:soundbite
    QList<PodcastPerson> podcastPersons;       // podcast:person
    QString contentEncoded;      // content:encoded, the show notes as HTML

    KeptXml kept; // item children no field covers, and attributes of item and its elements

    bool operator==(const Episode&) const = default;
};
