#pragma once

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

    bool operator==(const Channel&) const = default;
};
