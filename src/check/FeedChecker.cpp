#include "check/FeedChecker.h"

#include "check/CheckContext.h"
#include "feed/TextCodec.h"

#include <QRegularExpression>

#include <optional>

#include <algorithm>

namespace {

constexpr int kMaxRepeats = 5; // findings of one kind in the XML stage before a summary

struct Declaration {
    QString encoding; // as written; empty when not declared
    int column = 1;   // of the encoding pseudo-attribute on line 1
};

// The XML declaration's encoding, read from text that starts where the file does.
Declaration readDeclaration(const QString& head)
{
    Declaration d;
    if (!head.startsWith(QLatin1String("<?xml")))
        return d;
    const qsizetype end = head.indexOf(QLatin1String("?>"));
    static const QRegularExpression encoding(QStringLiteral("\\sencoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch m = encoding.match(head.left(end < 0 ? head.size() : end));
    if (m.hasMatch()) {
        d.encoding = m.captured(1).trimmed();
        d.column = static_cast<int>(m.capturedStart()) + 2;
    }
    return d;
}

QString normalCharset(const QString& name)
{
    QString n = name.toLower();
    n.remove(QLatin1Char('-'));
    n.remove(QLatin1Char('_'));
    return n;
}

bool isUtf16(const QString& name)
{
    return normalCharset(name).startsWith(QLatin1String("utf16"));
}

bool isOneByteCharset(const QString& name)
{
    const QString n = normalCharset(name);
    return n.startsWith(QLatin1String("iso8859")) || n.startsWith(QLatin1String("windows125"))
        || n.startsWith(QLatin1String("cp125")) || n.startsWith(QLatin1String("latin"));
}

// Byte offset of each invalid UTF-8 sequence, at most `limit` of them; `multibyte` tells
// whether a valid sequence of more than one byte was seen.
std::vector<qsizetype> invalidUtf8(const QByteArray& bytes, int limit, bool& multibyte, int& total)
{
    std::vector<qsizetype> bad;
    total = 0;
    multibyte = false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        char32_t min = 0, cp = 0;
        if (c >= 0xc2 && c <= 0xdf) {
            more = 1; min = 0x80; cp = c & 0x1f;
        } else if (c >= 0xe0 && c <= 0xef) {
            more = 2; min = 0x800; cp = c & 0x0f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            more = 3; min = 0x10000; cp = c & 0x07;
        }
        bool ok = more > 0;
        for (int k = 1; ok && k <= more; ++k) {
            if (i + k >= n || (p[i + k] & 0xc0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i + k] & 0x3f);
        }
        if (ok && (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)))
            ok = false;
        if (ok) {
            multibyte = true;
            i += more + 1;
            continue;
        }
        ++total;
        if (static_cast<int>(bad.size()) < limit)
            bad.push_back(i);
        ++i;
    }
    return bad;
}

// Line and column of a byte offset in UTF-8 bytes (columns count characters).
void placeUtf8(const QByteArray& bytes, qsizetype offset, int& line, int& column)
{
    line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i)
        if (bytes[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    column = 1;
    for (qsizetype i = lineStart; i < offset; ++i)
        if ((static_cast<unsigned char>(bytes[i]) & 0xc0) != 0x80)
            ++column;
}

void placeText(const QString& text, qsizetype offset, int& line, int& column)
{
    line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i)
        if (text[i] == QLatin1Char('\n')) {
            ++line;
            lineStart = i + 1;
        }
    column = static_cast<int>(offset - lineStart) + 1;
}

bool forbiddenInXml(char16_t c)
{
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xfffe || c == 0xffff;
}

QString moreOfThem(int more)
{
    return QStringLiteral(" (and %1 more like it)").arg(more);
}

// Decodes the bytes by the encoding they declare, with the XML rules that must hold before
// a parser can read them; an empty optional when they cannot be decoded at all.
std::optional<QString> decodeChecked(const QByteArray& bytes, CheckContext& context)
{
    qsizetype skip = 0;
    QString bomCharset;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        skip = 3;
        bomCharset = QStringLiteral("UTF-8");
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        skip = 2;
        bomCharset = bytes.startsWith("\xFF\xFE") ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-16BE");
    }
    const QByteArray headBytes = bytes.mid(skip, 400);
    const QString head = bomCharset.startsWith(QLatin1String("UTF-16"))
                             ? textcodec::decode(headBytes, bomCharset).value_or(QString())
                             : QString::fromLatin1(headBytes);
    const Declaration declared = readDeclaration(head);
    QString charset = declared.encoding.isEmpty() ? QStringLiteral("UTF-8") : declared.encoding;
    if (!bomCharset.isEmpty()) {
        const bool agrees = declared.encoding.isEmpty()
            || (bomCharset == QLatin1String("UTF-8") ? normalCharset(charset) == QLatin1String("utf8")
                                                      : isUtf16(charset));
        if (!agrees)
            context.addAt("xml-encoding-bom", 1, declared.column, 0, QString(),
                          QStringLiteral("the file starts with a %1 byte-order mark but declares encoding \"%2\"")
                              .arg(bomCharset, declared.encoding));
        charset = bomCharset;
    }
    if (!textcodec::isSupported(charset)) {
        context.addAt("xml-encoding-unknown", 1, declared.column, 0, QString(),
                      QStringLiteral("the declared encoding \"%1\" is not one a reader can decode").arg(charset));
        return std::nullopt;
    }
    const QByteArray body = bytes.mid(skip);
    const bool utf8 = normalCharset(charset) == QLatin1String("utf8");
    bool multibyte = false;
    int total = 0;
    if (utf8 || isOneByteCharset(charset)) {
        const std::vector<qsizetype> bad = invalidUtf8(body, kMaxRepeats, multibyte, total);
        if (utf8) {
            for (size_t i = 0; i < bad.size(); ++i) {
                int line = 0, column = 0;
                placeUtf8(body, bad[i], line, column);
                QString message = QStringLiteral("byte 0x%1 is not valid UTF-8")
                                      .arg(static_cast<unsigned char>(body[bad[i]]), 2, 16, QLatin1Char('0'));
                if (i + 1 == bad.size() && total > kMaxRepeats)
                    message += moreOfThem(total - kMaxRepeats);
                context.addAt("xml-encoding-bytes", line, column, 0, QString(), message);
            }
            return QString::fromUtf8(body);
        }
        if (total == 0 && multibyte)
            context.addAt("xml-encoding-utf8", 1, declared.column, 0, QString(),
                          QStringLiteral("the file declares \"%1\" but its text is UTF-8: declare encoding=\"UTF-8\"")
                              .arg(declared.encoding));
    }
    std::optional<QString> text = textcodec::decode(body, charset);
    if (!text)
        return std::nullopt;
    // A converter marks bytes it cannot map with U+FFFD; UTF-16 may hold the character itself.
    if (!isUtf16(charset)) {
        int found = 0;
        for (qsizetype i = text->indexOf(QChar(0xfffd)); i >= 0; i = text->indexOf(QChar(0xfffd), i + 1)) {
            if (++found > kMaxRepeats)
                continue;
            int line = 0, column = 0;
            placeText(*text, i, line, column);
            context.addAt("xml-encoding-bytes", line, column, 0, QString(),
                          QStringLiteral("a byte here is not valid in the declared encoding \"%1\"").arg(charset));
        }
    }
    return text;
}

// Control characters are reported and blanked, so that the parser goes on past them.
void blankControlCharacters(QString& text, CheckContext& context)
{
    int found = 0;
    int line = 1;
    qsizetype lineStart = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\n') {
            ++line;
            lineStart = i + 1;
            continue;
        }
        if (!forbiddenInXml(c))
            continue;
        if (++found <= kMaxRepeats)
            context.addAt("xml-control-char", line, static_cast<int>(i - lineStart) + 1, 0, QString(),
                          QStringLiteral("control character U+%1 is not allowed in XML")
                              .arg(QString::number(int(c), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        text[i] = QLatin1Char(' ');
    }
    if (found > kMaxRepeats)
        context.addAt("xml-control-char", 0, 0, 0, QString(),
                      QStringLiteral("%1 control characters in all").arg(found));
}

} // namespace

int CheckResult::count(Severity severity) const
{
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [severity](const Finding& f) { return f.severity == severity; }));
}

CheckContext::CheckContext(const ElementTree& tree_, const CheckOptions& options_, CheckResult& result)
    : tree(tree_), options(options_), m_result(result)
{
}

void CheckContext::add(const char* rule, int element, int item, const QString& message)
{
    if (element < 0) {
        addAt(rule, 0, 0, item, QString(), message);
        return;
    }
    const ElementTree::Element& e = tree.at(element);
    addAt(rule, e.line, e.column, item, e.name, message);
}

void CheckContext::addMissing(const char* rule, int parent, int item, const QString& missing,
                              const QString& message)
{
    const ElementTree::Element& e = tree.at(parent);
    addAt(rule, e.line, e.column, item, missing, message);
}

void CheckContext::addAt(const char* rule, int line, int column, int item, const QString& element,
                         const QString& message)
{
    const checkrules::Rule* r = checkrules::find(QLatin1String(rule));
    Q_ASSERT(r);
    if (!r || !wants(r->group))
        return;
    m_result.findings.append({QLatin1String(rule), r->severity, message, line, column, item, element});
}

void CheckContext::addLink(CheckLink::Kind kind, int element, int item, const QString& url)
{
    const ElementTree::Element& e = tree.at(element);
    CheckLink link;
    link.kind = kind;
    link.url = url;
    link.item = item;
    link.element = e.name;
    link.line = e.line;
    link.column = e.column;
    if (kind == CheckLink::Enclosure) {
        link.length = tree.attribute(element, QLatin1String("length")).trimmed();
        link.type = tree.attribute(element, QLatin1String("type")).trimmed();
    }
    m_result.links.append(link);
}

CheckResult FeedChecker::check(const QByteArray& bytes, const CheckOptions& options)
{
    CheckResult result;
    const ElementTree none;
    CheckContext xml(none, options, result);
    std::optional<QString> text = decodeChecked(bytes, xml);
    if (!text) {
        sortFindings(result.findings);
        return result;
    }
    blankControlCharacters(*text, xml);
    ElementTree::Error error;
    const ElementTree tree = ElementTree::parse(*text, &error);
    text.reset();
    if (error.failed) {
        xml.addAt("xml-well-formed", error.line, error.column, 0, QString(), error.message);
        sortFindings(result.findings);
        return result;
    }
    result.wellFormed = true;
    CheckContext context(tree, options, result);
    checkrules::runRss(context);
    checkrules::runApple(context);
    checkrules::runPodcast(context);
    sortFindings(result.findings);
    return result;
}

void FeedChecker::sortFindings(Findings& findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
}
