#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Value types of the podcast-directory fields (Apple Podcasts' itunes: namespace and the
// Podcasting 2.0 podcast: namespace) and of what a feed holds that the document has no field
// for. Every value is text as the feed holds it; nothing is validated on entry (see
// DirectoryValues.h for the checks the windows show).

// itunes:category text="..." with its nested itunes:category elements (Apple allows one level).
struct ItunesCategory {
    QString text;              // a top-level name of Apple's list, AppleCategories.h
    QStringList subcategories; // usually none or one
    bool operator==(const ItunesCategory&) const = default;
};

// podcast:funding url="...">text</podcast:funding>
struct PodcastFunding {
    QString url;
    QString text; // what the link asks for, e.g. "Support the show"
    bool operator==(const PodcastFunding&) const = default;
};

// podcast:person role group img href>name</podcast:person>, on the channel or an item.
struct PodcastPerson {
    QString name;
    QString role;  // "host", "guest" ... (the namespace's taxonomy); empty means host
    QString group; // "cast", "writing" ...; empty means cast
    QString img;   // picture URL
    QString href;  // web page URL
    bool operator==(const PodcastPerson&) const = default;
};

// podcast:transcript url type language rel/
struct PodcastTranscript {
    QString url;
    QString type;     // "text/vtt", "application/x-subrip", "text/html", "application/json" ...
    QString language; // e.g. "en"
    QString rel;      // "captions" when the file is timed captions
    bool operator==(const PodcastTranscript&) const = default;
};

// podcast:soundbite startTime duration>title</podcast:soundbite>
struct PodcastSoundbite {
    QString startTime; // seconds, may hold a fraction
    QString duration;  // seconds
    QString title;
    bool operator==(const PodcastSoundbite&) const = default;
};

// A namespace declaration of the feed's rss element, as the source spelled it.
struct XmlNamespace {
    QString prefix; // empty for a default namespace
    QString uri;
    bool operator==(const XmlNamespace&) const = default;
};

// An attribute the document has no field for, on an element it does have fields for.
struct KeptAttribute {
    // The element: "channel", "item", "rss" (channel only), an RSS element name ("enclosure")
    // or a directory element by its usual name ("itunes:image"), whatever prefix the feed uses.
    QString element;
    QString name;  // qualified as in the source ("xml:lang", "foo:bar")
    QString value; // the attribute's text, references resolved
    bool operator==(const KeptAttribute&) const = default;
};

// What the reader found in a channel or item that has no field: the writer puts the elements
// back after its own, in this order, and the attributes on the elements they came with.
struct KeptXml {
    QStringList elements; // each one element as XML markup, escaped, prefixes as in the source
    QList<KeptAttribute> attributes;
    bool isEmpty() const { return elements.isEmpty() && attributes.isEmpty(); }
    bool operator==(const KeptXml&) const = default;
};
