#pragma once

#include "feed/DirectoryFields.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <pugixml.hpp>

#include <cstring>
#include <optional>

// A feed text parsed for reading: pugixml's DOM over the text in UTF-8, with our own
// reference handling. pugixml never expands entities; references are resolved here, per text
// value: XML's five, character references, and HTML named references the document does not
// declare. Anything else stays as literal text. Internal to the feed layer.
class FeedXml {
public:
    // False when the text is not well-formed XML (or holds more than one root element).
    bool load(const QString& text);
    // The same for UTF-8 text, parsed in place in the buffer given.
    bool loadUtf8(QByteArray text);

    const pugi::xml_document& document() const { return m_doc; }
    pugi::xml_node root() const { return m_doc.document_element(); }

    // All text inside the node, as a DOM's text content: CDATA as written, text unescaped.
    QString text(const pugi::xml_node& node) const;
    QString value(const pugi::xml_attribute& attribute) const;
    // The text of the first node the XPath query selects; std::nullopt when none matches.
    std::optional<QString> firstText(const pugi::xpath_query& query) const;
    // The element as XML markup: text and attribute values with their references resolved and
    // escaped again, CDATA, comments and instructions as written. Namespace declarations on
    // the element that `inherited` holds alike are left out; `extra` ones are added to it.
    QString markup(const pugi::xml_node& element, const QList<XmlNamespace>& inherited,
                   const QList<XmlNamespace>& extra = {}) const;

private:
    QString unescape(const char* raw) const;

    QByteArray m_buffer; // pugixml parses in place: the DOM points into it
    pugi::xml_document m_doc;
    QSet<QByteArray> m_declaredEntities;
};

// Element and attribute names compare exactly (case-sensitive).
inline bool named(const pugi::xml_node& node, const char* name)
{
    return std::strcmp(node.name(), name) == 0;
}
inline bool named(const pugi::xml_attribute& attribute, const char* name)
{
    return attribute && std::strcmp(attribute.name(), name) == 0;
}

// Descriptions keep Windows line ends in the document: every line feed becomes CR LF.
inline QString withCrLf(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}
