#include "feed/FeedJson.h"

#include "feed/FeedJsonDirectory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace feedjson {
namespace {

struct ChannelText {
    const char* key;
    QString Channel::*member;
};
struct EpisodeText {
    const char* key;
    QString Episode::*member;
};

// In the order of the Channel declaration; the skip lists and style sheet numbers are placed
// between them by the writer below.
const ChannelText kChannelTextsA[] = {
    {"title", &Channel::title},         {"link", &Channel::link},
    {"description", &Channel::description}, {"language", &Channel::language},
    {"copyright", &Channel::copyright}, {"managingEditor", &Channel::managingEditor},
    {"webMaster", &Channel::webMaster}, {"pubDate", &Channel::pubDate},
    {"category", &Channel::category},   {"categoryDomain", &Channel::categoryDomain},
    {"docs", &Channel::docs},           {"ttl", &Channel::ttl},
};
const ChannelText kChannelTextsB[] = {
    {"imageUrl", &Channel::imageUrl},     {"imageTitle", &Channel::imageTitle},
    {"imageLink", &Channel::imageLink},   {"imageDescription", &Channel::imageDescription},
    {"imageFile", &Channel::imageFile},   {"styleSheetHref", &Channel::styleSheetHref},
};
const EpisodeText kEpisodeTextsA[] = {
    {"title", &Episode::title},       {"link", &Episode::link},
    {"description", &Episode::description}, {"pubDate", &Episode::pubDate},
    {"author", &Episode::author},     {"category", &Episode::category},
    {"categoryDomain", &Episode::categoryDomain}, {"guid", &Episode::guid},
};
const EpisodeText kEpisodeTextsB[] = {
    {"source", &Episode::source},             {"sourceUrl", &Episode::sourceUrl},
    {"enclosureUrl", &Episode::enclosureUrl}, {"enclosureLength", &Episode::enclosureLength},
    {"enclosureType", &Episode::enclosureType}, {"enclosureFile", &Episode::enclosureFile},
    {"comments", &Episode::comments},
};

template <size_t N>
bool readFlags(const QJsonObject& o, const char* key, std::array<bool, N>& flags, QString* error)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return true;
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() != static_cast<qsizetype>(N)) {
        *error = QStringLiteral("channel.%1 must be an array of %2 booleans").arg(QLatin1String(key)).arg(N);
        return false;
    }
    for (size_t i = 0; i < N; ++i) {
        if (!a[static_cast<qsizetype>(i)].isBool()) {
            *error = QStringLiteral("channel.%1 must be an array of %2 booleans").arg(QLatin1String(key)).arg(N);
            return false;
        }
        flags[i] = a[static_cast<qsizetype>(i)].toBool();
    }
    return true;
}

bool readSmallInt(const QJsonObject& o, const char* key, int max, int& target, QString* error)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return true;
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d != static_cast<int>(d) || d < 0 || d > max) {
        *error = QStringLiteral("channel.%1 must be a whole number from 0 to %2").arg(QLatin1String(key)).arg(max);
        return false;
    }
    target = static_cast<int>(d);
    return true;
}

template <typename... Tables>
QSet<QString> knownKeys(QStringList extra, const Tables&... tables)
{
    (..., [&] {
        for (const auto& f : tables)
            extra << QLatin1String(f.key);
    }());
    return QSet<QString>(extra.begin(), extra.end());
}

bool onlyKnownKeys(const QJsonObject& o, const QSet<QString>& known, const QString& where, QString* error)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!known.contains(it.key())) {
            *error = QStringLiteral("unknown field \"%1\" in %2").arg(it.key(), where);
            return false;
        }
    }
    return true;
}

template <typename... Tables>
bool onlyKnownKeys(const QJsonObject& o, const QString& where, QStringList extra, QString* error,
                   const Tables&... tables)
{
    return onlyKnownKeys(o, knownKeys(std::move(extra), tables...), where, error);
}

} // namespace

QByteArray toJson(const FeedDocument& d, const QList<QPair<QString, int>>& extra)
{
    QByteArray out;
    out.reserve(1024 + d.episodes.size() * 600);
    ObjectWriter top(out, 0);
    top.key("channel");
    {
        ObjectWriter c(out, 2);
        for (const auto& f : kChannelTextsA)
            c.text(f.key, d.channel.*f.member);
        c.flags("skipDays", d.channel.skipDays);
        c.flags("skipHours", d.channel.skipHours);
        for (const auto& f : kChannelTextsB)
            c.text(f.key, d.channel.*f.member);
        c.number("styleSheetType", d.channel.styleSheetType);
        c.number("styleSheetMedia", d.channel.styleSheetMedia);
        writeChannelDirectory(c, d.channel);
        c.end();
    }
    top.key("episodes");
    out += '[';
    for (qsizetype i = 0; i < d.episodes.size(); ++i) {
        out += i ? ",\n    " : "\n    ";
        ObjectWriter e(out, 4);
        const Episode& ep = d.episodes[i];
        for (const auto& f : kEpisodeTextsA)
            e.text(f.key, ep.*f.member);
        e.boolean("guidIsPermaLink", ep.guidIsPermaLink);
        for (const auto& f : kEpisodeTextsB)
            e.text(f.key, ep.*f.member);
        writeEpisodeDirectory(e, ep);
        e.end();
    }
    out += d.episodes.isEmpty() ? "]" : "\n  ]";
    for (const auto& [key, value] : extra)
        top.number(key.toLatin1().constData(), value);
    top.end();
    return out;
}

bool fromJson(const QByteArray& json, FeedDocument& d, QString* error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    if (doc.isNull()) {
        *error = QStringLiteral("not JSON: %1 at offset %2").arg(parse.errorString()).arg(parse.offset);
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("the document must be a JSON object");
        return false;
    }
    const QJsonObject top = doc.object();
    const QStringList topKeys{QStringLiteral("channel"), QStringLiteral("episodes"),
                              QStringLiteral("encodingIndex"), QStringLiteral("feedType")};
    if (!onlyKnownKeys(top, QStringLiteral("the document"), topKeys, error))
        return false;

    FeedDocument result;
    const QJsonValue channel = top.value(QLatin1String("channel"));
    if (!channel.isUndefined()) {
        if (!channel.isObject()) {
            *error = QStringLiteral("channel must be an object");
            return false;
        }
        const QJsonObject c = channel.toObject();
        const QStringList extra = QStringList{QStringLiteral("skipDays"), QStringLiteral("skipHours"),
                                              QStringLiteral("styleSheetType"), QStringLiteral("styleSheetMedia")}
            + channelDirectoryKeys();
        if (!onlyKnownKeys(c, QStringLiteral("channel"), extra, error, kChannelTextsA, kChannelTextsB)
            || !readTexts(c, result.channel, kChannelTextsA, QStringLiteral("channel"), error)
            || !readTexts(c, result.channel, kChannelTextsB, QStringLiteral("channel"), error)
            || !readFlags(c, "skipDays", result.channel.skipDays, error)
            || !readFlags(c, "skipHours", result.channel.skipHours, error)
            || !readSmallInt(c, "styleSheetType", 1, result.channel.styleSheetType, error)
            || !readSmallInt(c, "styleSheetMedia", 5, result.channel.styleSheetMedia, error)
            || !readChannelDirectory(c, result.channel, error))
            return false;
    }
    const QJsonValue episodes = top.value(QLatin1String("episodes"));
    if (!episodes.isUndefined()) {
        if (!episodes.isArray()) {
            *error = QStringLiteral("episodes must be an array");
            return false;
        }
        const QJsonArray list = episodes.toArray();
        static const QSet<QString> episodeKeys = knownKeys(
            QStringList{QStringLiteral("guidIsPermaLink")} + episodeDirectoryKeys(), kEpisodeTextsA, kEpisodeTextsB);
        // Sized once and filled in place: an Episode is large to copy.
        result.episodes.reserve(list.size());
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QString where = QStringLiteral("episodes[%1]").arg(i);
            if (!list[i].isObject()) {
                *error = where + QStringLiteral(" must be an object");
                return false;
            }
            const QJsonObject o = list[i].toObject();
            Episode& e = result.episodes.emplace_back();
            if (!onlyKnownKeys(o, episodeKeys, where, error)
                || !readTexts(o, e, kEpisodeTextsA, where, error)
                || !readTexts(o, e, kEpisodeTextsB, where, error)
                || !readEpisodeDirectory(o, e, where, error))
                return false;
            const QJsonValue permaLink = o.value(QLatin1String("guidIsPermaLink"));
            if (!permaLink.isUndefined()) {
                if (!permaLink.isBool()) {
                    *error = where + QStringLiteral(".guidIsPermaLink must be true or false");
                    return false;
                }
                e.guidIsPermaLink = permaLink.toBool();
            }
        }
    }
    d = std::move(result);
    return true;
}

} // namespace feedjson
