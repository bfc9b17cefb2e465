#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <pugixml.hpp>

#include <optional>

// A feed text parsed for reading: pugixml's DOM over a UTF-8 copy of the text, with our own
// reference handling. pugixml never expands entities; references are resolved here, per text
// value: XML's five, character references, and HTML named references the document does not
// declare. Anything else stays as literal text. Internal to the feed layer.
class FeedXml {
public:
    // False when the text is not well-formed XML (or holds more than one root element).
    bool load(const QString& text);

    const pugi::xml_document& document() const { return m_doc; }
    pugi::xml_node root() const { return m_doc.document_element(); }

    // All text inside the node, as a DOM's text content: CDATA as written, text unescaped.
    QString text(const pugi::xml_node& node) const;
    QString value(const pugi::xml_attribute& attribute) const;
    // The text of the first node the XPath query selects; std::nullopt when none matches.
    std::optional<QString> firstText(const pugi::xpath_query& query) const;

private:
    QString unescape(const char* raw) const;

    QByteArray m_buffer; // pugixml parses in place: the DOM points into it
    pugi::xml_document m_doc;
    QSet<QByteArray> m_declaredEntities;
};
