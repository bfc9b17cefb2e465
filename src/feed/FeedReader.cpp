#include "feed/FeedReader.h"

#include "common/ProductInfo.h"
#include "common/Prompts.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedXml.h"

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

void readStyleSheet(const QString& raw, Channel& c)
{
    static const QLatin1String open("<?xml-stylesheet");
    QString href, type, media;
    // The instruction belongs before the root element: only the prolog is searched, so that
    // a large feed is not scanned whole and text inside CDATA cannot pose as the instruction.
    qsizetype start = -1;
    for (qsizetype at = raw.indexOf(QLatin1Char('<')); at >= 0 && at + 1 < raw.size();
         at = raw.indexOf(QLatin1Char('<'), at + 1)) {
        const QChar next = raw[at + 1];
        if (next != QLatin1Char('?') && next != QLatin1Char('!'))
            break;
        if (QStringView(raw).mid(at, open.size()).compare(open, Qt::CaseInsensitive) == 0) {
            start = at;
            break;
        }
    }
    if (start >= 0) {
        const qsizetype end = raw.indexOf(QLatin1String("?>"), start + open.size());
        if (end >= 0) {
            const QString content = raw.mid(start + open.size(), end - start - open.size());
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

void readImage(const FeedXml& xml, const pugi::xml_node& image, Channel& c)
{
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
    }
}

Episode readItem(const FeedXml& xml, const pugi::xml_node& item)
{
    Episode e;
    for (const pugi::xml_node& child : item.children()) {
        if (child.type() != pugi::node_element)
            continue;
        const pugi::xml_attribute first = child.first_attribute();
        if (named(child, "title")) {
            e.title = xml.text(child);
        } else if (named(child, "link")) {
            e.link = xml.text(child);
        } else if (named(child, "pubDate")) {
            e.pubDate = xml.text(child);
        } else if (named(child, "author")) {
            e.author = xml.text(child);
        } else if (named(child, "comments")) {
            e.comments = xml.text(child);
        } else if (named(child, "description")) {
            e.description = withCrLf(xml.text(child));
        } else if (named(child, "category")) {
            e.category = xml.text(child);
            if (named(first, "domain"))
                e.categoryDomain = xml.value(first);
        } else if (named(child, "source")) {
            e.source = xml.text(child);
            if (named(first, "url"))
                e.sourceUrl = xml.value(first);
        } else if (named(child, "guid")) {
            e.guid = xml.text(child);
            if (named(first, "isPermaLink")) {
                const QString v = xml.value(first);
                if (v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                    e.guidIsPermaLink = true;
                else if (v.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                    e.guidIsPermaLink = false;
            }
        } else if (named(child, "enclosure")) {
            for (const pugi::xml_attribute& a : child.attributes()) {
                if (named(a, "url"))
                    e.enclosureUrl = xml.value(a);
                else if (named(a, "length"))
                    e.enclosureLength = xml.value(a);
                else if (named(a, "type"))
                    e.enclosureType = xml.value(a);
            }
        }
    }
    return e;
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
    document.loadFailed = false;
    FeedXml xml;
    if (!xml.load(text)) {
        document.loadFailed = true;
        if (type)
            *type = FeedType::NotXml;
        return false;
    }
    if (type)
        *type = typeOf(xml);
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

    readStyleSheet(text, c);

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

    int counter = 0;
    for (const pugi::xml_node& child : channel.children()) {
        if (child.type() != pugi::node_element)
            continue;
        if (events && counter++ % kEventInterval == 0)
            events->processEvents();
        if (named(child, "image"))
            readImage(xml, child, c);
        else if (named(child, "item"))
            document.episodes.append(readItem(xml, child));
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
    const FeedFileText file = readFeedFile(path);
    if (file.status != FeedFileText::Status::Ok || file.text.isEmpty())
        return {};
    FeedXml xml;
    if (!xml.load(file.text) || !named(xml.root(), "rss"))
        return {};
    static const pugi::xpath_query titleQuery("//channel/title");
    return xml.firstText(titleQuery).value_or(QString());
}
