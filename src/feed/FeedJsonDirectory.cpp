#include "feed/FeedJsonDirectory.h"

#include <QJsonArray>

#include <pugixml.hpp>

namespace feedjson {
namespace {

template <class T>
struct Field {
    const char* key;
    QString T::*member;
};

using C = Channel;
using E = Episode;

const Field<C> kChannelA[] = {{"itunesAuthor", &C::itunesAuthor}, {"itunesOwnerName", &C::itunesOwnerName},
                              {"itunesOwnerEmail", &C::itunesOwnerEmail}, {"itunesImage", &C::itunesImage}};
const Field<C> kChannelB[] = {{"itunesExplicit", &C::itunesExplicit}, {"itunesType", &C::itunesType},
                              {"itunesBlock", &C::itunesBlock}, {"itunesComplete", &C::itunesComplete},
                              {"itunesNewFeedUrl", &C::itunesNewFeedUrl}, {"podcastGuid", &C::podcastGuid},
                              {"podcastLocked", &C::podcastLocked}, {"podcastLockedOwner", &C::podcastLockedOwner}};
const Field<C> kChannelC[] = {{"podcastMedium", &C::podcastMedium}, {"podcastLicense", &C::podcastLicense},
                              {"podcastLicenseUrl", &C::podcastLicenseUrl}, {"atomSelfLink", &C::atomSelfLink}};
const Field<E> kEpisodeA[] = {{"itunesTitle", &E::itunesTitle}, {"itunesDuration", &E::itunesDuration},
                              {"itunesEpisode", &E::itunesEpisode}, {"itunesSeason", &E::itunesSeason},
                              {"itunesEpisodeType", &E::itunesEpisodeType}, {"itunesExplicit", &E::itunesExplicit},
                              {"itunesImage", &E::itunesImage}, {"itunesBlock", &E::itunesBlock}};
const Field<E> kEpisodeB[] = {{"podcastChaptersUrl", &E::podcastChaptersUrl},
                              {"podcastChaptersType", &E::podcastChaptersType},
                              {"podcastSeason", &E::podcastSeason}, {"podcastSeasonName", &E::podcastSeasonName},
                              {"podcastEpisode", &E::podcastEpisode},
                              {"podcastEpisodeDisplay", &E::podcastEpisodeDisplay}};
const Field<E> kEpisodeC[] = {{"contentEncoded", &E::contentEncoded}};

const Field<PodcastFunding> kFunding[] = {{"url", &PodcastFunding::url}, {"text", &PodcastFunding::text}};
const Field<PodcastPerson> kPerson[] = {{"name", &PodcastPerson::name}, {"role", &PodcastPerson::role},
                                        {"group", &PodcastPerson::group}, {"img", &PodcastPerson::img},
                                        {"href", &PodcastPerson::href}};
const Field<PodcastTranscript> kTranscript[] = {{"url", &PodcastTranscript::url}, {"type", &PodcastTranscript::type},
                                                {"language", &PodcastTranscript::language},
                                                {"rel", &PodcastTranscript::rel}};
const Field<PodcastSoundbite> kSoundbite[] = {{"startTime", &PodcastSoundbite::startTime},
                                              {"duration", &PodcastSoundbite::duration},
                                              {"title", &PodcastSoundbite::title}};
const Field<ItunesCategory> kCategory[] = {{"text", &ItunesCategory::text}};
const Field<XmlNamespace> kNamespace[] = {{"prefix", &XmlNamespace::prefix}, {"uri", &XmlNamespace::uri}};
const Field<KeptAttribute> kAttribute[] = {{"element", &KeptAttribute::element}, {"name", &KeptAttribute::name},
                                           {"value", &KeptAttribute::value}};

template <class T, size_t N>
void texts(ObjectWriter& w, const T& r, const Field<T> (&fields)[N])
{
    for (const auto& f : fields)
        w.text(f.key, r.*f.member);
}

void strings(QByteArray& out, const QStringList& list)
{
    out += '[';
    for (qsizetype i = 0; i < list.size(); ++i) {
        out += i ? ", " : "";
        quote(out, list[i]);
    }
    out += ']';
}

// An array of objects on one line: [{"url": "...", "text": "..."}].
template <class T, size_t N>
void objects(ObjectWriter& w, const char* key, const QList<T>& list, const Field<T> (&fields)[N])
{
    w.key(key);
    QByteArray& out = w.out();
    out += '[';
    for (qsizetype i = 0; i < list.size(); ++i) {
        out += i ? ", {" : "{";
        for (size_t f = 0; f < N; ++f) {
            out += f ? ", \"" : "\"";
            out += fields[f].key;
            out += "\": ";
            quote(out, list[i].*fields[f].member);
        }
        if constexpr (std::is_same_v<T, ItunesCategory>) {
            out += ", \"subcategories\": ";
            strings(out, list[i].subcategories);
        }
        out += '}';
    }
    out += ']';
}

void kept(ObjectWriter& w, const KeptXml& k)
{
    w.key("keptElements");
    strings(w.out(), k.elements);
    objects(w, "keptAttributes", k.attributes, kAttribute);
}

template <class T, size_t N>
void addKeys(QStringList& keys, const Field<T> (&fields)[N])
{
    for (const auto& f : fields)
        keys << QLatin1String(f.key);
}

QString wrong(const QString& where, const char* key, const char* what)
{
    return QStringLiteral("%1.%2 must be %3").arg(where, QLatin1String(key), QLatin1String(what));
}

bool readStrings(const QJsonValue& v, QStringList& list)
{
    if (!v.isArray())
        return false;
    for (const QJsonValue& s : v.toArray()) {
        if (!s.isString())
            return false;
        list << s.toString();
    }
    return true;
}

template <class T, size_t N>
bool readObjects(const QJsonObject& o, const char* key, QList<T>& list, const Field<T> (&fields)[N],
                 const QString& where, QString* error)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return true;
    if (!v.isArray()) {
        *error = wrong(where, key, "an array of objects");
        return false;
    }
    const QJsonArray a = v.toArray();
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QString at = QStringLiteral("%1.%2[%3]").arg(where, QLatin1String(key)).arg(i);
        if (!a[i].isObject()) {
            *error = at + QStringLiteral(" must be an object");
            return false;
        }
        const QJsonObject item = a[i].toObject();
        QStringList known;
        addKeys(known, fields);
        if constexpr (std::is_same_v<T, ItunesCategory>)
            known << QStringLiteral("subcategories");
        for (auto it = item.begin(); it != item.end(); ++it) {
            if (!known.contains(it.key())) {
                *error = QStringLiteral("unknown field \"%1\" in %2").arg(it.key(), at);
                return false;
            }
        }
        T value;
        if (!readTexts(item, value, fields, at, error))
            return false;
        if constexpr (std::is_same_v<T, ItunesCategory>) {
            const QJsonValue subs = item.value(QLatin1String("subcategories"));
            if (!subs.isUndefined() && !readStrings(subs, value.subcategories)) {
                *error = wrong(at, "subcategories", "an array of strings");
                return false;
            }
        }
        list.append(value);
    }
    return true;
}

// A name an element or attribute may have: no blanks, quotation marks or markup characters.
bool xmlName(const QString& name)
{
    if (name.isEmpty() || name[0].isDigit() || name[0] == QLatin1Char('-') || name[0] == QLatin1Char('.'))
        return false;
    for (const QChar c : name)
        if (c.isSpace() || QStringLiteral("\"'<>=/&;!?").contains(c))
            return false;
    return true;
}

// Exactly one element and nothing else but blanks: the writer puts it into the feed as it is.
bool oneElement(const QString& markup)
{
    pugi::xml_document doc;
    const QByteArray utf8 = markup.toUtf8();
    if (!doc.load_buffer(utf8.constData(), static_cast<size_t>(utf8.size()), pugi::parse_default | pugi::parse_fragment,
                         pugi::encoding_utf8))
        return false;
    int elements = 0;
    for (const pugi::xml_node& n : doc.children()) {
        if (n.type() == pugi::node_element)
            ++elements;
        else if (n.type() == pugi::node_pcdata && !QString::fromUtf8(n.value()).trimmed().isEmpty())
            return false;
        else if (n.type() != pugi::node_pcdata)
            return false;
    }
    return elements == 1;
}

bool readKept(const QJsonObject& o, const char* elementsKey, QStringList* elements, KeptXml* k,
              const QString& where, QString* error)
{
    const QJsonValue v = o.value(QLatin1String(elementsKey));
    if (!v.isUndefined()) {
        if (!readStrings(v, *elements)) {
            *error = wrong(where, elementsKey, "an array of strings");
            return false;
        }
        for (qsizetype i = 0; i < elements->size(); ++i) {
            if (!oneElement(elements->at(i))) {
                *error = QStringLiteral("%1.%2[%3] must be one XML element").arg(where, QLatin1String(elementsKey)).arg(i);
                return false;
            }
        }
    }
    if (!k)
        return true;
    if (!readObjects(o, "keptAttributes", k->attributes, kAttribute, where, error))
        return false;
    for (qsizetype i = 0; i < k->attributes.size(); ++i) {
        if (!xmlName(k->attributes[i].name) || !xmlName(k->attributes[i].element)) {
            *error = QStringLiteral("%1.keptAttributes[%2] needs an element and a name that XML allows").arg(where).arg(i);
            return false;
        }
    }
    return true;
}

} // namespace

void writeChannelDirectory(ObjectWriter& w, const Channel& c)
{
    texts(w, c, kChannelA);
    objects(w, "itunesCategories", c.itunesCategories, kCategory);
    texts(w, c, kChannelB);
    objects(w, "podcastFunding", c.podcastFunding, kFunding);
    objects(w, "podcastPersons", c.podcastPersons, kPerson);
    texts(w, c, kChannelC);
    objects(w, "namespaces", c.namespaces, kNamespace);
    kept(w, c.kept);
    w.key("keptImageElements");
    strings(w.out(), c.keptImageElements);
}

void writeEpisodeDirectory(ObjectWriter& w, const Episode& e)
{
    texts(w, e, kEpisodeA);
    objects(w, "podcastTranscripts", e.podcastTranscripts, kTranscript);
    texts(w, e, kEpisodeB);
    objects(w, "podcastSoundbites", e.podcastSoundbites, kSoundbite);
    objects(w, "podcastPersons", e.podcastPersons, kPerson);
    texts(w, e, kEpisodeC);
    kept(w, e.kept);
}

const QStringList& channelDirectoryKeys()
{
    static const QStringList keys = [] {
        QStringList k;
        addKeys(k, kChannelA);
        addKeys(k, kChannelB);
        addKeys(k, kChannelC);
        k << QStringLiteral("itunesCategories") << QStringLiteral("podcastFunding")
          << QStringLiteral("podcastPersons") << QStringLiteral("namespaces") << QStringLiteral("keptElements")
          << QStringLiteral("keptAttributes") << QStringLiteral("keptImageElements");
        return k;
    }();
    return keys;
}

const QStringList& episodeDirectoryKeys()
{
    static const QStringList keys = [] {
        QStringList k;
        addKeys(k, kEpisodeA);
        addKeys(k, kEpisodeB);
        addKeys(k, kEpisodeC);
        k << QStringLiteral("podcastTranscripts") << QStringLiteral("podcastSoundbites")
          << QStringLiteral("podcastPersons") << QStringLiteral("keptElements") << QStringLiteral("keptAttributes");
        return k;
    }();
    return keys;
}

bool readChannelDirectory(const QJsonObject& o, Channel& c, QString* error)
{
    const QString where = QStringLiteral("channel");
    if (!readTexts(o, c, kChannelA, where, error) || !readTexts(o, c, kChannelB, where, error)
        || !readTexts(o, c, kChannelC, where, error)
        || !readObjects(o, "itunesCategories", c.itunesCategories, kCategory, where, error)
        || !readObjects(o, "podcastFunding", c.podcastFunding, kFunding, where, error)
        || !readObjects(o, "podcastPersons", c.podcastPersons, kPerson, where, error)
        || !readObjects(o, "namespaces", c.namespaces, kNamespace, where, error)
        || !readKept(o, "keptElements", &c.kept.elements, &c.kept, where, error)
        || !readKept(o, "keptImageElements", &c.keptImageElements, nullptr, where, error))
        return false;
    for (const XmlNamespace& n : c.namespaces) {
        if (!n.prefix.isEmpty() && (!xmlName(n.prefix) || n.prefix.contains(QLatin1Char(':')))) {
            *error = QStringLiteral("channel.namespaces: \"%1\" is no namespace prefix").arg(n.prefix);
            return false;
        }
    }
    return true;
}

bool readEpisodeDirectory(const QJsonObject& o, Episode& e, const QString& where, QString* error)
{
    return readTexts(o, e, kEpisodeA, where, error) && readTexts(o, e, kEpisodeB, where, error)
        && readTexts(o, e, kEpisodeC, where, error)
        && readObjects(o, "podcastTranscripts", e.podcastTranscripts, kTranscript, where, error)
        && readObjects(o, "podcastSoundbites", e.podcastSoundbites, kSoundbite, where, error)
        && readObjects(o, "podcastPersons", e.podcastPersons, kPerson, where, error)
        && readKept(o, "keptElements", &e.kept.elements, &e.kept, where, error);
}

} // namespace feedjson
