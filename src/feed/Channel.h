#pragma once

#include "feed/DirectoryFields.h"

#include <QString>

#include <array>

// The channel of the open podcast. An empty text means "not set"; nothing is validated on entry
// (ttl and dates hold whatever the user typed or the feed contained).
struct Channel {
    QString title;
    QString link;
    QString description;
    QString language;
    QString copyright;
    QString managingEditor;
    QString webMaster;
    QString pubDate; // RFC 822 text, see FeedDateTime.h
    QString category;
    QString categoryDomain;
    QString docs;
    QString ttl;
    std::array<bool, 7> skipDays{};   // 0 = Sunday ... 6 = Saturday
    std::array<bool, 24> skipHours{}; // hour 0 to 23
    QString imageUrl; // the feed's image block exists only when this is set
    QString imageTitle;
    QString imageLink;
    QString imageDescription;
    QString imageFile; // local path of the channel image; never written to the feed
    QString styleSheetHref; // the xml-stylesheet instruction exists only when this is set
    int styleSheetType = 0;  // 0 "text/xsl", 1 "text/css"
    int styleSheetMedia = 0; // 0 all, 1 screen, 2 print, 3 handheld, 4 projection, 5 tv

    // Podcast directories. Each field is one element written after the image block, only when
    // set (for lists: one element per entry), under the prefix the feed declared for its
    // namespace ("itunes", "podcast", "atom" when the feed declared none).
    QString itunesAuthor;      // itunes:author, the show's author as directories list it
    QString itunesOwnerName;   // itunes:owner/itunes:name, who Apple contacts
    QString itunesOwnerEmail;  // itunes:owner/itunes:email
    QString itunesImage;       // href of itunes:image: the cover art (JPEG or PNG URL, square)
    QList<ItunesCategory> itunesCategories; // itunes:category, first is the main one
    QString itunesExplicit;    // itunes:explicit: "true", "false" (older feeds: "yes", "clean")
    QString itunesType;        // itunes:type: "episodic" or "serial"
    QString itunesBlock;       // itunes:block: "Yes" keeps the show out of Apple's directory
    QString itunesComplete;    // itunes:complete: "Yes" when no more episodes will come
    QString itunesNewFeedUrl;  // itunes:new-feed-url, where the feed has moved to
    QString podcastGuid;       // podcast:guid, a UUIDv5 of the feed URL (podcastGuidForFeedUrl)
    QString podcastLocked;     // podcast:locked text: "yes" forbids other hosts to import the feed
    QString podcastLockedOwner; // its owner attribute, an e-mail address
    QList<PodcastFunding> podcastFunding; // podcast:funding
    QList<PodcastPerson> podcastPersons;  // podcast:person
    QString podcastMedium;     // podcast:medium: "podcast", "music", "video", "audiobook" ...
    QString podcastLicense;    // podcast:license text, e.g. "cc-by-4.0"
    QString podcastLicenseUrl; // its url attribute
    QString atomSelfLink;      // href of atom:link rel="self": the feed's own URL

    // From the source feed: namespace declarations of its rss element (written back when an
    // element of the namespace is), and what the channel held that no field covers.
    QList<XmlNamespace> namespaces;
    KeptXml kept;              // channel children, after the fields above; attributes of
                               // rss, channel and the channel's own elements
    QStringList keptImageElements; // children of image without a field ("width", "height")

    bool operator==(const Channel&) const = default;
};
