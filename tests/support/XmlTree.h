#pragma once

#include <QByteArray>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>

namespace testutil {

// A feed as a sorted list of its elements, one line each: the path of expanded names
// ({namespace}local), the element's attributes sorted (namespace declarations left out) and its
// own text with layout blanks trimmed. Items carry their position in the path, so that two
// feeds with the same elements compare equal whatever the order of siblings, prefixes or
// layout, and a changed value shows as one line. Elements named in `ignore` are left out.
inline QStringList xmlTree(const QByteArray& xml, const QStringList& ignore = {})
{
    QXmlStreamReader r(xml);
    QStringList lines, path, texts;
    int items = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            QString name = QStringLiteral("{%1}%2").arg(r.namespaceUri(), r.name());
            if (r.name() == QLatin1String("item") && r.namespaceUri().isEmpty())
                name += QLatin1Char('#') + QString::number(items++);
            QStringList attributes;
            for (const QXmlStreamAttribute& a : r.attributes())
                attributes << QStringLiteral("{%1}%2=%3").arg(a.namespaceUri(), a.name(), a.value());
            attributes.sort();
            path << name + QLatin1Char(' ') + attributes.join(QLatin1Char(' '));
            texts << QString();
        } else if (r.isCharacters()) {
            if (!texts.isEmpty())
                texts.last() += r.text();
        } else if (r.isEndElement()) {
            const QString own = texts.takeLast().simplified();
            if (!ignore.contains(r.name().toString()))
                lines << path.join(QLatin1String(" / ")) + QLatin1String(" [") + own + QLatin1Char(']');
            path.removeLast();
        }
    }
    if (r.hasError())
        lines << QStringLiteral("XML ERROR: ") + r.errorString();
    lines.sort();
    return lines;
}

// Lines of `a` not in `b`, each once per surplus occurrence.
inline QStringList treeMinus(QStringList a, const QStringList& b)
{
    for (const QString& line : b)
        a.removeOne(line);
    return a;
}

} // namespace testutil
