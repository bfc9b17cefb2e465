#include "feed/DirectoryWriter.h"

#include "feed/DirectoryTags.h"

#include <algorithm>
#include <vector>

namespace {

template <class R>
bool anySet(const R& r, const SimpleTag<R>& tag)
{
    if (tag.text && !(r.*tag.text).isEmpty())
        return true;
    for (const auto& a : tag.attrs)
        if (a.name && !(r.*a.member).isEmpty())
            return true;
    return false;
}

template <class R, size_t N>
bool anySet(const R& r, const SimpleTag<R> (&tags)[N], FeedNs ns)
{
    for (const auto& t : tags)
        if (t.ns == ns && anySet(r, t))
            return true;
    return false;
}

// Which known namespaces the fields of the document use.
void fieldNamespaces(const FeedDocument& d, bool (&uses)[feedns::kKnownCount])
{
    using namespace dirtags;
    const Channel& c = d.channel;
    const int itunes = feedns::index(FeedNs::Itunes), podcast = feedns::index(FeedNs::Podcast);
    uses[itunes] = anySet(c, kChannelAuthor) || anySet(c, kChannelImage)
        || !c.itunesOwnerName.isEmpty() || !c.itunesOwnerEmail.isEmpty()
        || !c.itunesCategories.isEmpty() || anySet(c, kChannelMiddle, FeedNs::Itunes);
    uses[podcast] = anySet(c, kChannelMiddle, FeedNs::Podcast) || anySet(c, kChannelEnd, FeedNs::Podcast)
        || !c.podcastFunding.isEmpty() || !c.podcastPersons.isEmpty();
    uses[feedns::index(FeedNs::Atom)] = !c.atomSelfLink.isEmpty();
    bool& content = uses[feedns::index(FeedNs::Content)];
    for (const Episode& e : d.episodes) {
        if (!uses[itunes])
            uses[itunes] = anySet(e, kItemHead, FeedNs::Itunes);
        if (!uses[podcast])
            uses[podcast] = !e.podcastTranscripts.isEmpty() || !e.podcastSoundbites.isEmpty()
                || !e.podcastPersons.isEmpty() || anySet(e, kItemMiddle, FeedNs::Podcast);
        if (!content)
            content = !e.contentEncoded.isEmpty();
        if (uses[itunes] && uses[podcast] && content)
            break;
    }
}

void addPrefix(QStringView name, std::vector<QString>& prefixes)
{
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return;
    const QStringView prefix = name.left(colon);
    if (prefix == QLatin1String("xml") || prefix == QLatin1String("xmlns"))
        return;
    for (const QString& p : prefixes)
        if (p == prefix)
            return;
    prefixes.push_back(prefix.toString());
}

// The prefixes of element and attribute names in kept markup (escaped, well-formed).
void markupPrefixes(QStringView m, std::vector<QString>& prefixes)
{
    const auto nameEnd = [&m](qsizetype i) {
        while (i < m.size() && !m[i].isSpace() && m[i] != QLatin1Char('>') && m[i] != QLatin1Char('/')
               && m[i] != QLatin1Char('='))
            ++i;
        return i;
    };
    qsizetype i = 0;
    while ((i = m.indexOf(QLatin1Char('<'), i)) >= 0 && ++i < m.size()) {
        if (m[i] == QLatin1Char('!') || m[i] == QLatin1Char('?')) {
            const QLatin1String end = m.mid(i).startsWith(QLatin1String("!--")) ? QLatin1String("-->")
                : m[i] == QLatin1Char('?')                                      ? QLatin1String("?>")
                                                                                : QLatin1String("]]>");
            const qsizetype at = m.indexOf(end, i);
            if (at < 0)
                return;
            i = at + end.size();
            continue;
        }
        if (m[i] == QLatin1Char('/'))
            continue;
        qsizetype end = nameEnd(i);
        addPrefix(m.mid(i, end - i), prefixes);
        i = end;
        for (;;) {
            while (i < m.size() && m[i].isSpace())
                ++i;
            if (i >= m.size() || m[i] == QLatin1Char('>') || m[i] == QLatin1Char('/'))
                break;
            end = nameEnd(i);
            addPrefix(m.mid(i, end - i), prefixes);
            qsizetype q = end;
            while (q < m.size() && m[q] != QLatin1Char('"') && m[q] != QLatin1Char('\''))
                ++q;
            if (q >= m.size())
                return;
            const qsizetype close = m.indexOf(m[q], q + 1);
            if (close < 0)
                return;
            i = close + 1;
        }
    }
}

void keptPrefixes(const KeptXml& kept, std::vector<QString>& prefixes)
{
    for (const QString& element : kept.elements)
        markupPrefixes(element, prefixes);
    for (const KeptAttribute& a : kept.attributes)
        addPrefix(a.name, prefixes);
}

bool contains(const std::vector<QString>& list, QStringView s)
{
    for (const QString& p : list)
        if (p == s)
            return true;
    return false;
}

void declare(QString& out, QStringView prefix, QStringView uri)
{
    out += prefix.isEmpty() ? QLatin1String(" xmlns=\"") : QLatin1String(" xmlns:");
    if (!prefix.isEmpty()) {
        out += prefix;
        out += QLatin1String("=\"");
    }
    appendEscapedAttribute(out, uri);
    out += QLatin1Char('"');
}

} // namespace

bool hasKeptAttributes(const KeptXml& kept, QLatin1String element)
{
    for (const KeptAttribute& a : kept.attributes)
        if (a.element == element)
            return true;
    return false;
}

static void writeKeptAttributesExcept(FeedText& out, const KeptXml& kept, QLatin1String element,
                                      const char* const* written, size_t count)
{
    for (const KeptAttribute& a : kept.attributes) {
        if (a.element != element)
            continue;
        bool own = false;
        for (size_t i = 0; i < count && !own; ++i)
            own = written[i] && a.name == QLatin1String(written[i]);
        if (!own)
            out.attribute(a.name, a.value);
    }
}

void writeKeptAttributes(FeedText& out, const KeptXml& kept, QLatin1String element,
                         std::initializer_list<const char*> written)
{
    if (!kept.attributes.isEmpty())
        writeKeptAttributesExcept(out, kept, element, written.begin(), written.size());
}

DirectoryWriter::DirectoryWriter(const FeedDocument& d)
{
    const Channel& c = d.channel;
    bool uses[feedns::kKnownCount] = {};
    fieldNamespaces(d, uses);
    std::vector<QString> used;
    keptPrefixes(c.kept, used);
    for (const QString& element : c.keptImageElements)
        markupPrefixes(element, used);
    for (const Episode& e : d.episodes)
        if (!e.kept.isEmpty())
            keptPrefixes(e.kept, used);

    // A known namespace keeps the prefix the feed declared for it.
    for (int k = 0; k < feedns::kKnownCount; ++k) {
        const FeedNs ns = static_cast<FeedNs>(k + 1);
        for (const XmlNamespace& n : c.namespaces) {
            if (!n.prefix.isEmpty() && feedns::fromUri(n.uri.toUtf8()) == ns) {
                m_prefix[k] = n.prefix;
                break;
            }
        }
        if (!m_prefix[k].isEmpty())
            continue;
        const QString canonical = feedns::canonicalPrefix(ns);
        QString candidate = canonical;
        for (int n = 2;; ++n) {
            const bool taken = std::any_of(c.namespaces.begin(), c.namespaces.end(),
                                           [&](const XmlNamespace& x) { return x.prefix == candidate; });
            if (!taken)
                break;
            candidate = canonical + QString::number(n);
        }
        m_prefix[k] = candidate;
    }

    std::vector<QString> declared;
    for (const XmlNamespace& n : c.namespaces) {
        if (n.prefix == QLatin1String("xml") || contains(declared, n.prefix))
            continue;
        const FeedNs ns = feedns::fromUri(n.uri.toUtf8());
        const bool known = ns != FeedNs::Other && ns != FeedNs::None;
        const bool byFields = known && uses[feedns::index(ns)] && m_prefix[feedns::index(ns)] == n.prefix;
        if (n.prefix.isEmpty() || byFields || contains(used, n.prefix)) {
            declare(m_declarations, n.prefix, n.uri);
            declared.push_back(n.prefix);
        }
    }
    for (int k = 0; k < feedns::kKnownCount; ++k) {
        const FeedNs ns = static_cast<FeedNs>(k + 1);
        const bool needed = uses[k] || contains(used, m_prefix[k]);
        if (needed && !contains(declared, m_prefix[k])) {
            declare(m_declarations, m_prefix[k], QString(feedns::canonicalUri(ns)));
            declared.push_back(m_prefix[k]);
        }
    }
}

QualifiedName DirectoryWriter::name(FeedNs ns, const char* key) const
{
    return {m_prefix[feedns::index(ns)], QLatin1String(std::strchr(key, ':') + 1)};
}

void DirectoryWriter::writeRssAttributes(FeedText& out) const
{
    out.raw(m_declarations);
}

void DirectoryWriter::writeOwnAttributes(FeedText& out, const KeptXml& kept, QLatin1String element)
{
    writeKeptAttributes(out, kept, element);
}

template <class R>
void DirectoryWriter::simple(FeedText& out, const R& r, const SimpleTag<R>& tag) const
{
    const QLatin1String key(tag.key);
    const bool kept = !r.kept.attributes.isEmpty() && hasKeptAttributes(r.kept, key);
    if (!kept && !anySet(r, tag))
        return;
    const QualifiedName qn = name(tag.ns, tag.key);
    out.open(qn);
    const char* own[2] = {};
    for (size_t i = 0; i < tag.attrs.size(); ++i) {
        const auto& a = tag.attrs[i];
        own[i] = a.name;
        if (a.name && !(r.*a.member).isEmpty())
            out.attribute(QLatin1String(a.name), r.*a.member);
    }
    if (kept)
        writeKeptAttributesExcept(out, r.kept, key, own, 2);
    out.close(qn, tag.text ? r.*tag.text : QString());
    out.ws();
}

template <class R, class Item>
void DirectoryWriter::list(FeedText& out, const R& r, const ListTag<R, Item>& tag) const
{
    const QualifiedName qn = name(tag.ns, tag.key);
    for (const Item& item : r.*tag.list) {
        out.open(qn);
        for (const auto& a : tag.attrs)
            if (a.name && !(item.*a.member).isEmpty())
                out.attribute(QLatin1String(a.name), item.*a.member);
        out.close(qn, tag.text ? item.*tag.text : QString());
        out.ws();
    }
}

void DirectoryWriter::writeChannel(FeedText& out, const Channel& c) const
{
    using namespace dirtags;
    simple(out, c, kChannelAuthor);
    if (!c.itunesOwnerName.isEmpty() || !c.itunesOwnerEmail.isEmpty()
        || hasKeptAttributes(c.kept, QLatin1String("itunes:owner"))) {
        const QualifiedName owner = name(FeedNs::Itunes, "itunes:owner");
        out.open(owner);
        writeKeptAttributes(out, c.kept, QLatin1String("itunes:owner"));
        out.raw(QLatin1String(">"));
        if (!c.itunesOwnerName.isEmpty()) {
            out.open(name(FeedNs::Itunes, "itunes:name"));
            out.close(name(FeedNs::Itunes, "itunes:name"), c.itunesOwnerName);
        }
        if (!c.itunesOwnerEmail.isEmpty()) {
            out.open(name(FeedNs::Itunes, "itunes:email"));
            out.close(name(FeedNs::Itunes, "itunes:email"), c.itunesOwnerEmail);
        }
        out.raw(QLatin1String("</"));
        out.name(owner);
        out.raw(QLatin1String(">"));
        out.ws();
    }
    simple(out, c, kChannelImage);
    const QualifiedName category = name(FeedNs::Itunes, "itunes:category");
    for (const ItunesCategory& cat : c.itunesCategories) {
        out.open(category);
        out.attribute(QLatin1String("text"), cat.text);
        if (cat.subcategories.isEmpty()) {
            out.raw(QLatin1String("/>"));
        } else {
            out.raw(QLatin1String(">"));
            for (const QString& sub : cat.subcategories) {
                out.open(category);
                out.attribute(QLatin1String("text"), sub);
                out.raw(QLatin1String("/>"));
            }
            out.raw(QLatin1String("</"));
            out.name(category);
            out.raw(QLatin1String(">"));
        }
        out.ws();
    }
    for (const auto& tag : kChannelMiddle)
        simple(out, c, tag);
    list(out, c, kChannelFunding);
    list(out, c, kChannelPerson);
    for (const auto& tag : kChannelEnd)
        simple(out, c, tag);
    if (!c.atomSelfLink.isEmpty() || hasKeptAttributes(c.kept, QLatin1String("atom:link"))) {
        out.open(name(FeedNs::Atom, "atom:link"));
        out.attribute(QLatin1String("href"), c.atomSelfLink);
        out.attribute(QLatin1String("rel"), QStringLiteral("self"));
        out.attribute(QLatin1String("type"), QStringLiteral("application/rss+xml"));
        writeKeptAttributes(out, c.kept, QLatin1String("atom:link"), {"href", "rel", "type"});
        out.raw(QLatin1String("/>"));
        out.ws();
    }
    for (const QString& element : c.kept.elements) {
        out.raw(element);
        out.ws();
    }
}

void DirectoryWriter::writeItem(FeedText& out, const Episode& e) const
{
    using namespace dirtags;
    for (const auto& tag : kItemHead)
        simple(out, e, tag);
    list(out, e, kItemTranscript);
    for (const auto& tag : kItemMiddle)
        simple(out, e, tag);
    list(out, e, kItemSoundbite);
    list(out, e, kItemPerson);
    simple(out, e, kItemContent);
    for (const QString& element : e.kept.elements) {
        out.raw(element);
        out.ws();
    }
}

void DirectoryWriter::writeImageKept(FeedText& out, const Channel& c, bool wroteSize)
{
    for (const QString& element : c.keptImageElements) {
        if (wroteSize) {
            const auto isElement = [&element](QLatin1String name) {
                return element.startsWith(QLatin1Char('<') + name)
                    && element.size() > name.size() + 1
                    && QStringLiteral(" />\t\r\n").contains(element[name.size() + 1]);
            };
            if (isElement(QLatin1String("width")) || isElement(QLatin1String("height")))
                continue;
        }
        out.raw(element);
        out.ws();
    }
}
