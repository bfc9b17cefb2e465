#include "store/LanguageTable.h"

#include <QFile>

bool LanguageTable::load(const QString& path)
{
    m_entries.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    parse(file.readAll());
    return true;
}

void LanguageTable::parse(const QByteArray& data)
{
    m_entries.clear();
    QByteArray text = data;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    for (QByteArray raw : text.split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.startsWith("<!--"))
            continue;
        const QString line = QString::fromUtf8(raw);
        const qsizetype colon = line.lastIndexOf(QLatin1Char(':'));
        const QString code = (colon < 0 ? line : line.mid(colon + 1)).trimmed();
        if (code.isEmpty())
            continue;
        m_entries.append(Entry{line, code});
    }
}

int LanguageTable::find(const QString& code) const
{
    if (code.isEmpty())
        return -1;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].code == code)
            return i;
    }
    return 0;
}
