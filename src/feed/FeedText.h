#pragma once

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

class FeedText {
public:
    explicit FeedText(qsizetype reserve) { m_out.reserve(reserve); }

    void raw(QLatin1String s) { m_out += s; }
    void raw(const QString& s) { m_out += s; }
    void ws() { m_out += QLatin1String("\r\n\t"); }

    void text(const QString& s) { appendEscapedText(m_out, s); }

    template <typename Name>
    void attribute(const Name& name, const QString& value)
    {
        m_out += QLatin1Char(' ');
        appendName(m_out, name);
        m_out += QLatin1String("=\"");
        appendEscapedAttribute(m_out, value);
        m_out += QLatin1Char('"');
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
        m_out += QLatin1Char('<');
        appendName(m_out, name);
    }
    // Ends the start tag opened by open() with its content and end tag.
    template <typename Name>
    void close(const Name& name, const QString& value)
    {
        if (value.isEmpty()) {
            m_out += QLatin1String("/>");
            return;
        }
        m_out += QLatin1Char('>');
        text(value);
        m_out += QLatin1String("</");
        appendName(m_out, name);
        m_out += QLatin1Char('>');
    }

    QString& buffer() { return m_out; }
    QString take() { return std::move(m_out); }

private:
    QString m_out;
};
