#include "feed/FeedXml.h"

#include "feed/FeedText.h"
#include "feed/HtmlEntities.h"

#include <cstring>

namespace {

void appendUtf8(QByteArray& out, char32_t cp)
{
    const QString s = QString::fromUcs4(&cp, 1);
    out += s.toUtf8();
}

// Names declared by <!ENTITY name ...> in the internal subset; their references stay literal.
QSet<QByteArray> declaredEntityNames(const pugi::xml_document& doc)
{
    QSet<QByteArray> names;
    for (const pugi::xml_node& n : doc.children()) {
        if (n.type() != pugi::node_doctype)
            continue;
        const QByteArray subset(n.value());
        qsizetype from = 0;
        while ((from = subset.indexOf("<!ENTITY", from)) >= 0) {
            from += 8;
            while (from < subset.size() && (subset[from] == ' ' || subset[from] == '\t'
                                            || subset[from] == '\n' || subset[from] == '%'))
                ++from;
            qsizetype end = from;
            while (end < subset.size() && subset[end] != ' ' && subset[end] != '\t'
                   && subset[end] != '\n')
                ++end;
            names.insert(subset.mid(from, end - from));
        }
    }
    return names;
}

long parseNumber(QByteArrayView digits, int base)
{
    if (digits.isEmpty() || digits.size() > 8)
        return -1;
    long value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return -1;
        value = value * base + d;
    }
    return value;
}

bool isXmlChar(long cp)
{
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF)
        || (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

} // namespace

bool FeedXml::load(const QString& text)
{
    return loadUtf8(text.toUtf8());
}

bool FeedXml::loadUtf8(QByteArray text)
{
    m_buffer = std::move(text);
    m_declaredEntities.clear();
    // No parse_escapes: references are resolved per value by unescape(), so pugixml never
    // turns "&amp;nbsp;" into something that looks like an HTML reference. As a fragment, text
    // outside the root element is kept, so that the check below can refuse it.
    const unsigned flags = (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_ws_pcdata
        | pugi::parse_fragment | pugi::parse_doctype;
    const pugi::xml_parse_result result =
        m_doc.load_buffer_inplace(m_buffer.data(), static_cast<size_t>(m_buffer.size()), flags,
                                  pugi::encoding_utf8);
    if (!result)
        return false;
    int elements = 0;
    for (const pugi::xml_node& n : m_doc.children()) {
        if (n.type() == pugi::node_element)
            ++elements;
        else if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
            for (const char* p = n.value(); *p; ++p)
                if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
                    return false;
        }
    }
    if (elements != 1)
        return false;
    m_declaredEntities = declaredEntityNames(m_doc);
    return true;
}

QString FeedXml::unescape(const char* raw) const
{
    const char* amp = std::strchr(raw, '&');
    if (!amp)
        return QString::fromUtf8(raw);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(std::strlen(raw)));
    const char* p = raw;
    while (amp) {
        out.append(p, amp - p);
        const char* semi = amp + 1;
        while (*semi && *semi != ';' && *semi != '&' && semi - amp < 40)
            ++semi;
        bool replaced = false;
        if (*semi == ';') {
            const QByteArrayView name(amp + 1, semi - amp - 1);
            if (name.startsWith('#')) {
                const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
                const long cp = parseNumber(name.sliced(hex ? 2 : 1), hex ? 16 : 10);
                if (isXmlChar(cp)) {
                    appendUtf8(out, static_cast<char32_t>(cp));
                    replaced = true;
                }
            } else if (name == "amp") {
                out += '&', replaced = true;
            } else if (name == "lt") {
                out += '<', replaced = true;
            } else if (name == "gt") {
                out += '>', replaced = true;
            } else if (name == "quot") {
                out += '"', replaced = true;
            } else if (name == "apos") {
                out += '\'', replaced = true;
            } else if (!m_declaredEntities.contains(name.toByteArray())) {
                if (const char32_t cp = htmlentities::lookup(name)) {
                    appendUtf8(out, cp);
                    replaced = true;
                }
            }
        }
        if (replaced) {
            p = semi + 1;
        } else {
            out += '&';
            p = amp + 1;
        }
        amp = std::strchr(p, '&');
    }
    out += p;
    return QString::fromUtf8(out);
}

QString FeedXml::text(const pugi::xml_node& node) const
{
    if (node.type() == pugi::node_pcdata)
        return unescape(node.value());
    if (node.type() == pugi::node_cdata)
        return QString::fromUtf8(node.value());
    // The common case: one text child.
    const pugi::xml_node first = node.first_child();
    if (!first)
        return {};
    if (!first.next_sibling() && !first.first_child())
        return text(first);
    // Depth-first without recursion: hostile nesting cannot exhaust the stack.
    QString result;
    pugi::xml_node cur = first;
    while (cur) {
        if (cur.type() == pugi::node_pcdata || cur.type() == pugi::node_cdata)
            result += text(cur);
        if (cur.first_child()) {
            cur = cur.first_child();
            continue;
        }
        while (cur && cur != node && !cur.next_sibling())
            cur = cur.parent();
        if (!cur || cur == node)
            break;
        cur = cur.next_sibling();
    }
    return result;
}

QString FeedXml::value(const pugi::xml_attribute& attribute) const
{
    return unescape(attribute.value());
}

std::optional<QString> FeedXml::firstText(const pugi::xpath_query& query) const
{
    const pugi::xpath_node found = query.evaluate_node(m_doc);
    if (!found)
        return std::nullopt;
    if (found.attribute())
        return value(found.attribute());
    return text(found.node());
}

namespace {

bool declaredAlike(const QList<XmlNamespace>& list, QStringView prefix, QStringView uri)
{
    for (const XmlNamespace& n : list)
        if (n.prefix == prefix && n.uri == uri)
            return true;
    return false;
}

} // namespace

QString FeedXml::markup(const pugi::xml_node& element, const QList<XmlNamespace>& inherited,
                        const QList<XmlNamespace>& extra) const
{
    QString out;
    // Depth-first without recursion: hostile nesting cannot exhaust the stack.
    pugi::xml_node cur = element;
    for (;;) {
        switch (cur.type()) {
        case pugi::node_element: {
            out += QLatin1Char('<');
            out += QString::fromUtf8(cur.name());
            for (const pugi::xml_attribute& a : cur.attributes()) {
                const QString name = QString::fromUtf8(a.name());
                const QString v = value(a);
                if (cur == element && name.startsWith(QLatin1String("xmlns"))
                    && declaredAlike(inherited, name.size() > 5 ? QStringView(name).mid(6) : QStringView(), v))
                    continue;
                out += QLatin1Char(' ') + name + QLatin1String("=\"");
                appendEscapedAttribute(out, v);
                out += QLatin1Char('"');
            }
            if (cur == element) {
                for (const XmlNamespace& n : extra) {
                    out += n.prefix.isEmpty() ? QStringLiteral(" xmlns=\"") : QStringLiteral(" xmlns:%1=\"").arg(n.prefix);
                    appendEscapedAttribute(out, n.uri);
                    out += QLatin1Char('"');
                }
            }
            out += cur.first_child() ? QLatin1String(">") : QLatin1String("/>");
            break;
        }
        case pugi::node_pcdata:
            appendEscapedText(out, unescape(cur.value()));
            break;
        case pugi::node_cdata:
            out += QLatin1String("<![CDATA[") + QString::fromUtf8(cur.value()) + QLatin1String("]]>");
            break;
        case pugi::node_comment:
            out += QLatin1String("<!--") + QString::fromUtf8(cur.value()) + QLatin1String("-->");
            break;
        case pugi::node_pi:
            out += QLatin1String("<?") + QString::fromUtf8(cur.name());
            if (*cur.value())
                out += QLatin1Char(' ') + QString::fromUtf8(cur.value());
            out += QLatin1String("?>");
            break;
        default:
            break;
        }
        if (cur.type() == pugi::node_element && cur.first_child()) {
            cur = cur.first_child();
            continue;
        }
        for (;;) {
            if (cur == element)
                return out;
            if (cur.next_sibling()) {
                cur = cur.next_sibling();
                break;
            }
            cur = cur.parent();
            out += QLatin1String("</") + QString::fromUtf8(cur.name()) + QLatin1Char('>');
        }
    }
}
