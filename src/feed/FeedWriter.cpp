#include "feed/FeedWriter.h"

#include "common/ProductInfo.h"
#include "common/Prompts.h"
#include "feed/CharsetTable.h"
#include "feed/DirectoryWriter.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedText.h"
#include "image/ImageHeader.h"

#include <QSaveFile>

namespace {

// `category` with the domain when one is set (even around an empty text), otherwise plain.
void optionalCategory(FeedText& out, const QString& category, const QString& domain, const KeptXml& kept)
{
    const QLatin1String name("category");
    if (!domain.isEmpty()) {
        out.open(name);
        out.attribute(QLatin1String("domain"), domain);
        writeKeptAttributes(out, kept, name, {"domain"});
        out.close(name, category);
        out.ws();
    } else if (!category.isEmpty() || (!kept.attributes.isEmpty() && hasKeptAttributes(kept, name))) {
        out.open(name);
        writeKeptAttributes(out, kept, name);
        out.close(name, category);
        out.ws();
    }
}

// An element written always, with the attributes the feed had on it.
void always(FeedText& out, const char* name, const QString& value, const KeptXml& kept)
{
    const QLatin1String n(name);
    out.open(n);
    writeKeptAttributes(out, kept, n);
    out.close(n, value);
    out.ws();
}

// An element written when its text is set (or the feed had attributes on it).
void ifSet(FeedText& out, const char* name, const QString& value, const KeptXml& kept)
{
    if (kept.attributes.isEmpty()) {
        if (!value.isEmpty())
            out.element(QLatin1String(name), value);
        return;
    }
    if (value.isEmpty() && !hasKeptAttributes(kept, QLatin1String(name)))
        return;
    always(out, name, value, kept);
}

void ifSet(FeedText& out, const char* name, const QString& value)
{
    if (!value.isEmpty())
        out.element(QLatin1String(name), value);
}

void writeItem(FeedText& out, const Episode& e, const DirectoryWriter& directory)
{
    const KeptXml& k = e.kept;
    if (k.attributes.isEmpty()) {
        out.raw(QLatin1String("<item>"));
    } else {
        out.raw(QLatin1String("<item"));
        DirectoryWriter::writeOwnAttributes(out, k, QLatin1String("item"));
        out.raw(QLatin1String(">"));
    }
    out.ws();
    ifSet(out, "title", e.title, k);
    ifSet(out, "description", e.description, k);
    ifSet(out, "pubDate", e.pubDate, k);
    ifSet(out, "link", e.link, k);
    ifSet(out, "author", e.author, k);
    optionalCategory(out, e.category, e.categoryDomain, k);
    ifSet(out, "comments", e.comments, k);
    if (!e.enclosureUrl.isEmpty()) {
        out.open(QLatin1String("enclosure"));
        out.attribute(QLatin1String("url"), e.enclosureUrl);
        out.attribute(QLatin1String("length"), e.enclosureLength);
        out.attribute(QLatin1String("type"), e.enclosureType);
        writeKeptAttributes(out, k, QLatin1String("enclosure"), {"url", "length", "type"});
        out.raw(QLatin1String("/>"));
        out.ws();
    }
    if (!e.guid.isEmpty()) {
        out.open(QLatin1String("guid"));
        out.attribute(QLatin1String("isPermaLink"),
                      e.guidIsPermaLink ? QStringLiteral("true") : QStringLiteral("false"));
        writeKeptAttributes(out, k, QLatin1String("guid"), {"isPermaLink"});
        out.close(QLatin1String("guid"), e.guid);
        out.ws();
    }
    if (!e.sourceUrl.isEmpty()) {
        out.open(QLatin1String("source"));
        out.attribute(QLatin1String("url"), e.sourceUrl);
        writeKeptAttributes(out, k, QLatin1String("source"), {"url"});
        out.close(QLatin1String("source"), e.source);
        out.ws();
    } else {
        ifSet(out, "source", e.source, k);
    }
    directory.writeItem(out, e);
    out.raw(QLatin1String("</item>"));
    out.ws();
}

std::optional<QSize> imageSizeOf(const Channel& c, ImageSizeHint hint)
{
    if (hint && hint->isValid())
        return hint;
    // The header alone gives the size; decoding through Qt Gui would load it into every program
    // that writes a feed.
    const ImageHeader header = ImageHeader::fromFile(c.imageFile);
    if (header.width > 0 && header.height > 0)
        return QSize(header.width, header.height);
    return std::nullopt;
}

void writeImage(FeedText& out, const Channel& c, ImageSizeHint hint)
{
    if (c.kept.attributes.isEmpty()) {
        out.raw(QLatin1String("<image>"));
    } else {
        out.raw(QLatin1String("<image"));
        writeKeptAttributes(out, c.kept, QLatin1String("image"));
        out.raw(QLatin1String(">"));
    }
    out.ws();
    out.element(QLatin1String("url"), c.imageUrl);
    ifSet(out, "link", c.imageLink);
    ifSet(out, "description", c.imageDescription);
    ifSet(out, "title", c.imageTitle);
    bool wroteSize = false;
    if (!c.imageFile.isEmpty()) {
        if (const auto size = imageSizeOf(c, hint)) {
            out.element(QLatin1String("width"), QString::number(size->width()));
            out.element(QLatin1String("height"), QString::number(size->height()));
            wroteSize = true;
        }
    }
    if (!c.keptImageElements.isEmpty())
        DirectoryWriter::writeImageKept(out, c, wroteSize);
    out.raw(QLatin1String("</image>"));
    out.ws();
}

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kStyleTypes[] = {"text/xsl", "text/css"};
const char* const kStyleMedia[] = {"all", "screen", "print", "handheld", "projection", "tv"};

// The href goes into a processing instruction, where references mean nothing and "?>" would
// end it early: characters that would break it are percent-encoded, as in any URL.
QString instructionHref(const QString& href)
{
    QString out;
    out.reserve(href.size());
    for (qsizetype i = 0; i < href.size(); ++i) {
        const char16_t c = href[i].unicode();
        if (c == '"' || c == '<' || c == '>' || c < 0x20 || c == 0x7F)
            out += QStringLiteral("%%1").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0')).toUpper();
        else if (allowedInXml(href, i))
            out += href[i];
    }
    return out;
}

// Enough room for the whole text, so that building it never copies it to grow.
qsizetype estimateSize(const FeedDocument& d)
{
    qsizetype n = 2048 + d.channel.description.size() + d.channel.title.size();
    for (const Episode& e : d.episodes) {
        n += 400 + e.title.size() + e.link.size() + e.description.size() + e.pubDate.size()
            + e.author.size() + e.category.size() + e.categoryDomain.size() + e.guid.size()
            + e.source.size() + e.sourceUrl.size() + e.enclosureUrl.size()
            + e.enclosureLength.size() + e.enclosureType.size() + e.comments.size()
            + e.contentEncoded.size();
        if (!e.kept.isEmpty() || !e.podcastTranscripts.isEmpty() || !e.itunesDuration.isEmpty()) {
            n += 600;
            for (const QString& k : e.kept.elements)
                n += k.size() + 3;
        }
    }
    for (const QString& k : d.channel.kept.elements)
        n += k.size() + 3;
    return n;
}

} // namespace

QString buildFeedText(const FeedDocument& document, int encodingIndex, ImageSizeHint imageSize)
{
    return QString::fromUtf8(buildFeedUtf8(document, encodingIndex, imageSize));
}

QByteArray buildFeedUtf8(const FeedDocument& document, int encodingIndex, ImageSizeHint imageSize)
{
    const Channel& c = document.channel;
    // The estimate counts UTF-16 units; text outside ASCII takes more bytes in UTF-8.
    FeedText out(estimateSize(document) * 3 / 2);
    out.raw(QLatin1String("<?xml version=\"1.0\" encoding=\""));
    out.raw(charsets::charsetName(encodingIndex));
    out.raw(QLatin1String("\"?>\r\n"));
    if (!c.styleSheetHref.isEmpty()) {
        const int type = c.styleSheetType == 1 ? 1 : 0;
        const int media = c.styleSheetMedia >= 0 && c.styleSheetMedia <= 5 ? c.styleSheetMedia : 0;
        out.raw(QStringLiteral("<?xml-stylesheet href=\"%1\" type=\"%2\" media=\"%3\"?>\r\n")
                    .arg(instructionHref(c.styleSheetHref), QLatin1String(kStyleTypes[type]),
                         QLatin1String(kStyleMedia[media])));
    }
    const DirectoryWriter directory(document);
    const KeptXml& k = c.kept;
    out.raw(QLatin1String("<rss version=\"2.0\""));
    directory.writeRssAttributes(out);
    writeKeptAttributes(out, k, QLatin1String("rss"), {"version"});
    out.raw(QLatin1String(">"));
    out.ws();
    out.raw(QLatin1String("<channel"));
    writeKeptAttributes(out, k, QLatin1String("channel"));
    out.raw(QLatin1String(">"));
    out.ws();
    always(out, "generator",
           QLatin1String(product::kName) + QLatin1Char(' ') + QLatin1String(product::kHomepage), k);
    ifSet(out, "pubDate", c.pubDate, k);
    always(out, "title", c.title, k);
    always(out, "description", c.description, k);
    always(out, "link", c.link, k);
    ifSet(out, "copyright", c.copyright, k);
    ifSet(out, "managingEditor", c.managingEditor, k);
    optionalCategory(out, c.category, c.categoryDomain, k);
    ifSet(out, "docs", c.docs, k);
    ifSet(out, "ttl", c.ttl, k);
    ifSet(out, "language", c.language, k);
    ifSet(out, "webMaster", c.webMaster, k);
    if (std::find(c.skipDays.begin(), c.skipDays.end(), true) != c.skipDays.end()) {
        out.raw(QLatin1String("<skipDays>"));
        for (int d = 0; d < 7; ++d)
            if (c.skipDays[d])
                out.raw(QStringLiteral("<day>%1</day>").arg(QLatin1String(kDayNames[d])));
        out.raw(QLatin1String("</skipDays>"));
        out.ws();
    }
    if (std::find(c.skipHours.begin(), c.skipHours.end(), true) != c.skipHours.end()) {
        out.raw(QLatin1String("<skipHours>"));
        for (int h = 0; h < 24; ++h)
            if (c.skipHours[h])
                out.raw(QStringLiteral("<hour>%1</hour>").arg(h));
        out.raw(QLatin1String("</skipHours>"));
        out.ws();
    }
    if (!c.imageUrl.isEmpty())
        writeImage(out, c, imageSize);
    directory.writeChannel(out, c);
    for (const Episode& e : document.episodes)
        writeItem(out, e, directory);
    out.raw(QLatin1String("</channel></rss>\r\n"));
    return out.take();
}

QByteArray buildFeedBytes(const FeedDocument& document, int encodingIndex, ImageSizeHint imageSize)
{
    return encodeFeedUtf8(buildFeedUtf8(document, encodingIndex, imageSize), encodingIndex);
}

FeedWriteResult writeFeedFile(const QString& path, const FeedDocument& document,
                              int encodingIndex, Prompts& prompts, ImageSizeHint imageSize)
{
    return writeEncodedFeed(path, buildFeedBytes(document, encodingIndex, imageSize), prompts);
}

FeedWriteResult writeEncodedFeed(const QString& path, const QByteArray& bytes, Prompts& prompts)
{
    FeedWriteResult result;
    if (bytes.isEmpty()) {
        // An empty file would lose the podcast; the old file stays as it was.
        prompts.message(QStringLiteral("XML Error. Please contact the developers at '%1'")
                            .arg(QLatin1String(product::kSupportEmail)),
                        MessageIcon::Critical);
        result.encodingFailed = true;
        result.error = QStringLiteral("the feed text cannot be converted to its encoding");
        return result;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        result.error = file.errorString();
        return result;
    }
    result.ok = true;
    return result;
}
