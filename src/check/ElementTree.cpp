#include "check/ElementTree.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace {

// Where each line starts, to turn the reader's character offsets into lines and columns.
class LineIndex {
public:
    explicit LineIndex(const QString& text)
    {
        m_starts.push_back(0);
        const QChar* d = text.constData();
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = d[i].unicode();
            if (c == u'\n' || (c == u'\r' && (i + 1 == n || d[i + 1].unicode() != u'\n')))
                m_starts.push_back(i + 1);
        }
    }
    void place(qint64 offset, int& line, int& column) const
    {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
        const auto index = std::distance(m_starts.begin(), it) - 1;
        line = static_cast<int>(index) + 1;
        column = static_cast<int>(offset - m_starts[static_cast<size_t>(index)]) + 1;
    }

private:
    std::vector<qint64> m_starts;
};

} // namespace

ElementTree ElementTree::parse(const QString& text, Error* error)
{
    ElementTree tree;
    const LineIndex lines(text);
    QXmlStreamReader reader(text);
    std::vector<int> open;   // elements whose end tag is still to come
    std::vector<int> last;   // the last child seen of each open element
    QString uri;             // shared between elements of one namespace
    FeedNs ns = FeedNs::None;
    qint64 tokenStart = 0;
    while (!reader.atEnd()) {
        tokenStart = reader.characterOffset();
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            Element e;
            if (reader.namespaceUri() != uri) {
                uri = reader.namespaceUri().toString();
                ns = feedns::fromUri(uri.toUtf8());
            }
            e.nsUri = uri;
            e.ns = ns;
            e.name = reader.qualifiedName().toString();
            e.local = reader.name().toString();
            // The reader may have taken the "<" already after text, and whitespace before the
            // root element is no token of its own: the tag starts at the next "<" from there.
            lines.place(text.indexOf(QLatin1Char('<'), qMax<qint64>(0, tokenStart - 1)), e.line, e.column);
            const QXmlStreamAttributes attributes = reader.attributes();
            e.attrBegin = static_cast<int>(tree.m_attributes.size());
            e.attrCount = static_cast<int>(attributes.size());
            for (const QXmlStreamAttribute& a : attributes)
                tree.m_attributes.push_back({a.qualifiedName().toString(), a.namespaceUri().toString(),
                                             a.value().toString()});
            const int index = static_cast<int>(tree.m_elements.size());
            if (!open.empty()) {
                e.parent = open.back();
                if (last.back() < 0)
                    tree.m_elements[static_cast<size_t>(open.back())].firstChild = index;
                else
                    tree.m_elements[static_cast<size_t>(last.back())].nextSibling = index;
                last.back() = index;
            }
            tree.m_elements.push_back(std::move(e));
            open.push_back(index);
            last.push_back(-1);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            last.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!open.empty())
                tree.m_elements[static_cast<size_t>(open.back())].text += reader.text();
            break;
        default:
            break;
        }
    }
    if (error) {
        *error = {};
        if (reader.hasError()) {
            error->failed = true;
            error->message = reader.errorString();
            error->line = static_cast<int>(reader.lineNumber());
            error->column = static_cast<int>(reader.columnNumber()) + 1;
        }
    }
    return tree;
}

QList<int> ElementTree::children(int element) const
{
    QList<int> out;
    for (int c = at(element).firstChild; c >= 0; c = at(c).nextSibling)
        out.append(c);
    return out;
}

int ElementTree::child(int element, FeedNs ns, QLatin1String local) const
{
    for (int c = at(element).firstChild; c >= 0; c = at(c).nextSibling)
        if (at(c).ns == ns && at(c).local == local)
            return c;
    return -1;
}

QList<int> ElementTree::childrenNamed(int element, FeedNs ns, QLatin1String local) const
{
    QList<int> out;
    for (int c = at(element).firstChild; c >= 0; c = at(c).nextSibling)
        if (at(c).ns == ns && at(c).local == local)
            out.append(c);
    return out;
}

QString ElementTree::attribute(int element, QLatin1String name, bool* present) const
{
    const Element& e = at(element);
    for (int i = e.attrBegin; i < e.attrBegin + e.attrCount; ++i) {
        const Attribute& a = m_attributes[static_cast<size_t>(i)];
        if (a.nsUri.isEmpty() && a.name == name) {
            if (present)
                *present = true;
            return a.value;
        }
    }
    if (present)
        *present = false;
    return {};
}
