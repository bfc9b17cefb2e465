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

    // Line breaks inside the value become blanks, so a value never adds a line. Keys are the
    // program's own names: no "=" in them, none starting with "[" or ";".
    void setValue(const QString& section, const QString& key, const QString& value);

    // Line ends used when saving: those of the file read (CR LF when it had none).
    bool usesCrLf() const { return m_crlf; }
    void setUsesCrLf(bool crlf) { m_crlf = crlf; }

    int sectionCount() const { return static_cast<int>(m_sections.size()); }

private:
    // Lines are spans of m_text: the file's bytes as read, with edited lines appended, so a
    // large file costs a few allocations rather than one per line.
    struct Line {
        qsizetype start = 0;
        qsizetype size = 0; // without the line end
        qsizetype keyStart = 0; // the key, blanks removed, in a key line
        qsizetype keySize = 0;
        qsizetype equals = -1; // position of "=" within the line; -1 for any other line
    };
    struct Section {
        QString name; // empty for the lines before the first header
        bool hasHeader = false;
        Line header;
        std::vector<Line> lines;
    };

    void parse(const QByteArray& data);
    QByteArrayView text(const Line& line) const { return QByteArrayView(m_text).sliced(line.start, line.size); }
    Line appendLine(const QByteArray& bytes, qsizetype keySize);
    int findSection(QStringView section) const;
    const Line* findLine(QStringView section, QStringView key) const;
    int findKey(const Section& section, QStringView key) const;
    static QString fold(QStringView name) { return name.trimmed().toString().toCaseFolded(); }

    QByteArray m_text;
    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // folded name → index of its first occurrence
    // The last section looked up: readers ask for one section's keys in a row.
    mutable int m_lastSection = -1;
    bool m_crlf = true;
    bool m_bom = false;
};
