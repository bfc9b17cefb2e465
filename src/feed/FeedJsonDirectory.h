#pragma once

#include "feed/Channel.h"
#include "feed/Episode.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

#include <array>

// The directory fields and kept XML in the JSON form of FeedJson.h. Internal to the feed layer.
namespace feedjson {

inline void quote(QByteArray& out, const QString& s)
{
    out += '"';
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        switch (u) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (QChar::isHighSurrogate(u) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
                out += s.mid(i, 2).toUtf8();
                ++i;
            } else if (u < 0x20 || QChar::isSurrogate(u)) {
                out += "\\u" + QByteArray::number(u, 16).rightJustified(4, '0');
            } else if (u < 0x80) {
                out += static_cast<char>(u);
            } else {
                out += QString(QChar(u)).toUtf8();
            }
        }
    }
    out += '"';
}

class ObjectWriter {
public:
    ObjectWriter(QByteArray& out, int indent) : m_out(out), m_indent(indent) { m_out += "{"; }
    void key(const char* k)
    {
        m_out += m_first ? "\n" : ",\n";
        m_first = false;
        m_out += QByteArray(m_indent + 2, ' ');
        m_out += '"';
        m_out += k;
        m_out += "\": ";
    }
    void text(const char* k, const QString& v) { key(k); quote(m_out, v); }
    void number(const char* k, int v) { key(k); m_out += QByteArray::number(v); }
    void boolean(const char* k, bool v) { key(k); m_out += v ? "true" : "false"; }
    template <size_t N>
    void flags(const char* k, const std::array<bool, N>& v)
    {
        key(k);
        m_out += '[';
        for (size_t i = 0; i < N; ++i) {
            m_out += i ? ", " : "";
            m_out += v[i] ? "true" : "false";
        }
        m_out += ']';
    }
    void end()
    {
        m_out += '\n';
        m_out += QByteArray(m_indent, ' ');
        m_out += '}';
    }
    QByteArray& out() { return m_out; }

private:
    QByteArray& m_out;
    int m_indent;
    bool m_first = true;
};

// The string fields of a table ({key, member}) that the object has; a value of another type
// fails with "where.key must be a string".
template <typename Record, typename Table>
bool readTexts(const QJsonObject& o, Record& r, const Table& table, const QString& where, QString* error)
{
    for (const auto& f : table) {
        const QJsonValue v = o.value(QLatin1String(f.key));
        if (v.isUndefined())
            continue;
        if (!v.isString()) {
            *error = QStringLiteral("%1.%2 must be a string").arg(where, QLatin1String(f.key));
            return false;
        }
        r.*f.member = v.toString();
    }
    return true;
}

// Keys after the RSS fields, in the order of the declarations.
void writeChannelDirectory(ObjectWriter& w, const Channel& c);
void writeEpisodeDirectory(ObjectWriter& w, const Episode& e);
const QStringList& channelDirectoryKeys();
const QStringList& episodeDirectoryKeys();
// Missing keys leave fields empty; a wrong type or malformed kept XML fails with a reason.
bool readChannelDirectory(const QJsonObject& o, Channel& c, QString* error);
bool readEpisodeDirectory(const QJsonObject& o, Episode& e, const QString& where, QString* error);

} // namespace feedjson
