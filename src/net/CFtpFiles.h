#pragma once

#include "net/CFtpFile.h"

#include <QHash>
#include <QList>
#include <QString>

// Directory entries in listing order, reachable by position (from 0) or by file name.
class CFtpFiles {
public:
    // Adds the entry under key; returns false (and adds nothing) when the key is taken.
    bool Add(const CFtpFile& item, const QString& key);
    const CFtpFile* Item(qsizetype index) const;
    const CFtpFile* Item(const QString& key) const;
    qsizetype Count() const { return m_items.size(); }
    bool Remove(qsizetype index);
    bool Remove(const QString& key);
    void clear();

    QList<CFtpFile>::const_iterator begin() const { return m_items.cbegin(); }
    QList<CFtpFile>::const_iterator end() const { return m_items.cend(); }

private:
    void reindex();

    QList<CFtpFile> m_items;
    QList<QString> m_keys;
    QHash<QString, qsizetype> m_index;
};
