#pragma once

#include <QList>
#include <QString>

// The feed languages offered for a podcast, read from languages.txt in file order.
class LanguageTable {
public:
    struct Entry {
        QString line; // shown in the language list
        QString code; // the feed's language code
        bool operator==(const Entry&) const = default;
    };

    // Replaces the table with the file's entries. A missing or unreadable file leaves the
    // table empty and returns false.
    bool load(const QString& path);
    void parse(const QByteArray& data);

    // Position of the first entry whose code equals code exactly (letter case counts);
    // 0 when none does, -1 for an empty code.
    int find(const QString& code) const;

    const QList<Entry>& entries() const { return m_entries; }
    int count() const { return static_cast<int>(m_entries.size()); }

private:
    QList<Entry> m_entries;
};
