#include "feed/DirectoryCatalog.h"

#include "feed/DirectoryValues.h"

namespace dircatalog {
namespace {

using C = Channel;
using E = Episode;
using dirvalues::checkDuration;
using dirvalues::checkEmail;
using dirvalues::checkImageUrl;
using dirvalues::checkNumber;
using dirvalues::checkTrueFalse;
using dirvalues::checkUuid;
using dirvalues::checkWebUrl;
using dirvalues::checkWholeNumber;

// Apple reads only "Yes" in itunes:block and itunes:complete; "No" is what feeds write otherwise.
const char kYesNo[] = "Yes|No";

const TextField<C> kChannel[] = {
    {"atomSelfLink", "Feed URL:", &C::atomSelfLink, checkWebUrl, nullptr},
    {"itunesAuthor", "Author:", &C::itunesAuthor, nullptr, nullptr},
    {"itunesOwnerName", "Owner name:", &C::itunesOwnerName, nullptr, nullptr},
    {"itunesOwnerEmail", "Owner e-mail:", &C::itunesOwnerEmail, checkEmail, nullptr},
    {"itunesImage", "Cover art URL:", &C::itunesImage, checkImageUrl, nullptr},
    {"itunesExplicit", "Explicit:", &C::itunesExplicit, checkTrueFalse, "true|false"},
    {"itunesType", "Show type:", &C::itunesType, nullptr, "episodic|serial"},
    {"itunesBlock", "Block:", &C::itunesBlock, nullptr, kYesNo},
    {"itunesComplete", "Complete:", &C::itunesComplete, nullptr, kYesNo},
    {"itunesNewFeedUrl", "New feed URL:", &C::itunesNewFeedUrl, checkWebUrl, nullptr},
    {"podcastGuid", "Podcast GUID:", &C::podcastGuid, checkUuid, nullptr},
    {"podcastLocked", "Locked:", &C::podcastLocked, nullptr, "yes|no"},
    {"podcastLockedOwner", "Lock owner e-mail:", &C::podcastLockedOwner, checkEmail, nullptr},
    {"podcastMedium", "Medium:", &C::podcastMedium, nullptr,
     "podcast|music|video|film|audiobook|newsletter|blog|podcastL|musicL|videoL|filmL|audiobookL|newsletterL|blogL"},
    {"podcastLicense", "License:", &C::podcastLicense, nullptr, nullptr},
    {"podcastLicenseUrl", "License URL:", &C::podcastLicenseUrl, checkWebUrl, nullptr},
};

const TextField<E> kEpisode[] = {
    {"itunesTitle", "Apple title:", &E::itunesTitle, nullptr, nullptr},
    {"itunesDuration", "Duration:", &E::itunesDuration, checkDuration, nullptr},
    {"itunesEpisode", "Episode:", &E::itunesEpisode, checkWholeNumber, nullptr},
    {"itunesSeason", "Season:", &E::itunesSeason, checkWholeNumber, nullptr},
    {"itunesEpisodeType", "Episode type:", &E::itunesEpisodeType, nullptr, "full|trailer|bonus"},
    {"itunesExplicit", "Explicit:", &E::itunesExplicit, checkTrueFalse, "true|false"},
    {"itunesImage", "Episode art URL:", &E::itunesImage, checkImageUrl, nullptr},
    {"itunesBlock", "Block:", &E::itunesBlock, nullptr, kYesNo},
    {"podcastChaptersUrl", "Chapters URL:", &E::podcastChaptersUrl, checkWebUrl, nullptr},
    {"podcastChaptersType", "Chapters type:", &E::podcastChaptersType, nullptr, nullptr},
    {"podcastSeason", "Season (Podcasting 2.0):", &E::podcastSeason, checkWholeNumber, nullptr},
    {"podcastSeasonName", "Season name:", &E::podcastSeasonName, nullptr, nullptr},
    {"podcastEpisode", "Episode (Podcasting 2.0):", &E::podcastEpisode, checkNumber, nullptr},
    {"podcastEpisodeDisplay", "Episode display:", &E::podcastEpisodeDisplay, nullptr, nullptr},
    {"contentEncoded", "Show notes (HTML):", &E::contentEncoded, nullptr, nullptr},
};

template <class R, size_t N>
const TextField<R>* findIn(const TextField<R> (&table)[N], const QString& key)
{
    for (const TextField<R>& f : table)
        if (key == QLatin1String(f.key))
            return &f;
    return nullptr;
}

} // namespace

template <class R>
QStringList TextField<R>::choiceList() const
{
    return choices ? QString::fromLatin1(choices).split(QLatin1Char('|')) : QStringList();
}

template <class R>
QString TextField<R>::reason(const QString& value) const
{
    if (check)
        return check(value);
    return choices ? dirvalues::checkOneOf(value, choiceList()) : QString();
}

template struct TextField<Channel>;
template struct TextField<Episode>;

std::span<const TextField<Channel>> channelFields() { return kChannel; }
std::span<const TextField<Episode>> episodeFields() { return kEpisode; }
const TextField<Channel>* channelField(const QString& key) { return findIn(kChannel, key); }
const TextField<Episode>* episodeField(const QString& key) { return findIn(kEpisode, key); }

QString optionName(const char* key)
{
    QString out;
    for (const char* p = key; *p; ++p) {
        if (*p >= 'A' && *p <= 'Z') {
            out += QLatin1Char('-');
            out += QLatin1Char(char(*p - 'A' + 'a'));
        } else {
            out += QLatin1Char(*p);
        }
    }
    return out;
}

} // namespace dircatalog
