#pragma once

#include "feed/FeedDocument.h"
#include "feed/FeedNamespaces.h"
#include "feed/FeedText.h"

#include <initializer_list>

template <class R>
struct SimpleTag;
template <class R, class Item>
struct ListTag;

// Writes the directory fields, the kept elements and attributes, and the namespace
// declarations they need. Internal to the feed layer: the RSS writer calls it at the places
// its layout leaves for them. A document without any of these writes nothing here.
class DirectoryWriter {
public:
    explicit DirectoryWriter(const FeedDocument& document);

    // Declarations and kept attributes of the rss start tag, each with a leading blank.
    void writeRssAttributes(FeedText& out) const;
    // Kept attributes of the channel or item start tag (element "channel" or "item").
    static void writeOwnAttributes(FeedText& out, const KeptXml& kept, QLatin1String element);
    // The channel's directory elements and its kept elements, each followed by WS.
    void writeChannel(FeedText& out, const Channel& c) const;
    // The same for an item, after its source element.
    void writeItem(FeedText& out, const Episode& e) const;
    // Kept children of image; width and height only when the writer did not write its own.
    static void writeImageKept(FeedText& out, const Channel& c, bool wroteSize);

private:
    template <class R>
    void simple(FeedText& out, const R& r, const SimpleTag<R>& tag) const;
    template <class R, class Item>
    void list(FeedText& out, const R& r, const ListTag<R, Item>& tag) const;
    QualifiedName name(FeedNs ns, const char* key) const;

    QString m_prefix[feedns::kKnownCount];
    QString m_declarations; // " xmlns:itunes=\"...\"" ... for the rss start tag
};

// Kept attributes of an RSS element ("enclosure"), leaving out names the writer wrote itself.
void writeKeptAttributes(FeedText& out, const KeptXml& kept, QLatin1String element,
                         std::initializer_list<const char*> written = {});
bool hasKeptAttributes(const KeptXml& kept, QLatin1String element);
