#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The writer's output buffer and XML escaping, shared by the RSS writer, the directory-field
// writer and the reader's copy of kept elements. Internal to the feed layer.

// XML 1.0 cannot hold most control characters, U+FFFE, U+FFFF or lone surrogates; they are
// dropped so that every saved feed reads back.
inline bool allowedInXml(QStringView s, qsizetype i)
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

// Element text with &, < and > escaped.
inline void appendEscapedText(QString& out, QStringView s)
{
    // Runs of characters that need nothing are copied whole.
    const QChar* data = s.data();
    qsizetype run = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = data[i].unicode();
        const bool plain = c >= 0x20 && c != '&' && c != '<' && c != '>'
            && (c < 0xD800 || (c > 0xDFFF && c < 0xFFFE));
        if (plain)
            continue;
        out.append(data + run, i - run);
        run = i + 1;
        switch (c) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        default:
            if (allowedInXml(s, i))
                out += data[i];
        }
    }
    out.append(data + run, s.size() - run);
}

// An attribute value for double quotation marks.
inline void appendEscapedAttribute(QString& out, QStringView value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        // Literal whitespace in an attribute would be read back as blanks.
        case '\t': out += QLatin1String("&#9;"); break;
        case '\n': out += QLatin1String("&#10;"); break;
        case '\r': out += QLatin1String("&#13;"); break;
        default:
            if (allowedInXml(value, i))
                out += c;
        }
    }
}

// The same two escapes for the writer's UTF-8 buffer, converting as they go: UTF-16 text goes
// straight into UTF-8 bytes with what XML cannot hold dropped.
template <bool Attribute>
void appendEscapedUtf8(QByteArray& out, QStringView s)
{
    // Room for the longest form of every unit ("&quot;" is six bytes), trimmed afterwards.
    const qsizetype at = out.size();
    out.resize(at + 6 * s.size());
    char* d = out.data() + at;
    const char16_t* p = s.utf16();
    const char16_t* const end = p + s.size();
    const auto put = [&d](const char* text, int n) {
        for (int k = 0; k < n; ++k)
            *d++ = text[k];
    };
    for (; p < end; ++p) {
        const char16_t c = *p;
        if (c < 0x80) {
            if (c >= 0x20 && c != '&' && c != '<' && c != '>' && (!Attribute || c != '"')) {
                *d++ = static_cast<char>(c);
                continue;
            }
            switch (c) {
            case '&': put("&amp;", 5); break;
            case '<': put("&lt;", 4); break;
            case '>': put("&gt;", 4); break;
            case '"': put("&quot;", 6); break;
            // Literal whitespace in an attribute would be read back as blanks.
            case '\t': Attribute ? put("&#9;", 4) : put("\t", 1); break;
            case '\n': Attribute ? put("&#10;", 5) : put("\n", 1); break;
            case '\r': Attribute ? put("&#13;", 5) : put("\r", 1); break;
            default: break; // other control characters
            }
        } else if (c < 0x800) {
            *d++ = static_cast<char>(0xC0 | (c >> 6));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            // Only a high surrogate followed by a low one is a character; lone halves go.
            if (c <= 0xDBFF && p + 1 < end && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
                const char32_t cp = QChar::surrogateToUcs4(c, p[1]);
                *d++ = static_cast<char>(0xF0 | (cp >> 18));
                *d++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                *d++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                *d++ = static_cast<char>(0x80 | (cp & 0x3F));
                ++p;
            }
        } else if (c < 0xFFFE) {
            *d++ = static_cast<char>(0xE0 | (c >> 12));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.truncate(d - out.data());
}

// prefix:local without building a string for it.
struct QualifiedName {
    QStringView prefix;
    QLatin1String local;
};

inline void appendName(QString& out, QLatin1String name) { out += name; }
inline void appendName(QString& out, const QString& name) { out += name; }
inline void appendName(QString& out, const QualifiedName& name)
{
    out += name.prefix;
    out += QLatin1Char(':');
    out += name.local;
}
// Names in the writer's buffer: the RSS names are ASCII, kept ones may not be.
inline void appendName(QByteArray& out, QLatin1String name) { out.append(name.data(), name.size()); }
inline void appendName(QByteArray& out, const QString& name) { out += name.toUtf8(); }
inline void appendName(QByteArray& out, const QualifiedName& name)
{
    out += name.prefix.toUtf8();
    out += ':';
    out.append(name.local.data(), name.local.size());
}

// The writer's output: the feed text built in UTF-8, in one buffer reserved up front.
class FeedText {
public:
    explicit FeedText(qsizetype reserve) { m_out.reserve(reserve); }

    // Markup written as it is: `ascii` is plain ASCII, `markup` already escaped.
    void raw(QLatin1String ascii) { m_out.append(ascii.data(), ascii.size()); }
    void raw(const QString& markup) { m_out += markup.toUtf8(); }
    void ws() { m_out.append("\r\n\t", 3); }

    void text(const QString& s) { appendEscapedUtf8<false>(m_out, s); }

    template <typename Name>
    void name(const Name& name) { appendName(m_out, name); }

    template <typename Name>
    void attribute(const Name& name, const QString& value)
    {
        m_out += ' ';
        appendName(m_out, name);
        m_out.append("=\"", 2);
        appendEscapedUtf8<true>(m_out, value);
        m_out += '"';
    }

    // <name>text</name>, or <name/> when the text is empty; followed by WS.
    template <typename Name>
    void element(const Name& name, const QString& value)
    {
        open(name);
        close(name, value);
        ws();
    }
    template <typename Name>
    void open(const Name& name)
    {
        m_out += '<';
        appendName(m_out, name);
    }
    // Ends the start tag opened by open() with its content and end tag.
    template <typename Name>
    void close(const Name& name, const QString& value)
    {
        if (value.isEmpty()) {
            m_out.append("/>", 2);
            return;
        }
        m_out += '>';
        text(value);
        m_out.append("</", 2);
        appendName(m_out, name);
        m_out += '>';
    }

    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};
