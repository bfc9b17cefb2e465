#include "feed/FeedReader.h"

#include "common/ProductInfo.h"
#include "common/Prompts.h"
#include "feed/DirectoryReader.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedXml.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

namespace {

// Events run before the first channel child and then before every this many.
constexpr int kEventInterval = 128;

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMediaNames[] = {"all", "screen", "print", "handheld", "projection", "tv"};

// The leading number of a text rounded to the nearest integer ("7", " 8", "7.6"); no number
// gives -1.
int leadingHour(const QString& s)
{
    bool ok = false;
    const QString t = s.trimmed();
    qsizetype end = 0;
    while (end < t.size() && (t[end].isDigit() || t[end] == QLatin1Char('.')
                              || (end == 0 && (t[end] == QLatin1Char('-') || t[end] == QLatin1Char('+')))))
        ++end;
    const double v = t.left(end).toDouble(&ok);
    if (!ok)
        return -1;
    const double rounded = v < 0 ? v - 0.5 : v + 0.5;
    return rounded > -1000 && rounded < 1000 ? static_cast<int>(rounded) : -1;
}

// One pseudo-attribute of the style sheet instruction: the name must stand on its own (so
// "href" inside a value such as "/media/feed.xsl" is not taken for "media"), the value is quoted
// by whichever mark follows the "=".
QString pseudoAttribute(const QString& content, QLatin1String name)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = content.indexOf(name, from, Qt::CaseInsensitive);
        if (at < 0)
            return {};
        from = at + 1;
        if (at > 0 && !content[at - 1].isSpace())
            continue;
        qsizetype i = at + name.size();
        while (i < content.size() && content[i].isSpace())
            ++i;
        if (i >= content.size() || content[i] != QLatin1Char('='))
            continue;
        ++i;
        while (i < content.size() && content[i].isSpace())
            ++i;
        if (i >= content.size() || (content[i] != QLatin1Char('"') && content[i] != QLatin1Char('\'')))
            return {};
        const qsizetype close = content.indexOf(content[i], i + 1);
        if (close < 0)
            return {};
        return content.mid(i + 1, close - i - 1).trimmed();
    }
}

// Whether the UTF-8 text at `at` starts with `open`, in any letter case (as QString compares).
bool startsNoCase(QByteArrayView raw, qsizetype at, QLatin1String open)
{
    const QByteArrayView window = raw.sliced(at, qMin(raw.size() - at, open.size()));
    bool ascii = true;
    for (const char c : window)
        ascii = ascii && static_cast<uchar>(c) < 0x80;
    if (ascii)
        return window.compare(QByteArrayView(open.data(), open.size()), Qt::CaseInsensitive) == 0;
    // Characters outside ASCII may fold to ASCII letters: let QString decide.
    const QString text = QString::fromUtf8(raw.sliced(at, qMin(raw.size() - at, open.size() * 4)));
    return QStringView(text).left(open.size()).compare(open, Qt::CaseInsensitive) == 0;
}

void readStyleSheet(QByteArrayView raw, Channel& c)
{
    static const QLatin1String open("<?xml-stylesheet");
    QString href, type, media;
    // The instruction belongs before the root element: only the prolog is searched, so that
    // a large feed is not scanned whole and text inside CDATA cannot pose as the instruction.
    qsizetype start = -1;
    for (qsizetype at = raw.indexOf('<'); at >= 0 && at + 1 < raw.size(); at = raw.indexOf('<', at + 1)) {
        const char next = raw[at + 1];
        if (next != '?' && next != '!')
            break;
        if (startsNoCase(raw, at, open)) {
            start = at;
            break;
        }
    }
    if (start >= 0) {
        // The name is ASCII, so it takes as many bytes as characters.
        const qsizetype end = raw.indexOf("?>", start + open.size());
        if (end >= 0) {
            const QString content = QString::fromUtf8(raw.sliced(start + open.size(), end - start - open.size()));
            href = pseudoAttribute(content, QLatin1String("href"));
            type = pseudoAttribute(content, QLatin1String("type"));
            media = pseudoAttribute(content, QLatin1String("media"));
        }
    }
    c.styleSheetHref = href;
    c.styleSheetType = 0;
    c.styleSheetMedia = 0;
    if (href.isEmpty())
        return;
    if (type == QLatin1String("text/css"))
        c.styleSheetType = 1;
    for (int i = 0; i < 6; ++i)
        if (media == QLatin1String(kMediaNames[i]))
            c.styleSheetMedia = i;
}

void readImage(const FeedXml& xml, const pugi::xml_node& image, Channel& c, DirectoryReader& dir)
{
    if (image.first_attribute())
        dir.keepAttributes(image, QLatin1String("image"), {}, c.kept);
    for (const pugi::xml_node& child : image.children()) {
        if (child.type() != pugi::node_element)
            continue;
        if (named(child, "url"))
            c.imageUrl = xml.text(child);
        else if (named(child, "temp"))
            c.imageFile = xml.text(child);
        else if (named(child, "title"))
            c.imageTitle = xml.text(child);
        else if (named(child, "link"))
            c.imageLink = xml.text(child);
        else if (named(child, "description"))
            c.imageDescription = xml.text(child);
        else
            dir.keepMarkup(child, c.keptImageElements);
    }
}

// The name of the element's first attribute when it is `name` (the reader looks at the first
// attribute only), else "" (which no attribute is named).
const char* firstNamed(const pugi::xml_node& node, const char* name)
{
    return named(node.first_attribute(), name) ? name : "";
}

// The RSS elements of an item, in the order of Episode's fields.
enum ItemElement { kTitle, kLink, kPubDate, kAuthor, kComments, kDescription, kCategory, kSource,
                   kGuid, kEnclosure, kItemElements };
const char* const kItemElementNames[kItemElements] = {"title", "link", "pubDate", "author",
                                                      "comments", "description", "category",
                                                      "source", "guid", "enclosure"};

int itemElement(const pugi::xml_node& child)
{
    for (int i = 0; i < kItemElements; ++i)
        if (named(child, kItemElementNames[i]))
            return i;
    return -1;
}

// Fills `e`, a new episode in place in the document's list (an Episode is large to move).
void readItem(const FeedXml& xml, const pugi::xml_node& item, DirectoryReader& dir, Episode& e)
{
    dir.beginItem(item, e);
    // An element that comes twice fills its field from the first; the others go back after the
    // fields, as the elements no field covers do, so that saving again changes nothing.
    pugi::xml_node seen[kItemElements];
    QVarLengthArray<pugi::xml_node, 8> kept;
    bool reordered = false;
    for (const pugi::xml_node& child : item.children()) {
        if (child.type() != pugi::node_element)
            continue;
        const int which = itemElement(child);
        if (which < 0) {
            if (!dir.itemChild(child, e))
                kept.append(child);
            continue;
        }
        if (seen[which]) {
            kept.append(child);
            continue;
        }
        seen[which] = child;
        const pugi::xml_attribute first = child.first_attribute();
        switch (which) {
        case kTitle: e.title = xml.text(child); break;
        case kLink: e.link = xml.text(child); break;
        case kPubDate: e.pubDate = xml.text(child); break;
        case kAuthor: e.author = xml.text(child); break;
        case kComments: e.comments = xml.text(child); break;
        case kDescription: e.description = withCrLf(xml.text(child)); break;
        case kCategory:
            e.category = xml.text(child);
            if (named(first, "domain"))
                e.categoryDomain = xml.value(first);
            break;
        case kSource:
            e.source = xml.text(child);
            if (named(first, "url"))
                e.sourceUrl = xml.value(first);
            break;
        case kGuid:
            e.guid = xml.text(child);
            if (named(first, "isPermaLink")) {
                const QString v = xml.value(first);
                if (v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                    e.guidIsPermaLink = true;
                else if (v.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                    e.guidIsPermaLink = false;
            }
            break;
        case kEnclosure:
            for (const pugi::xml_attribute& a : child.attributes()) {
                if (named(a, "url"))
                    e.enclosureUrl = xml.value(a);
                else if (named(a, "length"))
                    e.enclosureLength = xml.value(a);
                else if (named(a, "type"))
                    e.enclosureType = xml.value(a);
            }
            break;
        }
    }
    if (dir.keeps()) {
        for (int i = 0; i < kItemElements; ++i) {
            const pugi::xml_node& node = seen[i];
            if (!node || !node.first_attribute())
                continue;
            // An enclosure without url or a guid without text is not written from the fields:
            // it goes back whole.
            if ((i == kEnclosure && !node.attribute("url")) || (i == kGuid && e.guid.isEmpty())) {
                kept.append(node);
                reordered = true;
                continue;
            }
            const QLatin1String name(kItemElementNames[i]);
            if (i == kEnclosure)
                dir.keepAttributes(node, name, {"url", "length", "type"}, e.kept);
            else if (i == kCategory)
                dir.keepAttributes(node, name, {firstNamed(node, "domain")}, e.kept);
            else if (i == kSource)
                dir.keepAttributes(node, name, {firstNamed(node, "url")}, e.kept);
            else if (i == kGuid)
                dir.keepAttributes(node, name, {firstNamed(node, "isPermaLink")}, e.kept);
            else
                dir.keepAttributes(node, name, {}, e.kept);
        }
        if (reordered)
            std::sort(kept.begin(), kept.end(), [](const pugi::xml_node& a, const pugi::xml_node& b) {
                return a.offset_debug() < b.offset_debug();
            });
        for (const pugi::xml_node& node : kept)
            dir.keepElement(node, e.kept);
    }
    dir.endItem();
}

FeedType typeOf(const FeedXml& xml)
{
    const pugi::xml_node root = xml.root();
    if (named(root, "rss"))
        return FeedType::Rss;
    if (named(root, "feed")) {
        const QString ns = xml.value(root.attribute("xmlns")).toLower();
        if (ns == QLatin1String("http://www.w3.org/2005/atom")
            || ns == QLatin1String("http://purl.org/atom/ns#"))
            return FeedType::Atom;
    }
    // RSS 1.0 files have the root rdf:RDF.
    QByteArrayView local(root.name());
    if (const qsizetype colon = local.indexOf(':'); colon >= 0)
        local = local.sliced(colon + 1);
    if (local.compare("rdf", Qt::CaseInsensitive) == 0)
        return FeedType::Rdf;
    return FeedType::NotXml;
}

} // namespace

bool readFeed(const QString& text, FeedDocument& document, Prompts* events, FeedType* type)
{
    return readFeedUtf8(text.toUtf8(), document, events, type);
}

bool readFeedUtf8(QByteArray text, FeedDocument& document, Prompts* events, FeedType* type)
{
    FeedXml xml;
    return readFeedXml(xml, std::move(text), document, events, type);
}

bool readFeedXml(FeedXml& xml, QByteArray text, FeedDocument& document, Prompts* events,
                 FeedType* type)
{
    document.loadFailed = false;
    // The style sheet comes from the raw text, which the parse changes in place.
    Channel styleSheet;
    readStyleSheet(text, styleSheet);
    if (!xml.loadUtf8(std::move(text))) {
        document.loadFailed = true;
        if (type)
            *type = FeedType::NotXml;
        return false;
    }
    const FeedType feedType = typeOf(xml);
    if (type)
        *type = feedType;
    Channel& c = document.channel;

    // One XPath pass finds every channel; the field patterns ("//channel/title": the first
    // title child of any channel, in document order) are then answered from that set in one
    // walk over the channels' children instead of one walk over the whole document per field,
    // which matters for feeds of 10,000 items.
    static const pugi::xpath_query channelsQuery("//channel");
    const pugi::xpath_node_set channels = channelsQuery.evaluate_node_set(xml.document());
    // The channel fields in the order of the table below, then category, skipDays, skipHours.
    static const char* const names[] = {"title", "link", "description", "managingEditor",
                                        "copyright", "pubDate", "webMaster", "docs", "ttl",
                                        "language", "category"};
    static QString Channel::*const members[] = {
        &Channel::title, &Channel::link, &Channel::description, &Channel::managingEditor,
        &Channel::copyright, &Channel::pubDate, &Channel::webMaster, &Channel::docs,
        &Channel::ttl, &Channel::language};
    constexpr int kNames = int(std::size(names));
    pugi::xml_node found[kNames];
    std::vector<pugi::xml_node> skipDays, skipHours; // of the first channel
    for (const pugi::xpath_node& ch : channels) {
        pugi::xml_node first[kNames];
        const bool firstChannel = ch == channels.first();
        for (const pugi::xml_node& child : ch.node().children()) {
            if (child.type() != pugi::node_element || named(child, "item"))
                continue;
            if (firstChannel && named(child, "skipDays"))
                skipDays.push_back(child);
            else if (firstChannel && named(child, "skipHours"))
                skipHours.push_back(child);
            for (int i = 0; i < kNames; ++i) {
                if (!first[i] && named(child, names[i])) {
                    first[i] = child;
                    break;
                }
            }
        }
        for (int i = 0; i < kNames; ++i)
            if (first[i] && (!found[i] || first[i].offset_debug() < found[i].offset_debug()))
                found[i] = first[i];
    }
    for (int i = 0; i < kNames - 1; ++i) {
        if (found[i]) {
            const QString value = xml.text(found[i]);
            c.*members[i] = members[i] == &Channel::description ? withCrLf(value) : value;
        }
    }
    if (const pugi::xml_node category = found[kNames - 1]) {
        const QString value = xml.text(category);
        if (!value.isEmpty())
            c.category = value;
        const pugi::xml_attribute first = category.first_attribute();
        if (named(first, "domain"))
            c.categoryDomain = xml.value(first);
    }

    c.styleSheetHref = styleSheet.styleSheetHref;
    c.styleSheetType = styleSheet.styleSheetType;
    c.styleSheetMedia = styleSheet.styleSheetMedia;

    const pugi::xml_node channel = channels.empty() ? pugi::xml_node() : channels.first().node();
    for (const pugi::xml_node& skip : skipDays) {
        for (const pugi::xml_node& day : skip.children()) {
            if (day.type() != pugi::node_element)
                continue;
            const QString name = xml.text(day);
            for (int d = 0; d < 7; ++d)
                if (name == QLatin1String(kDayNames[d]))
                    c.skipDays[d] = true;
        }
    }
    for (const pugi::xml_node& skip : skipHours) {
        for (const pugi::xml_node& hour : skip.children()) {
            if (hour.type() != pugi::node_element)
                continue;
            const int h = leadingHour(xml.text(hour));
            if (h >= 0 && h <= 23)
                c.skipHours[h] = true;
        }
    }

    // What no field covers is kept for RSS feeds only: an RSS 1.0 channel's own vocabulary
    // would be out of place in the RSS 2.0 the program writes.
    DirectoryReader dir(xml, c, feedType == FeedType::Rss);
    dir.declareScope(xml.root());
    if (channel && channel != xml.root())
        dir.declareScope(channel);
    if (dir.keeps()) {
        if (xml.root().first_attribute())
            dir.keepAttributes(xml.root(), QLatin1String("rss"), {"version"}, c.kept);
        if (channel.first_attribute())
            dir.keepAttributes(channel, QLatin1String("channel"), {}, c.kept);
        for (int i = 0; i < kNames; ++i) {
            if (found[i] && found[i].parent() == channel && found[i].first_attribute())
                dir.keepAttributes(found[i], QLatin1String(names[i]),
                                   {i == kNames - 1 ? firstNamed(found[i], "domain") : ""}, c.kept);
        }
    }
    const auto isFound = [&found](const pugi::xml_node& n) {
        return std::find(std::begin(found), std::end(found), n) != std::end(found);
    };

    // The list is sized once: growing it would move every episode read so far.
    qsizetype items = 0;
    for (const pugi::xml_node& child : channel.children("item"))
        items += child.type() == pugi::node_element;
    document.episodes.reserve(document.episodes.size() + items);

    int counter = 0;
    for (const pugi::xml_node& child : channel.children()) {
        if (child.type() != pugi::node_element)
            continue;
        if (events && counter++ % kEventInterval == 0)
            events->processEvents();
        if (named(child, "image"))
            readImage(xml, child, c, dir);
        else if (named(child, "item"))
            readItem(xml, child, dir, document.episodes.emplace_back());
        else if (!isFound(child) && !named(child, "skipDays") && !named(child, "skipHours")
                 && !named(child, "generator"))
            dir.channelChild(child);
    }
    return true;
}

FeedType detectFeedType(const QString& text)
{
    FeedXml xml;
    if (!xml.load(text))
        return FeedType::NotXml;
    return typeOf(xml);
}

QString stripDocumentType(const QString& text)
{
    const qsizetype start = text.indexOf(QLatin1String("<!DOCTYPE"), 0, Qt::CaseInsensitive);
    if (start < 0)
        return text;
    const qsizetype firstClose = text.indexOf(QLatin1Char('>'), start);
    const qsizetype bracket = text.indexOf(QLatin1Char('['), start);
    qsizetype end = firstClose;
    if (bracket >= 0 && (firstClose < 0 || bracket < firstClose)) {
        // An internal subset: it ends at a "]" that only blanks separate from the ">" of the
        // declaration, wherever line breaks put them.
        end = -1;
        for (qsizetype close = text.indexOf(QLatin1Char(']'), bracket); close >= 0 && end < 0;
             close = text.indexOf(QLatin1Char(']'), close + 1)) {
            qsizetype next = close + 1;
            while (next < text.size() && text.at(next).isSpace())
                ++next;
            if (next < text.size() && text.at(next) == QLatin1Char('>'))
                end = next;
        }
    }
    if (end < 0)
        return text;
    QString result = text;
    result.remove(start, end - start + 1);
    return result;
}

void reportUnreadableFeed(const QString& address, Prompts& prompts)
{
    const QString question = QStringLiteral("Cannot load RSS/RDF/Atom feed:\r\n") + address
        + QStringLiteral("\r\n\r\nWould you like to validate this feed?");
    if (prompts.askYesNo(question, MessageIcon::Exclamation))
        prompts.openUrl(QLatin1String(product::kFeedValidator) + QLatin1String("/check?url=") + address);
}

QString feedTitleOfFile(const QString& path)
{
    FeedFileUtf8 file = readFeedFileUtf8(path);
    if (file.status != FeedFileText::Status::Ok || file.utf8.isEmpty())
        return {};
    FeedXml xml;
    if (!xml.loadUtf8(std::move(file.utf8)) || !named(xml.root(), "rss"))
        return {};
    static const pugi::xpath_query titleQuery("//channel/title");
    return xml.firstText(titleQuery).value_or(QString());
}
