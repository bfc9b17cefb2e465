#include "feed/DirectoryReader.h"

#include "feed/DirectoryTags.h"

#include <cstring>

namespace {

using namespace dirtags;

const SimpleTag<Channel>* const kChannelSimple[] = {
    &kChannelAuthor,    &kChannelImage,     &kChannelMiddle[0], &kChannelMiddle[1],
    &kChannelMiddle[2], &kChannelMiddle[3], &kChannelMiddle[4], &kChannelMiddle[5],
    &kChannelMiddle[6], &kChannelEnd[0],    &kChannelEnd[1],
};
constexpr unsigned kOwnerBit = 1u << 11;
constexpr unsigned kSelfLinkBit = 1u << 12;

const SimpleTag<Episode>* const kItemSimple[] = {
    &kItemHead[0],   &kItemHead[1],   &kItemHead[2],   &kItemHead[3],
    &kItemHead[4],   &kItemHead[5],   &kItemHead[6],   &kItemHead[7],
    &kItemMiddle[0], &kItemMiddle[1], &kItemMiddle[2], &kItemContent,
};

bool blank(const char* s)
{
    for (; *s; ++s)
        if (*s != ' ' && *s != '\t' && *s != '\r' && *s != '\n')
            return false;
    return true;
}

// The prefix a declaration attribute binds ("" for xmlns itself), or nullptr for another attribute.
const char* declaredPrefix(const char* name)
{
    if (std::strncmp(name, "xmlns", 5) != 0)
        return nullptr;
    if (name[5] == 0)
        return name + 5;
    return name[5] == ':' ? name + 6 : nullptr;
}

bool nameIn(const char* name, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (std::strcmp(name, n) == 0)
            return true;
    return false;
}

// No element children and, unless text is allowed, only blank text.
bool leafShape(const pugi::xml_node& el, bool textAllowed)
{
    for (const pugi::xml_node& child : el.children()) {
        if (child.type() == pugi::node_element)
            return false;
        if (!textAllowed && (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            && !blank(child.value()))
            return false;
    }
    return true;
}

template <class R, size_t N>
const TagAttr<R>* findAttr(const std::array<TagAttr<R>, N>& attrs, const char* name)
{
    for (const auto& a : attrs)
        if (a.name && std::strcmp(a.name, name) == 0)
            return &a;
    return nullptr;
}

bool hasPrefix(const QList<XmlNamespace>& list, const QString& prefix)
{
    for (const XmlNamespace& n : list)
        if (n.prefix == prefix)
            return true;
    return false;
}

} // namespace

DirectoryReader::DirectoryReader(const FeedXml& xml, Channel& channel, bool keep)
    : m_xml(xml), m_channel(channel), m_keep(keep)
{
}

bool DirectoryReader::isDeclaration(const pugi::xml_attribute& a) const
{
    return declaredPrefix(a.name()) != nullptr;
}

void DirectoryReader::hoist(const pugi::xml_attribute& a)
{
    const QString prefix = QString::fromUtf8(declaredPrefix(a.name()));
    if (m_keep && !hasPrefix(m_channel.namespaces, prefix))
        m_channel.namespaces.append({prefix, m_xml.value(a)});
}

void DirectoryReader::declare(const pugi::xml_attribute& a, bool join)
{
    const char* prefix = declaredPrefix(a.name());
    Binding b{QByteArray(prefix), m_xml.value(a), FeedNs::None};
    b.ns = feedns::fromUri(b.uri.toUtf8());
    if (join && m_keep) {
        const QString p = QString::fromUtf8(prefix);
        if (!hasPrefix(m_channel.namespaces, p))
            m_channel.namespaces.append({p, b.uri});
    }
    m_scope.push_back(std::move(b));
}

void DirectoryReader::declareScope(const pugi::xml_node& element)
{
    for (const pugi::xml_attribute& a : element.attributes())
        if (isDeclaration(a))
            declare(a, true);
    m_channelScope = m_scope.size();
}

FeedNs DirectoryReader::namespaceOf(const pugi::xml_node& element, const char** local) const
{
    const char* name = element.name();
    const char* colon = std::strchr(name, ':');
    *local = colon ? colon + 1 : name;
    const QByteArrayView prefix(name, colon ? colon - name : 0);
    for (const pugi::xml_attribute& a : element.attributes()) {
        const char* p = declaredPrefix(a.name());
        if (p && prefix == p)
            return feedns::fromUri(a.value());
    }
    for (auto it = m_scope.rbegin(); it != m_scope.rend(); ++it)
        if (it->prefix == prefix)
            return it->ns;
    if (prefix.isEmpty())
        return FeedNs::None;
    // Feeds that forget to declare a namespace still mean it by its usual prefix.
    for (int k = 0; k < feedns::kKnownCount; ++k)
        if (prefix == feedns::canonicalPrefix(static_cast<FeedNs>(k + 1)))
            return static_cast<FeedNs>(k + 1);
    return FeedNs::Other;
}

void DirectoryReader::keepAttributes(const pugi::xml_node& element, QLatin1String key,
                                     std::initializer_list<const char*> used, KeptXml& kept)
{
    for (const pugi::xml_attribute& a : element.attributes()) {
        if (isDeclaration(a)) {
            hoist(a);
        } else if (m_keep && !nameIn(a.name(), used)) {
            kept.attributes.append({key, QString::fromUtf8(a.name()), m_xml.value(a)});
        }
    }
}

void DirectoryReader::keepMarkup(const pugi::xml_node& element, QStringList& list)
{
    if (!m_keep)
        return;
    // The element's own declarations move to the rss element where its prefix is free there.
    QList<XmlNamespace> extra;
    for (const pugi::xml_attribute& a : element.attributes())
        if (isDeclaration(a))
            hoist(a);
    for (const XmlNamespace& n : m_itemExtra) {
        const QByteArray attr = n.prefix.isEmpty() ? QByteArray("xmlns") : "xmlns:" + n.prefix.toUtf8();
        if (!element.attribute(attr.constData()))
            extra.append(n);
    }
    list.append(m_xml.markup(element, m_channel.namespaces, extra));
}

void DirectoryReader::keepElement(const pugi::xml_node& element, KeptXml& kept)
{
    keepMarkup(element, kept.elements);
}

template <class R>
bool DirectoryReader::readSimple(const pugi::xml_node& el, R& r, const SimpleTag<R>& tag,
                                 unsigned bit, unsigned& seen)
{
    if ((seen & bit) || !leafShape(el, tag.text != nullptr))
        return false;
    seen |= bit;
    if (tag.text)
        r.*tag.text = m_xml.text(el);
    for (const pugi::xml_attribute& a : el.attributes()) {
        if (isDeclaration(a)) {
            hoist(a);
        } else if (const TagAttr<R>* known = findAttr(tag.attrs, a.name())) {
            r.*known->member = m_xml.value(a);
        } else if (m_keep) {
            r.kept.attributes.append({QLatin1String(tag.key), QString::fromUtf8(a.name()), m_xml.value(a)});
        }
    }
    return true;
}

template <class R, class Item>
bool DirectoryReader::readList(const pugi::xml_node& el, R& r, const ListTag<R, Item>& tag)
{
    if (!leafShape(el, tag.text != nullptr))
        return false;
    for (const pugi::xml_attribute& a : el.attributes())
        if (!isDeclaration(a) && !findAttr(tag.attrs, a.name()))
            return false;
    Item item;
    if (tag.text)
        item.*tag.text = m_xml.text(el);
    for (const pugi::xml_attribute& a : el.attributes())
        if (const TagAttr<Item>* known = findAttr(tag.attrs, a.name()))
            item.*known->member = m_xml.value(a);
    (r.*tag.list).append(item);
    for (const pugi::xml_attribute& a : el.attributes())
        if (isDeclaration(a))
            hoist(a);
    return true;
}

bool DirectoryReader::readOwner(const pugi::xml_node& el)
{
    if (m_channelSeen & kOwnerBit)
        return false;
    pugi::xml_node name, email;
    for (const pugi::xml_node& child : el.children()) {
        if (child.type() != pugi::node_element) {
            if (!blank(child.value()))
                return false;
            continue;
        }
        const char* local = nullptr;
        if (namespaceOf(child, &local) != FeedNs::Itunes || !leafShape(child, true))
            return false;
        for (const pugi::xml_attribute& a : child.attributes())
            if (!isDeclaration(a))
                return false;
        const bool isName = std::strcmp(local, "name") == 0;
        if (!isName && std::strcmp(local, "email") != 0)
            return false;
        pugi::xml_node& slot = isName ? name : email;
        if (slot)
            return false;
        slot = child;
    }
    m_channelSeen |= kOwnerBit;
    if (name)
        m_channel.itunesOwnerName = m_xml.text(name);
    if (email)
        m_channel.itunesOwnerEmail = m_xml.text(email);
    keepAttributes(el, QLatin1String("itunes:owner"), {}, m_channel.kept);
    return true;
}

bool DirectoryReader::readCategory(const pugi::xml_node& el)
{
    const auto onlyText = [this](const pugi::xml_node& n) {
        for (const pugi::xml_attribute& a : n.attributes())
            if (!isDeclaration(a) && std::strcmp(a.name(), "text") != 0)
                return false;
        return true;
    };
    if (!onlyText(el))
        return false;
    ItunesCategory category;
    category.text = m_xml.value(el.attribute("text"));
    for (const pugi::xml_node& child : el.children()) {
        if (child.type() != pugi::node_element) {
            if (!blank(child.value()))
                return false;
            continue;
        }
        const char* local = nullptr;
        if (namespaceOf(child, &local) != FeedNs::Itunes || std::strcmp(local, "category") != 0
            || !onlyText(child) || !leafShape(child, false))
            return false;
        category.subcategories.append(m_xml.value(child.attribute("text")));
    }
    m_channel.itunesCategories.append(category);
    return true;
}

bool DirectoryReader::readSelfLink(const pugi::xml_node& el)
{
    const pugi::xml_attribute type = el.attribute("type");
    if ((m_channelSeen & kSelfLinkBit) || m_xml.value(el.attribute("rel")) != QLatin1String("self")
        || (type && m_xml.value(type) != QLatin1String("application/rss+xml")) || !leafShape(el, false))
        return false;
    m_channelSeen |= kSelfLinkBit;
    m_channel.atomSelfLink = m_xml.value(el.attribute("href"));
    keepAttributes(el, QLatin1String("atom:link"), {"href", "rel", "type"}, m_channel.kept);
    return true;
}

void DirectoryReader::channelChild(const pugi::xml_node& child)
{
    const char* local = nullptr;
    const FeedNs ns = namespaceOf(child, &local);
    bool consumed = false;
    if (ns == FeedNs::Itunes && std::strcmp(local, "owner") == 0) {
        consumed = readOwner(child);
    } else if (ns == FeedNs::Itunes && std::strcmp(local, "category") == 0) {
        consumed = readCategory(child);
    } else if (ns == FeedNs::Atom && std::strcmp(local, "link") == 0) {
        consumed = readSelfLink(child);
    } else if (ns == FeedNs::Podcast && std::strcmp(local, kChannelFunding.local()) == 0) {
        consumed = readList(child, m_channel, kChannelFunding);
    } else if (ns == FeedNs::Podcast && std::strcmp(local, kChannelPerson.local()) == 0) {
        consumed = readList(child, m_channel, kChannelPerson);
    } else if (ns != FeedNs::None && ns != FeedNs::Other) {
        for (unsigned i = 0; i < std::size(kChannelSimple); ++i) {
            const SimpleTag<Channel>& tag = *kChannelSimple[i];
            if (tag.ns == ns && std::strcmp(local, tag.local()) == 0) {
                consumed = readSimple(child, m_channel, tag, 1u << i, m_channelSeen);
                break;
            }
        }
    }
    if (!consumed)
        keepElement(child, m_channel.kept);
}

void DirectoryReader::beginItem(const pugi::xml_node& item, Episode& e)
{
    m_itemSeen = 0;
    for (const pugi::xml_attribute& a : item.attributes()) {
        const char* prefix = declaredPrefix(a.name());
        if (!prefix) {
            if (m_keep)
                e.kept.attributes.append({QStringLiteral("item"), QString::fromUtf8(a.name()), m_xml.value(a)});
            continue;
        }
        const QString p = QString::fromUtf8(prefix);
        const QString uri = m_xml.value(a);
        bool conflict = false;
        for (const XmlNamespace& n : m_channel.namespaces)
            conflict = conflict || (n.prefix == p && n.uri != uri);
        if (conflict)
            m_itemExtra.append({p, uri});
        declare(a, !conflict);
    }
}

void DirectoryReader::endItem()
{
    m_scope.resize(m_channelScope);
    m_itemExtra.clear();
}

bool DirectoryReader::itemChild(const pugi::xml_node& child, Episode& e)
{
    const char* local = nullptr;
    const FeedNs ns = namespaceOf(child, &local);
    if (ns == FeedNs::None || ns == FeedNs::Other)
        return false;
    if (ns == FeedNs::Podcast) {
        if (std::strcmp(local, kItemTranscript.local()) == 0)
            return readList(child, e, kItemTranscript);
        if (std::strcmp(local, kItemSoundbite.local()) == 0)
            return readList(child, e, kItemSoundbite);
        if (std::strcmp(local, kItemPerson.local()) == 0)
            return readList(child, e, kItemPerson);
    }
    for (unsigned i = 0; i < std::size(kItemSimple); ++i) {
        const SimpleTag<Episode>& tag = *kItemSimple[i];
        if (tag.ns == ns && std::strcmp(local, tag.local()) == 0)
            return readSimple(child, e, tag, 1u << i, m_itemSeen);
    }
    return false;
}
