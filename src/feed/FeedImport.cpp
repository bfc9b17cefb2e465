#include "feed/FeedImport.h"

#include "common/Prompts.h"
#include "feed/DirectoryReader.h"
#include "feed/FeedDateTime.h"
#include "feed/FeedXml.h"

#include <QDateTime>

#include <cstring>
#include <string>

namespace {

// The href of the first link with the relation (an Atom link without rel is "alternate").
QString atomLink(const FeedXml& xml, const pugi::xml_node& parent, const char* rel)
{
    for (const pugi::xml_node& link : parent.children("link")) {
        const pugi::xml_attribute r = link.attribute("rel");
        const bool alternate = std::strcmp(rel, "alternate") == 0;
        if ((!r && alternate) || (r && xml.value(r) == QLatin1String(rel)))
            return xml.value(link.attribute("href"));
    }
    return {};
}

QString childText(const FeedXml& xml, const pugi::xml_node& parent, const char* name)
{
    const pugi::xml_node n = parent.child(name);
    return n ? xml.text(n) : QString();
}

// The first non-empty text among the children named, in order of preference.
QString firstOf(const FeedXml& xml, const pugi::xml_node& parent, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const QString t = childText(xml, parent, name);
        if (!t.isEmpty())
            return t;
    }
    return {};
}

// Atom "xhtml" text is markup inside one div; an RSS description holds HTML, so the markup
// is kept as written (references included) rather than flattened to its words.
QString xhtmlMarkup(const pugi::xml_node& node)
{
    struct Collect : pugi::xml_writer {
        std::string out;
        void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
    } writer;
    const pugi::xml_node div = node.find_child([](const pugi::xml_node& n) { return n.type() == pugi::node_element; });
    for (const pugi::xml_node& child : div.children())
        child.print(writer, "", pugi::format_raw | pugi::format_no_escapes);
    return QString::fromStdString(writer.out).trimmed();
}

// An Atom text construct (summary, content) as description text.
QString atomText(const FeedXml& xml, const pugi::xml_node& node)
{
    if (xml.value(node.attribute("type")) == QLatin1String("xhtml"))
        return xhtmlMarkup(node);
    return xml.text(node);
}

QString atomDescription(const FeedXml& xml, const pugi::xml_node& entry)
{
    for (const char* name : {"summary", "content"}) {
        const QString t = atomText(xml, entry.child(name));
        if (!t.isEmpty())
            return t;
    }
    return {};
}

QString feedDate(const QString& iso)
{
    const QString converted = isoDateToFeedDate(iso);
    return converted.isEmpty() ? iso : converted;
}

// Directory elements (itunes:, podcast: ...) of an Atom entry or RSS 1.0 item fill the
// episode's fields; nothing else of them is kept.
void readItemDirectory(DirectoryReader& dir, const pugi::xml_node& item, Episode& e)
{
    dir.beginItem(item, e);
    for (const pugi::xml_node& child : item.children())
        if (child.type() == pugi::node_element && std::strchr(child.name(), ':'))
            dir.itemChild(child, e);
    dir.endItem();
}

void importAtom(const FeedXml& xml, FeedDocument& d, Prompts* events)
{
    const pugi::xml_node feed = xml.root();
    Channel& c = d.channel;
    DirectoryReader dir(xml, c, false);
    dir.declareScope(feed);
    for (const pugi::xml_node& child : feed.children())
        if (child.type() == pugi::node_element && std::strchr(child.name(), ':'))
            dir.channelChild(child);
    c.title = childText(xml, feed, "title");
    c.link = atomLink(xml, feed, "alternate");
    c.description = withCrLf(firstOf(xml, feed, {"subtitle", "tagline"}));
    c.pubDate = feedDate(firstOf(xml, feed, {"updated", "modified"}));
    if (const QString lang = xml.value(feed.attribute("xml:lang")); !lang.isEmpty())
        c.language = lang;
    int counter = 0;
    for (const pugi::xml_node& entry : feed.children("entry")) {
        if (events && counter++ % 128 == 0)
            events->processEvents();
        Episode e;
        e.title = childText(xml, entry, "title");
        e.link = atomLink(xml, entry, "alternate");
        e.description = withCrLf(atomDescription(xml, entry));
        e.guid = childText(xml, entry, "id");
        e.pubDate = feedDate(firstOf(xml, entry, {"published", "issued", "updated", "modified"}));
        for (const pugi::xml_node& link : entry.children("link")) {
            if (xml.value(link.attribute("rel")) == QLatin1String("enclosure")) {
                e.enclosureUrl = xml.value(link.attribute("href"));
                e.enclosureLength = xml.value(link.attribute("length"));
                e.enclosureType = xml.value(link.attribute("type"));
                break;
            }
        }
        readItemDirectory(dir, entry, e);
        d.episodes.append(e);
    }
}

void importRdfItems(const FeedXml& xml, FeedDocument& d, Prompts* events)
{
    // RSS 1.0 names the channel's language and date with Dublin Core elements.
    const pugi::xml_node channel = xml.root().child("channel");
    DirectoryReader dir(xml, d.channel, false);
    dir.declareScope(xml.root());
    if (const QString lang = childText(xml, channel, "dc:language"); !lang.isEmpty())
        d.channel.language = lang;
    if (const QString date = childText(xml, channel, "dc:date"); !date.isEmpty())
        d.channel.pubDate = feedDate(date);
    int counter = 0;
    for (const pugi::xml_node& item : xml.root().children("item")) {
        if (events && counter++ % 128 == 0)
            events->processEvents();
        Episode e;
        e.title = childText(xml, item, "title");
        e.link = childText(xml, item, "link");
        e.description = withCrLf(childText(xml, item, "description"));
        e.pubDate = feedDate(childText(xml, item, "dc:date"));
        readItemDirectory(dir, item, e);
        d.episodes.append(e);
    }
}

} // namespace

QString isoDateToFeedDate(const QString& iso)
{
    const QDateTime parsed = QDateTime::fromString(iso.trimmed(), Qt::ISODateWithMs);
    if (!parsed.isValid())
        return {};
    const QDateTime utc = parsed.toUTC();
    const QDate date = utc.date();
    const QTime time = utc.time();
    return formatFeedDateGmt({static_cast<std::int16_t>(date.day()), static_cast<std::int16_t>(date.month()),
                              static_cast<std::int16_t>(date.year()), static_cast<std::int16_t>(time.hour()),
                              static_cast<std::int16_t>(time.minute()), static_cast<std::int16_t>(time.second())});
}

FeedType importFeed(const QString& text, FeedDocument& document, Prompts* events)
{
    return importFeedUtf8(text.toUtf8(), document, events);
}

FeedType importFeedUtf8(QByteArray text, FeedDocument& document, Prompts* events)
{
    FeedType type = FeedType::NotXml;
    // The reader leaves the parsed text for the Atom and RDF importers: one parse serves both.
    FeedXml xml;
    if (!readFeedXml(xml, std::move(text), document, events, &type))
        return FeedType::NotXml;
    if (type != FeedType::Atom && type != FeedType::Rdf)
        return type;
    if (type == FeedType::Atom)
        importAtom(xml, document, events);
    else
        importRdfItems(xml, document, events);
    return type;
}
