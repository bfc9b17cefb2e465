#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// An INI file kept in memory with the behaviour of the platform's profile functions: sections
// and keys are matched without regard to case, the first of two equal sections or keys wins,
// a missing key reads as the empty text, writing replaces a key's value where it stands or
// appends the key to its section, a new section goes at the end, and every other line
// (comments, unknown keys, blank lines) is kept byte for byte.
//
// Parse once, edit in memory, save once: save() replaces the file atomically.
class IniFile {
public:
    enum class LoadResult { Loaded, Missing, Unreadable };

    IniFile() = default;

    // Reads and parses the file. A missing or unreadable file leaves an empty document and is
    // reported only through the result (and *error for an unreadable one).
    LoadResult load(const QString& path, QString* error = nullptr);
    static IniFile fromBytes(const QByteArray& data);

    // Writes the whole document to a temporary file and renames it over path. With
    // permissions given, the file gets exactly those (before any content is written).
    bool save(const QString& path, QString* error = nullptr,
              std::optional<QFileDevice::Permissions> permissions = std::nullopt) const;
    QByteArray toBytes() const;

    bool hasSection(const QString& section) const;
    bool contains(const QString& section, const QString& key) const;
    // Value with blanks around it removed; the empty text when the key is missing.
    QString value(const QString& section, const QString& key) const;

    // Line breaks inside the value become blanks, so a value never adds a line.
    void setValue(const QString& section, const QString& key, const QString& value);

    // Line ends used when saving: those of the file read (CR LF when it had none).
    bool usesCrLf() const { return m_crlf; }
    void setUsesCrLf(bool crlf) { m_crlf = crlf; }

    int sectionCount() const { return static_cast<int>(m_sections.size()); }

private:
    struct Line {
        QByteArray text; // without its line end
        int equals = -1; // position of "=" in a key line, -1 for any other line
    };
    struct Section {
        QString name;           // empty for the lines before the first header
        bool hasHeader = false;
        QByteArray header;      // the header line as read or written
        std::vector<Line> lines;
        QHash<QString, int> keys; // folded key → index of its first line
    };

    void parse(const QByteArray& data);
    const Line* findLine(const QString& section, const QString& key) const;
    static QString fold(const QString& name) { return name.toCaseFolded(); }

    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // folded name → index of its first occurrence
    bool m_crlf = true;
    bool m_bom = false;
};
