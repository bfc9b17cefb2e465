#pragma once

#include "feed/FeedNamespaces.h"

#include <QList>
#include <QString>

#include <vector>

// The elements of a feed with where each one starts in the text, for rules that name a line
// and column. Built in one pass with QXmlStreamReader, which also checks that the text is
// well-formed XML with declared namespace prefixes.
class ElementTree {
public:
    struct Attribute {
        QString name;  // qualified as in the source
        QString nsUri; // empty for an unprefixed attribute
        QString value;
    };
    struct Element {
        QString name;  // qualified as in the source: "itunes:image"
        QString local; // "image"
        QString nsUri;
        FeedNs ns = FeedNs::None;
        QString text; // the element's own text and CDATA, not its children's
        int line = 0; // of its "<", 1-based
        int column = 0;
        int parent = -1;
        int firstChild = -1;
        int nextSibling = -1;
        int attrBegin = 0;
        int attrCount = 0;
    };
    struct Error {
        bool failed = false;
        QString message;
        int line = 0;
        int column = 0;
    };

    // Parses already decoded text; the encoding declaration is not looked at. On a
    // well-formedness error the tree holds what came before it.
    static ElementTree parse(const QString& text, Error* error);

    bool isEmpty() const { return m_elements.empty(); }
    int root() const { return m_elements.empty() ? -1 : 0; }
    const Element& at(int index) const { return m_elements[static_cast<size_t>(index)]; }

    // Children of `element` in document order.
    QList<int> children(int element) const;
    // The first child with that namespace and local name, -1 when none.
    int child(int element, FeedNs ns, QLatin1String local) const;
    QList<int> childrenNamed(int element, FeedNs ns, QLatin1String local) const;
    // The element's own text without blanks around it.
    QString text(int element) const { return at(element).text.trimmed(); }
    // An unprefixed attribute; `present` tells an empty value from a missing one.
    QString attribute(int element, QLatin1String name, bool* present = nullptr) const;

private:
    std::vector<Element> m_elements;
    std::vector<Attribute> m_attributes;
};
