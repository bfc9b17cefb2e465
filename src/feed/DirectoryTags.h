#pragma once

#include "feed/Channel.h"
#include "feed/Episode.h"
#include "feed/FeedNamespaces.h"

#include <array>
#include <cstring>

// The directory elements whose text and attributes map one to one onto text fields, shared by
// the reader and the writer so that both agree on names and attributes. Internal to the feed
// layer; itunes:owner, itunes:category and atom:link have code of their own.

template <class R>
struct TagAttr {
    const char* name = nullptr; // nullptr ends the list
    QString R::*member = nullptr;
};

// One element per record: <key attr="..">text</key>.
template <class R>
struct SimpleTag {
    FeedNs ns;
    const char* key;  // the usual qualified name, "itunes:image"
    QString R::*text; // nullptr: the element holds no text
    std::array<TagAttr<R>, 2> attrs;
    const char* local() const { return std::strchr(key, ':') + 1; }
};

// One element per list entry.
template <class R, class Item>
struct ListTag {
    FeedNs ns;
    const char* key;
    QList<Item> R::*list;
    QString Item::*text;
    std::array<TagAttr<Item>, 4> attrs;
    const char* local() const { return std::strchr(key, ':') + 1; }
};

namespace dirtags {

using C = Channel;
using E = Episode;

// Written in this order, itunes:owner after the first, itunes:category after the second.
inline constexpr SimpleTag<C> kChannelAuthor{FeedNs::Itunes, "itunes:author", &C::itunesAuthor, {}};
inline constexpr SimpleTag<C> kChannelImage{FeedNs::Itunes, "itunes:image", nullptr, {{{"href", &C::itunesImage}}}};
inline constexpr SimpleTag<C> kChannelMiddle[] = {
    {FeedNs::Itunes, "itunes:explicit", &C::itunesExplicit, {}},
    {FeedNs::Itunes, "itunes:type", &C::itunesType, {}},
    {FeedNs::Itunes, "itunes:block", &C::itunesBlock, {}},
    {FeedNs::Itunes, "itunes:complete", &C::itunesComplete, {}},
    {FeedNs::Itunes, "itunes:new-feed-url", &C::itunesNewFeedUrl, {}},
    {FeedNs::Podcast, "podcast:guid", &C::podcastGuid, {}},
    {FeedNs::Podcast, "podcast:locked", &C::podcastLocked, {{{"owner", &C::podcastLockedOwner}}}},
};
inline constexpr ListTag<C, PodcastFunding> kChannelFunding{
    FeedNs::Podcast, "podcast:funding", &C::podcastFunding, &PodcastFunding::text,
    {{{"url", &PodcastFunding::url}}}};
inline constexpr ListTag<C, PodcastPerson> kChannelPerson{
    FeedNs::Podcast, "podcast:person", &C::podcastPersons, &PodcastPerson::name,
    {{{"role", &PodcastPerson::role}, {"group", &PodcastPerson::group},
      {"img", &PodcastPerson::img}, {"href", &PodcastPerson::href}}}};
inline constexpr SimpleTag<C> kChannelEnd[] = {
    {FeedNs::Podcast, "podcast:medium", &C::podcastMedium, {}},
    {FeedNs::Podcast, "podcast:license", &C::podcastLicense, {{{"url", &C::podcastLicenseUrl}}}},
};
// atom:link rel="self" comes last.

inline constexpr SimpleTag<E> kItemHead[] = {
    {FeedNs::Itunes, "itunes:title", &E::itunesTitle, {}},
    {FeedNs::Itunes, "itunes:duration", &E::itunesDuration, {}},
    {FeedNs::Itunes, "itunes:episode", &E::itunesEpisode, {}},
    {FeedNs::Itunes, "itunes:season", &E::itunesSeason, {}},
    {FeedNs::Itunes, "itunes:episodeType", &E::itunesEpisodeType, {}},
    {FeedNs::Itunes, "itunes:explicit", &E::itunesExplicit, {}},
    {FeedNs::Itunes, "itunes:image", nullptr, {{{"href", &E::itunesImage}}}},
    {FeedNs::Itunes, "itunes:block", &E::itunesBlock, {}},
};
inline constexpr ListTag<E, PodcastTranscript> kItemTranscript{
    FeedNs::Podcast, "podcast:transcript", &E::podcastTranscripts, nullptr,
    {{{"url", &PodcastTranscript::url}, {"type", &PodcastTranscript::type},
      {"language", &PodcastTranscript::language}, {"rel", &PodcastTranscript::rel}}}};
inline constexpr SimpleTag<E> kItemMiddle[] = {
    {FeedNs::Podcast, "podcast:chapters", nullptr, {{{"url", &E::podcastChaptersUrl}, {"type", &E::podcastChaptersType}}}},
    {FeedNs::Podcast, "podcast:season", &E::podcastSeason, {{{"name", &E::podcastSeasonName}}}},
    {FeedNs::Podcast, "podcast:episode", &E::podcastEpisode, {{{"display", &E::podcastEpisodeDisplay}}}},
};
inline constexpr ListTag<E, PodcastSoundbite> kItemSoundbite{
    FeedNs::Podcast, "podcast:soundbite", &E::podcastSoundbites, &PodcastSoundbite::title,
    {{{"startTime", &PodcastSoundbite::startTime}, {"duration", &PodcastSoundbite::duration}}}};
inline constexpr ListTag<E, PodcastPerson> kItemPerson{
    FeedNs::Podcast, "podcast:person", &E::podcastPersons, &PodcastPerson::name,
    {{{"role", &PodcastPerson::role}, {"group", &PodcastPerson::group},
      {"img", &PodcastPerson::img}, {"href", &PodcastPerson::href}}}};
inline constexpr SimpleTag<E> kItemContent{FeedNs::Content, "content:encoded", &E::contentEncoded, {}};

} // namespace dirtags
