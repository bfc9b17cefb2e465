#include "feed/FeedEncoding.h"

#include "feed/CharsetTable.h"
#include "feed/TextCodec.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace {

// Start and end (exclusive) of every processing instruction before the root element (the only
// place the writer puts them; text and attribute values never hold "<" unescaped).
std::vector<std::pair<qsizetype, qsizetype>> instructionRanges(QByteArrayView text)
{
    std::vector<std::pair<qsizetype, qsizetype>> ranges;
    qsizetype at = text.indexOf('<');
    while (at >= 0 && at + 1 < text.size()) {
        const char next = text[at + 1];
        if (next != '?' && next != '!')
            break;
        qsizetype end = next == '?' ? text.indexOf("?>", at + 2) : text.indexOf('>', at + 2);
        if (end < 0)
            end = text.size();
        else
            end += next == '?' ? 2 : 1;
        if (next == '?')
            ranges.emplace_back(at, end);
        at = text.indexOf('<', end);
    }
    return ranges;
}

// Start and end (exclusive) of the content of every CDATA section, in order.
std::vector<std::pair<qsizetype, qsizetype>> cdataRanges(QByteArrayView text)
{
    static const QByteArrayView open("<![CDATA["), close("]]>");
    std::vector<std::pair<qsizetype, qsizetype>> ranges;
    qsizetype at = 0;
    while ((at = text.indexOf(open, at)) >= 0) {
        const qsizetype start = at + open.size();
        qsizetype end = text.indexOf(close, start);
        if (end < 0)
            end = text.size();
        ranges.emplace_back(start, end);
        at = end;
    }
    return ranges;
}

struct Bom {
    const char* charset;
    qsizetype length;
};

// A byte-order mark, or the first characters of a declaration in a UTF-16 or UTF-32 form.
std::optional<Bom> byteOrder(QByteArrayView b)
{
    auto starts = [&](const char* prefix, qsizetype n) {
        return b.size() >= n && std::equal(prefix, prefix + n, b.data());
    };
    if (starts("\xEF\xBB\xBF", 3))
        return Bom{"utf-8", 3};
    if (starts("\xFF\xFE\x00\x00", 4))
        return Bom{"utf-32le", 4};
    if (starts("\x00\x00\xFE\xFF", 4))
        return Bom{"utf-32be", 4};
    if (starts("\xFF\xFE", 2))
        return Bom{"utf-16le", 2};
    if (starts("\xFE\xFF", 2))
        return Bom{"utf-16be", 2};
    if (starts("<\x00\x00\x00", 4))
        return Bom{"utf-32le", 0};
    if (starts("\x00\x00\x00<", 4))
        return Bom{"utf-32be", 0};
    if (starts("<\x00?\x00", 4))
        return Bom{"utf-16le", 0};
    if (starts("\x00<\x00?", 4))
        return Bom{"utf-16be", 0};
    return std::nullopt;
}

qsizetype indexOfNoCase(QByteArrayView haystack, QByteArrayView needle, qsizetype from)
{
    if (needle.isEmpty())
        return from;
    for (qsizetype i = from; i + needle.size() <= haystack.size(); ++i) {
        qsizetype k = 0;
        while (k < needle.size()
               && QChar::toLower(static_cast<uchar>(haystack[i + k]))
                   == QChar::toLower(static_cast<uchar>(needle[k])))
            ++k;
        if (k == needle.size())
            return i;
    }
    return -1;
}

struct SourceCharset {
    QString name;
    qsizetype skip = 0; // the byte-order mark
};

SourceCharset sourceCharset(QByteArrayView bytes)
{
    if (const auto bom = byteOrder(bytes))
        return {QString::fromLatin1(bom->charset), bom->length};
    QString charset = declaredCharsetName(bytes);
    // A declaration read as single bytes cannot be UTF-16 or UTF-32 text (those forms were
    // recognised above); such a file is mislabelled, and UTF-8 is what it almost always is.
    if (charset.startsWith(QLatin1String("utf-16"), Qt::CaseInsensitive)
        || charset.startsWith(QLatin1String("utf-32"), Qt::CaseInsensitive))
        charset = QStringLiteral("utf-8");
    return {charset, 0};
}

std::optional<QString> decodeOptional(QByteArrayView bytes)
{
    const SourceCharset source = sourceCharset(bytes);
    return textcodec::decode(bytes.sliced(source.skip), source.name);
}

} // namespace

QString markupPart(const QString& text)
{
    const qsizetype first = text.indexOf(QLatin1Char('<'));
    const qsizetype last = text.lastIndexOf(QLatin1Char('>'));
    if (first < 0 || last < first)
        return {};
    return text.mid(first, last - first + 1);
}

QByteArray encodeFeedText(const QString& text, int encodingIndex)
{
    return encodeFeedUtf8(text.toUtf8(), encodingIndex);
}

QByteArray encodeFeedUtf8(QByteArrayView fullText, int encodingIndex)
{
    const qsizetype first = fullText.indexOf('<');
    const qsizetype last = fullText.lastIndexOf('>');
    if (first < 0 || last < first)
        return {};
    const QByteArrayView text = fullText.sliced(first, last - first + 1);
    const auto ranges = instructionRanges(text);
    // CDATA sections (kept from a source feed) are only looked for when a character needs a
    // reference: there the section is closed around the reference.
    std::optional<std::vector<std::pair<qsizetype, qsizetype>>> cdata;
    // Whether an offset lies in a tag outside an attribute value, i.e. in a name; followed
    // forward from the last character that needed a reference (offsets only grow).
    struct {
        qsizetype pos = 0;
        bool inTag = false, inValue = false;
    } scan;
    const auto fallback = [&ranges, &cdata, &scan, text](char32_t cp, qsizetype offset) {
        for (const auto& [start, end] : ranges)
            if (offset >= start && offset < end)
                return QStringLiteral("?");
        const QString reference = QStringLiteral("&#%1;").arg(static_cast<quint32>(cp));
        if (!cdata)
            cdata = cdataRanges(text);
        const auto after = std::upper_bound(cdata->begin(), cdata->end(), offset,
                                            [](qsizetype o, const auto& r) { return o < r.first; });
        if (after != cdata->begin() && offset < std::prev(after)->second)
            return QStringLiteral("]]>") + reference + QStringLiteral("<![CDATA[");
        for (auto next = std::lower_bound(cdata->begin(), cdata->end(), scan.pos,
                                          [](const auto& r, qsizetype o) { return r.second <= o; });
             scan.pos < offset; ++scan.pos) {
            while (next != cdata->end() && next->second <= scan.pos)
                ++next;
            if (next != cdata->end() && scan.pos >= next->first) {
                scan.pos = next->second;
                continue;
            }
            const char c = text[scan.pos];
            if (c == '<' && !scan.inValue)
                scan.inTag = true;
            else if (c == '>' && !scan.inValue)
                scan.inTag = false;
            else if (c == '"' && scan.inTag)
                scan.inValue = !scan.inValue;
        }
        // A name (of an element kept from another feed) cannot hold a reference.
        if (scan.inTag && !scan.inValue)
            return QStringLiteral("_");
        return reference;
    };
    return textcodec::encodeUtf8(text, charsets::charsetName(encodingIndex), fallback)
        .value_or(QByteArray());
}

QString declaredCharsetName(QByteArrayView bytes)
{
    if (const auto bom = byteOrder(bytes))
        return QString::fromLatin1(bom->charset);
    const QString fallback = QStringLiteral("utf-8");
    QByteArrayView tag = bytes;
    const qsizetype open = bytes.indexOf('<');
    if (open >= 0) {
        const qsizetype close = bytes.indexOf('>', open);
        if (close >= 0)
            tag = bytes.sliced(open, close - open + 1);
    }
    const qsizetype decl = indexOfNoCase(tag, "<?xml", 0);
    if (decl < 0)
        return fallback;
    const qsizetype enc = indexOfNoCase(tag, "encoding", decl + 5);
    if (enc < 0)
        return fallback;
    const qsizetype eq = tag.indexOf('=', enc + 8);
    if (eq < 0)
        return fallback;
    // The value is quoted by whichever mark follows the "=", or runs to a blank or "?>".
    qsizetype start = eq + 1;
    while (start < tag.size() && (tag[start] == ' ' || tag[start] == '\t'))
        ++start;
    qsizetype end = -1;
    if (start < tag.size() && (tag[start] == '"' || tag[start] == '\'')) {
        end = tag.indexOf(tag[start], start + 1);
        ++start;
    } else {
        const qsizetype blank = tag.indexOf(' ', start);
        const qsizetype pi = tag.indexOf("?>", start);
        end = blank >= 0 && (pi < 0 || blank < pi) ? blank : pi;
    }
    if (end < 0)
        end = tag.size();
    return QString::fromLatin1(tag.sliced(start, end - start)).trimmed();
}

QString decodeFeedText(QByteArrayView bytes)
{
    return decodeOptional(bytes).value_or(QString());
}

int detectDeclaredEncoding(const QString& text)
{
    const qsizetype enc = text.indexOf(QLatin1String("encoding"), 0, Qt::CaseInsensitive);
    if (enc < 0)
        return charsets::kDefaultIndex;
    const qsizetype eq = text.indexOf(QLatin1Char('='), enc + 8);
    if (eq < 0)
        return charsets::kDefaultIndex;
    qsizetype end = text.indexOf(QLatin1Char('?'), eq + 1);
    if (end < 0)
        end = text.indexOf(QLatin1Char('>'), eq + 1);
    if (end < 0)
        return charsets::kDefaultIndex;
    QString value = text.mid(eq + 1, end - eq - 1).trimmed();
    value.remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
    const int index = charsets::indexOfCharset(value);
    if (index >= 0)
        return index;
    // A declaration that goes on after the encoding (standalone="yes"): its first word.
    const int first = charsets::indexOfCharset(value.section(QLatin1Char(' '), 0, 0));
    return first >= 0 ? first : charsets::kDefaultIndex;
}

int detectDeclaredEncodingUtf8(QByteArrayView text)
{
    // No character outside ASCII folds to a letter of "encoding", so the search for it can run
    // over the bytes; the rest of the rule runs on the short text up to the value's end.
    const qsizetype enc = indexOfNoCase(text, "encoding", 0);
    if (enc < 0)
        return charsets::kDefaultIndex;
    const qsizetype eq = text.indexOf('=', enc + 8);
    if (eq < 0)
        return charsets::kDefaultIndex;
    qsizetype end = text.indexOf('?', eq + 1);
    if (end < 0)
        end = text.indexOf('>', eq + 1);
    if (end < 0)
        return charsets::kDefaultIndex;
    return detectDeclaredEncoding(QString::fromUtf8(text.first(end + 1)));
}

QString replaceEntities(const QString& text)
{
    static const std::pair<char16_t, const char*> table[] = {
        {0x00A9, "&copy;"},  {0x00AE, "&reg;"},   {0x2122, "&trade;"},
        {0x20AC, "&euro;"},  {0x201E, "&bdquo;"}, {0x201C, "&ldquo;"},
        {0x00AB, "&laquo;"}, {0x00BB, "&raquo;"}, {0x00A7, "&sect;"},
    };
    QString result = text;
    for (const auto& [c, entity] : table)
        result.replace(QChar(c), QLatin1String(entity));
    return result;
}

FeedFileUtf8 feedUtf8FromBytes(QByteArray bytes)
{
    FeedFileUtf8 result;
    const SourceCharset source = sourceCharset(bytes);
    std::optional<QByteArray> decoded;
    // Well-formed UTF-8 is already what the reader parses: the buffer itself is kept.
    if (source.skip == 0 && textcodec::isUtf8(source.name) && textcodec::isValidUtf8(bytes)
        && !bytes.startsWith("\xEF\xBB\xBF"))
        decoded = bytes;
    else
        decoded = textcodec::decodeToUtf8(QByteArrayView(bytes).sliced(source.skip), source.name);
    if (!decoded) {
        // No converter for the declared charset: the podcast opens empty, but only a file
        // that holds markup at all counts as one.
        const qsizetype first = bytes.indexOf('<');
        if (first < 0 || bytes.lastIndexOf('>') < first)
            result.status = FeedFileText::Status::NoMarkup;
        return result;
    }
    const qsizetype first = decoded->indexOf('<');
    const qsizetype last = decoded->lastIndexOf('>');
    if (first < 0 || last < first) {
        result.status = FeedFileText::Status::NoMarkup;
        return result;
    }
    // Invalid bytes decode to U+FFFD; a replacement character the file really holds is the only
    // other source of one (encoded as UTF-8, since other encodings cannot hold it).
    static const QByteArrayView replacement("\xEF\xBF\xBD");
    const bool fromFile = bytes.contains(replacement);
    bytes.clear(); // the buffer is shared with `decoded` when it was kept
    decoded->truncate(last + 1);
    decoded->remove(0, first);
    result.utf8 = std::move(*decoded);
    result.lossless = fromFile || !result.utf8.contains(replacement);
    return result;
}

FeedFileText feedTextFromBytes(QByteArrayView bytes)
{
    FeedFileUtf8 utf8 = feedUtf8FromBytes(bytes.toByteArray());
    return {utf8.status, QString::fromUtf8(utf8.utf8), utf8.lossless};
}

FeedFileUtf8 readFeedFileUtf8(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {FeedFileText::Status::CannotRead, {}};
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    // One read of the whole file into one buffer: one spare byte shows whether it has grown,
    // and only then (or for what is no regular file) is it read on.
    QByteArray bytes(regular ? static_cast<qsizetype>(info.st_size) + 1 : 65536, Qt::Uninitialized);
    qsizetype got = 0;
    bool failed = false;
    for (;;) {
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        got += n;
        if (regular && got == info.st_size && got < bytes.size())
            break;
        if (got == bytes.size())
            bytes.resize(got * 2);
    }
    ::close(fd);
    if (failed)
        return {FeedFileText::Status::CannotRead, {}};
    bytes.truncate(got);
    return feedUtf8FromBytes(std::move(bytes));
}

FeedFileText readFeedFile(const QString& path)
{
    FeedFileUtf8 utf8 = readFeedFileUtf8(path);
    return {utf8.status, QString::fromUtf8(utf8.utf8), utf8.lossless};
}
