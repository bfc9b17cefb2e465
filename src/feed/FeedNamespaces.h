#pragma once

#include <QByteArrayView>
#include <QLatin1String>

// The namespaces whose elements the document has fields for, recognised by their URI whatever
// prefix a feed gives them.
enum class FeedNs : unsigned char { None, Itunes, Podcast, Atom, Content, Other };

namespace feedns {

inline constexpr int kKnownCount = 4; // Itunes .. Content

// The URI the writer declares, and the prefix it uses when the feed declared none.
QLatin1String canonicalUri(FeedNs ns);
QLatin1String canonicalPrefix(FeedNs ns);

// Which known namespace a URI names (Apple's and the podcast index's older spellings
// included); Other for any other URI, None for an empty one.
FeedNs fromUri(QByteArrayView uri);

// 0-based index of a known namespace (Itunes = 0), for per-namespace tables.
inline int index(FeedNs ns) { return static_cast<int>(ns) - 1; }

} // namespace feedns
