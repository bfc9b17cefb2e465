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

QString withCrLf(QString s)
{
    s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return s;
}

bool named(const pugi::xml_node& n, const char* name)
{
    return std::strcmp(n.name(), name) == 0;
}

bool named(const pugi::xml_attribute& a, const char* name)
{
    return a && std::strcmp(a.name(), name) == 0;
}

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
    const qsizetype start = raw.indexOf(open, 0, Qt::CaseInsensitive);
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

    struct Field {
        const char* path;
        QString Channel::*member;
    };
    static const Field fields[] = {
        {"//channel/title", &Channel::title},
        {"//channel/link", &Channel::link},
        {"//channel/description", &Channel::description},
        {"//channel/managingEditor", &Channel::managingEditor},
        {"//channel/copyright", &Channel::copyright},
        {"//channel/pubDate", &Channel::pubDate},
        {"//channel/webMaster", &Channel::webMaster},
        {"//channel/docs", &Channel::docs},
        {"//channel/ttl", &Channel::ttl},
        {"//channel/language", &Channel::language},
    };
    static const std::vector<pugi::xpath_query> queries = [] {
        std::vector<pugi::xpath_query> q;
        for (const Field& f : fields)
            q.emplace_back(f.path);
        return q;
    }();
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (const auto value = xml.firstText(queries[i]))
            c.*fields[i].member = fields[i].member == &Channel::description ? withCrLf(*value) : *value;
    }

    static const pugi::xpath_query categoryQuery("//channel/category");
    if (const pugi::xpath_node category = categoryQuery.evaluate_node(xml.document())) {
        const QString value = xml.text(category.node());
        if (!value.isEmpty())
            c.category = value;
        const pugi::xml_attribute first = category.node().first_attribute();
        if (named(first, "domain"))
            c.categoryDomain = xml.value(first);
    }

    readStyleSheet(text, c);

    static const pugi::xpath_query dayQuery("(//channel)[1]/skipDays/*");
    for (const pugi::xpath_node& day : dayQuery.evaluate_node_set(xml.document())) {
        const QString name = xml.text(day.node());
        for (int d = 0; d < 7; ++d)
            if (name == QLatin1String(kDayNames[d]))
                c.skipDays[d] = true;
    }
    static const pugi::xpath_query hourQuery("(//channel)[1]/skipHours/*");
    for (const pugi::xpath_node& hour : hourQuery.evaluate_node_set(xml.document())) {
        const int h = leadingHour(xml.text(hour.node()));
        if (h >= 0 && h <= 23)
            c.skipHours[h] = true;
    }

    static const pugi::xpath_query channelQuery("(//channel)[1]");
    const pugi::xml_node channel = channelQuery.evaluate_node(xml.document()).node();
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
    qsizetype end;
    const qsizetype subset = text.indexOf(QLatin1String("[<"), start);
    if (subset >= 0) {
        const qsizetype close = text.indexOf(QLatin1String(">]"), subset);
        end = close < 0 ? -1 : text.indexOf(QLatin1Char('>'), close + 2);
    } else {
        end = text.indexOf(QLatin1Char('>'), start);
    }
    if (end < 0)
        return text;
    QString result = text;
    result.remove(text.mid(start, end - start + 1), Qt::CaseInsensitive);
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
