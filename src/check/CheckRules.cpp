#include "check/CheckRules.h"

namespace checkrules {
namespace {

using S = Severity;

// docs/check.md explains each of these; a test keeps the two lists the same.
constexpr Rule kRules[] = {
    {"xml-encoding-unknown", S::Error, Xml, "the declared encoding is one the program can decode"},
    {"xml-encoding-bytes", S::Error, Xml, "every byte sequence is valid in the declared encoding"},
    {"xml-encoding-bom", S::Error, Xml, "a byte-order mark agrees with the declared encoding"},
    {"xml-encoding-utf8", S::Warning, Xml, "text declared in a one-byte encoding is not really UTF-8"},
    {"xml-control-char", S::Error, Xml, "no control characters that XML 1.0 forbids"},
    {"xml-well-formed", S::Error, Xml, "the file is well-formed XML with declared namespace prefixes"},

    {"rss-root", S::Error, Rss, "the root element is rss with version 2.0"},
    {"rss-channel-count", S::Error, Rss, "exactly one channel"},
    {"rss-channel-required", S::Error, Rss, "the channel has title, link and description"},
    {"rss-item-title", S::Error, Rss, "every item has a title or a description"},
    {"rss-date", S::Error, Rss, "pubDate and lastBuildDate are RFC 822 dates"},
    {"rss-ttl", S::Error, Rss, "ttl is a whole number of minutes"},
    {"rss-enclosure-url", S::Error, Rss, "an enclosure has a web address"},
    {"rss-enclosure-length", S::Error, Rss, "an enclosure's length is a non-negative whole number"},
    {"rss-enclosure-length-zero", S::Warning, Rss, "an enclosure's length is the file's size, not 0"},
    {"rss-enclosure-type", S::Error, Rss, "an enclosure has a MIME type"},
    {"rss-guid-unique", S::Error, Rss, "no two items share a guid"},
    {"rss-guid-permalink", S::Error, Rss, "a guid marked isPermaLink=\"true\" is a web address"},
    {"rss-image-required", S::Error, Rss, "the channel image has url, title and link"},
    {"rss-image-size", S::Error, Rss, "the channel image is at most 144 x 400 pixels"},

    {"apple-image-missing", S::Error, Apple, "the channel has itunes:image"},
    {"apple-image-url", S::Error, Apple, "itunes:image names a .jpg or .png picture on the web"},
    {"apple-image-picture", S::Error, Apple, "the cover is square, 1400 to 3000 pixels, RGB, JPEG or PNG"},
    {"apple-category-missing", S::Error, Apple, "the channel has itunes:category"},
    {"apple-category", S::Error, Apple, "itunes:category is from Apple's list"},
    {"apple-subcategory", S::Error, Apple, "a subcategory belongs to its category"},
    {"apple-explicit", S::Error, Apple, "the channel has itunes:explicit true or false"},
    {"apple-author", S::Warning, Apple, "the channel has itunes:author"},
    {"apple-owner-missing", S::Warning, Apple, "the channel has itunes:owner with an e-mail address"},
    {"apple-owner-email", S::Error, Apple, "the owner's e-mail address is valid"},
    {"apple-language", S::Error, Apple, "the channel has a language"},
    {"apple-enclosure-type", S::Error, Apple, "an enclosure's type is one Apple accepts"},
    {"apple-https", S::Advice, Apple, "media and pictures are linked with https://"},
    {"apple-duration", S::Error, Apple, "itunes:duration is seconds, MM:SS or HH:MM:SS"},
    {"apple-number", S::Error, Apple, "itunes:episode and itunes:season are whole numbers"},
    {"apple-type", S::Error, Apple, "itunes:type is episodic or serial, itunes:episodeType full, trailer or bonus"},

    {"p20-guid", S::Error, Podcast, "podcast:guid is a version 5 UUID"},
    {"p20-guid-feed-url", S::Warning, Podcast, "podcast:guid is the one made from the feed's URL"},
    {"p20-locked", S::Error, Podcast, "podcast:locked is yes or no and names its owner"},
    {"p20-transcript", S::Error, Podcast, "podcast:transcript has a url and a type from the namespace's list"},
    {"p20-chapters", S::Error, Podcast, "podcast:chapters has a url and the type application/json+chapters"},
    {"p20-number", S::Error, Podcast, "podcast:season is a whole number, podcast:episode a number"},

    {"online-status", S::Error, Online, "every linked file answers with success"},
    {"online-length", S::Error, Online, "the server's size of a media file is the enclosure's length"},
    {"online-type", S::Warning, Online, "the server's type of a media file is the enclosure's type"},
    {"online-range", S::Error, Online, "the server honours byte ranges for media files"},
    {"online-redirect", S::Advice, Online, "links reach their file without redirects"},
};

} // namespace

std::span<const Rule> all()
{
    return kRules;
}

const Rule* find(const QString& id)
{
    for (const Rule& r : kRules)
        if (id == QLatin1String(r.id))
            return &r;
    return nullptr;
}

unsigned parseGroups(const QString& list, QString* unknown)
{
    unsigned groups = Xml;
    for (const QString& raw : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = raw.trimmed().toLower();
        if (name == QLatin1String("rss"))
            groups |= Rss;
        else if (name == QLatin1String("apple"))
            groups |= Apple;
        else if (name == QLatin1String("p20"))
            groups |= Podcast;
        else if (name == QLatin1String("xml"))
            continue;
        else {
            if (unknown)
                *unknown = raw.trimmed();
            return 0;
        }
    }
    return groups;
}

} // namespace checkrules

QLatin1String severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error:
        return QLatin1String("error");
    case Severity::Warning:
        return QLatin1String("warning");
    case Severity::Advice:
        break;
    }
    return QLatin1String("advice");
}
