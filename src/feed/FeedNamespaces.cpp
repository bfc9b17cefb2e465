#include "feed/FeedNamespaces.h"

namespace feedns {
namespace {

struct Known {
    const char* uri;
    const char* prefix;
};
const Known kKnown[kKnownCount] = {
    {"http://www.itunes.com/dtds/podcast-1.0.dtd", "itunes"},
    {"https://podcastindex.org/namespace/1.0", "podcast"},
    {"http://www.w3.org/2005/Atom", "atom"},
    {"http://purl.org/rss/1.0/modules/content/", "content"},
};

} // namespace

QLatin1String canonicalUri(FeedNs ns)
{
    const int i = index(ns);
    return i >= 0 && i < kKnownCount ? QLatin1String(kKnown[i].uri) : QLatin1String();
}

QLatin1String canonicalPrefix(FeedNs ns)
{
    const int i = index(ns);
    return i >= 0 && i < kKnownCount ? QLatin1String(kKnown[i].prefix) : QLatin1String();
}

FeedNs fromUri(QByteArrayView uri)
{
    if (uri.isEmpty())
        return FeedNs::None;
    for (int i = 0; i < kKnownCount; ++i)
        if (uri == kKnown[i].uri)
            return static_cast<FeedNs>(i + 1);
    // Spellings found in published feeds: Apple's URI over https, the podcast namespace's
    // first home on GitHub.
    if (uri == "https://www.itunes.com/dtds/podcast-1.0.dtd")
        return FeedNs::Itunes;
    if (uri == "https://github.com/Podcastindex-org/podcast-namespace/blob/main/docs/1.0.md")
        return FeedNs::Podcast;
    return FeedNs::Other;
}

} // namespace feedns
