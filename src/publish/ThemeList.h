#pragma once

#include <QList>
#include <QString>

class Prompts;

// One installed theme: the display name from its description file and the base name that
// names its template ("<base>.html") beside the description.
struct ThemeEntry {
    QString name;
    QString base;

    bool operator==(const ThemeEntry&) const = default;
};

// The themes found in a theme folder, sorted by base name so that every machine shows them
// in the same order (file systems enumerate in different orders).
class ThemeList {
public:
    enum class LoadResult { Loaded, FolderMissing };

    // Text shown when the theme folder does not exist.
    static QString stylesNotFoundText();

    // Reads every description file ("*inf", not folders) of the folder; a description whose
    // [Theme] Name is empty or missing is skipped. The list is empty after FolderMissing.
    LoadResult load(const QString& themesFolder);

    // As load(), but tells the user about a missing folder with a critical message. Returns
    // false then; the caller ends the program.
    bool loadOrTell(const QString& themesFolder, Prompts& prompts);

    const QString& folder() const { return m_folder; }
    const QList<ThemeEntry>& entries() const { return m_entries; }
    int count() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const ThemeEntry& at(int index) const { return m_entries.at(index); }

    // The entry to select for a remembered index: the same index when it is in the list,
    // otherwise the first entry (0). -1 only for an empty list.
    int rememberedIndex(int remembered) const;

    // The entry whose display name or base name equals text (letters compared without regard
    // to case; base names first); -1 when none does.
    int find(const QString& text) const;

    QString templatePath(int index) const;

private:
    QString m_folder;
    QList<ThemeEntry> m_entries;
};
