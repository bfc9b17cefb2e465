#include "feed/FeedWriter.h"

#include "common/ProductInfo.h"
#include "common/Prompts.h"
#include "feed/CharsetTable.h"
#include "feed/FeedEncoding.h"

#include <QImageReader>
#include <QSaveFile>

namespace {

// XML 1.0 cannot hold most control characters, U+FFFE, U+FFFF or lone surrogates; they are
// dropped so that every saved feed reads back.
bool allowedInXml(const QString& s, qsizetype i)
{
    const char16_t c = s[i].unicode();
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r';
    if (c == 0xFFFE || c == 0xFFFF)
        return false;
    if (QChar::isHighSurrogate(c))
        return i + 1 < s.size() && s[i + 1].isLowSurrogate();
    if (QChar::isLowSurrogate(c))
        return i > 0 && s[i - 1].isHighSurrogate();
    return true;
}

class FeedText {
public:
    explicit FeedText(qsizetype reserve) { m_out.reserve(reserve); }

    void raw(QLatin1String s) { m_out += s; }
    void raw(const QString& s) { m_out += s; }
    void ws() { m_out += QLatin1String("\r\n\t"); }

    void text(const QString& s)
    {
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            switch (c.unicode()) {
            case '&': m_out += QLatin1String("&amp;"); break;
            case '<': m_out += QLatin1String("&lt;"); break;
            case '>': m_out += QLatin1String("&gt;"); break;
            default:
                if (allowedInXml(s, i))
                    m_out += c;
            }
        }
    }

    void attribute(QLatin1String name, const QString& value)
    {
        m_out += QLatin1Char(' ');
        m_out += name;
        m_out += QLatin1String("=\"");
        for (qsizetype i = 0; i < value.size(); ++i) {
            const QChar c = value[i];
            switch (c.unicode()) {
            case '&': m_out += QLatin1String("&amp;"); break;
            case '<': m_out += QLatin1String("&lt;"); break;
            case '>': m_out += QLatin1String("&gt;"); break;
            case '"': m_out += QLatin1String("&quot;"); break;
            // Literal whitespace in an attribute would be read back as blanks.
            case '\t': m_out += QLatin1String("&#9;"); break;
            case '\n': m_out += QLatin1String("&#10;"); break;
            case '\r': m_out += QLatin1String("&#13;"); break;
            default:
                if (allowedInXml(value, i))
                    m_out += c;
            }
        }
        m_out += QLatin1Char('"');
    }

    // <name>text</name>, or <name/> when the text is empty; followed by WS.
    void element(QLatin1String name, const QString& value)
    {
        open(name);
        close(name, value);
        ws();
    }
    void open(QLatin1String name)
    {
        m_out += QLatin1Char('<');
        m_out += name;
    }
    // Ends the start tag opened by open() with its content and end tag.
    void close(QLatin1String name, const QString& value)
    {
        if (value.isEmpty()) {
            m_out += QLatin1String("/>");
            return;
        }
        m_out += QLatin1Char('>');
        text(value);
        m_out += QLatin1String("</");
        m_out += name;
        m_out += QLatin1Char('>');
    }

    QString take() { return std::move(m_out); }

private:
    QString m_out;
};

// `category` with the domain when one is set (even around an empty text), otherwise plain.
void optionalCategory(FeedText& out, const QString& category, const QString& domain)
{
    if (!domain.isEmpty()) {
        out.open(QLatin1String("category"));
        out.attribute(QLatin1String("domain"), domain);
        out.close(QLatin1String("category"), category);
        out.ws();
    } else if (!category.isEmpty()) {
        out.element(QLatin1String("category"), category);
    }
}

void ifSet(FeedText& out, const char* name, const QString& value)
{
    if (!value.isEmpty())
        out.element(QLatin1String(name), value);
}

void writeItem(FeedText& out, const Episode& e)
{
    out.raw(QLatin1String("<item>"));
    out.ws();
    ifSet(out, "title", e.title);
    ifSet(out, "description", e.description);
    ifSet(out, "pubDate", e.pubDate);
    ifSet(out, "link", e.link);
    ifSet(out, "author", e.author);
    optionalCategory(out, e.category, e.categoryDomain);
    ifSet(out, "comments", e.comments);
    if (!e.enclosureUrl.isEmpty()) {
        out.open(QLatin1String("enclosure"));
        out.attribute(QLatin1String("url"), e.enclosureUrl);
        out.attribute(QLatin1String("length"), e.enclosureLength);
        out.attribute(QLatin1String("type"), e.enclosureType);
        out.raw(QLatin1String("/>"));
        out.ws();
    }
    if (!e.guid.isEmpty()) {
        out.open(QLatin1String("guid"));
        out.attribute(QLatin1String("isPermaLink"),
                      e.guidIsPermaLink ? QStringLiteral("true") : QStringLiteral("false"));
        out.close(QLatin1String("guid"), e.guid);
        out.ws();
    }
    if (!e.sourceUrl.isEmpty()) {
        out.open(QLatin1String("source"));
        out.attribute(QLatin1String("url"), e.sourceUrl);
        out.close(QLatin1String("source"), e.source);
        out.ws();
    } else if (!e.source.isEmpty()) {
        out.element(QLatin1String("source"), e.source);
    }
    out.raw(QLatin1String("</item>"));
    out.ws();
}

std::optional<QSize> imageSizeOf(const Channel& c, ImageSizeHint hint)
{
    if (hint && hint->isValid())
        return hint;
    QImageReader reader(c.imageFile);
    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty())
        return size;
    return std::nullopt;
}

void writeImage(FeedText& out, const Channel& c, ImageSizeHint hint)
{
    out.raw(QLatin1String("<image>"));
    out.ws();
    out.element(QLatin1String("url"), c.imageUrl);
    ifSet(out, "link", c.imageLink);
    ifSet(out, "description", c.imageDescription);
    ifSet(out, "title", c.imageTitle);
    if (!c.imageFile.isEmpty()) {
        if (const auto size = imageSizeOf(c, hint)) {
            out.element(QLatin1String("width"), QString::number(size->width()));
            out.element(QLatin1String("height"), QString::number(size->height()));
        }
    }
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

qsizetype estimateSize(const FeedDocument& d)
{
    qsizetype n = 1024 + d.channel.description.size();
    for (const Episode& e : d.episodes)
        n += 256 + e.title.size() + e.description.size() + e.link.size() + e.enclosureUrl.size();
    return n;
}

} // namespace

QString buildFeedText(const FeedDocument& document, int encodingIndex, ImageSizeHint imageSize)
{
    const Channel& c = document.channel;
    FeedText out(estimateSize(document));
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
    out.raw(QLatin1String("<rss version=\"2.0\">"));
    out.ws();
    out.raw(QLatin1String("<channel>"));
    out.ws();
    out.element(QLatin1String("generator"),
                QLatin1String(product::kName) + QLatin1Char(' ') + QLatin1String(product::kHomepage));
    ifSet(out, "pubDate", c.pubDate);
    out.element(QLatin1String("title"), c.title);
    out.element(QLatin1String("description"), c.description);
    out.element(QLatin1String("link"), c.link);
    ifSet(out, "copyright", c.copyright);
    ifSet(out, "managingEditor", c.managingEditor);
    optionalCategory(out, c.category, c.categoryDomain);
    ifSet(out, "docs", c.docs);
    ifSet(out, "ttl", c.ttl);
    ifSet(out, "language", c.language);
    ifSet(out, "webMaster", c.webMaster);
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
    for (const Episode& e : document.episodes)
        writeItem(out, e);
    out.raw(QLatin1String("</channel></rss>\r\n"));
    return out.take();
}

QByteArray buildFeedBytes(const FeedDocument& document, int encodingIndex, ImageSizeHint imageSize)
{
    return encodeFeedText(buildFeedText(document, encodingIndex, imageSize), encodingIndex);
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
