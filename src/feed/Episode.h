#pragma once

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

    bool operator==(const Episode&) const = default;
};
