#pragma once

#include "feed/Channel.h"
#include "feed/Episode.h"
#include "feed/FeedNamespaces.h"
#include "feed/FeedXml.h"

#include <QByteArray>

#include <initializer_list>
#include <vector>

template <class R>
struct SimpleTag;
template <class R, class Item>
struct ListTag;

// Reads the directory elements of a channel and its items into their fields, whatever prefix
// the feed gives their namespaces, and keeps what no field covers (elements whole, attributes
// of known elements by name) when `keep` is set (RSS feeds; an Atom or RSS 1.0 import only
// fills fields). An element whose shape the fields cannot hold, or a second one where the
// document has one field, is kept whole. Internal to the feed layer.
class DirectoryReader {
public:
    DirectoryReader(const FeedXml& xml, Channel& channel, bool keep);

    // Namespace declarations of the root and channel elements: they join the channel's list
    // (first declaration of a prefix wins) and the scope names are resolved in.
    void declareScope(const pugi::xml_node& element);
    // The known namespace of an element's name and its local part.
    FeedNs namespaceOf(const pugi::xml_node& element, const char** local) const;

    // A channel child the RSS reader has no field for: fills a directory field or is kept.
    void channelChild(const pugi::xml_node& child);

    // Per item: its declarations enter the scope until endItem; its attributes are kept.
    void beginItem(const pugi::xml_node& item, Episode& e);
    // An item child that is no RSS element: true when a field took it.
    bool itemChild(const pugi::xml_node& child, Episode& e);
    void endItem();

    // Attributes of a known element other than those `used`, kept under `key`; namespace
    // declarations join the scope's list instead.
    void keepAttributes(const pugi::xml_node& element, QLatin1String key,
                        std::initializer_list<const char*> used, KeptXml& kept);
    void keepElement(const pugi::xml_node& element, KeptXml& kept);
    void keepMarkup(const pugi::xml_node& element, QStringList& list);
    bool keeps() const { return m_keep; }

private:
    struct Binding {
        QByteArray prefix;
        QString uri;
        FeedNs ns;
    };
    void declare(const pugi::xml_attribute& a, bool join);
    // A declaration on an element inside the channel moves to the rss element where its
    // prefix is free there.
    void hoist(const pugi::xml_attribute& a);
    bool isDeclaration(const pugi::xml_attribute& a) const;
    template <class R>
    bool readSimple(const pugi::xml_node& el, R& r, const SimpleTag<R>& tag, unsigned bit,
                    unsigned& seen);
    template <class R, class Item>
    bool readList(const pugi::xml_node& el, R& r, const ListTag<R, Item>& tag);
    bool readOwner(const pugi::xml_node& el);
    bool readCategory(const pugi::xml_node& el);
    bool readSelfLink(const pugi::xml_node& el);

    const FeedXml& m_xml;
    Channel& m_channel;
    bool m_keep;
    std::vector<Binding> m_scope;    // innermost last
    size_t m_channelScope = 0;       // bindings below this index belong to rss and channel
    QList<XmlNamespace> m_itemExtra; // item declarations the rss element cannot carry
    unsigned m_channelSeen = 0;      // which single-valued channel elements were read
    unsigned m_itemSeen = 0;
};
