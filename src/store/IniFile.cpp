#include "store/IniFile.h"

#include <QFile>
#include <QSaveFile>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Blanks removed at both ends; the profile functions trim spaces and tabs only.
QByteArray trimBlanks(const QByteArray& text, qsizetype from = 0, qsizetype to = -1)
{
    if (to < 0)
        to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.mid(from, to - from);
}

qsizetype firstNonBlank(const QByteArray& text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

// A value or name written into the file must stay on its own line.
QByteArray singleLine(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    bytes.replace("\r\n", " ");
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

QString sectionName(const QByteArray& line, qsizetype open)
{
    const qsizetype close = line.indexOf(']', open + 1);
    return QString::fromUtf8(trimBlanks(line, open + 1, close < 0 ? line.size() : close));
}

} // namespace

IniFile::LoadResult IniFile::load(const QString& path, QString* error)
{
    *this = IniFile();
    QFile file(path);
    if (!file.exists())
        return LoadResult::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return LoadResult::Unreadable;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return LoadResult::Unreadable;
    }
    parse(data);
    return LoadResult::Loaded;
}

IniFile IniFile::fromBytes(const QByteArray& data)
{
    IniFile ini;
    ini.parse(data);
    return ini;
}

void IniFile::parse(const QByteArray& input)
{
    QByteArray data = input;
    if (data.startsWith(kBom)) {
        m_bom = true;
        data.remove(0, kBom.size());
    }
    const qsizetype firstLf = data.indexOf('\n');
    m_crlf = firstLf < 0 || (firstLf > 0 && data[firstLf - 1] == '\r');

    m_sections.emplace_back(); // the lines before the first header
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype end = data.indexOf('\n', pos);
        const qsizetype next = end < 0 ? data.size() : end + 1;
        if (end < 0)
            end = data.size();
        if (end > pos && data[end - 1] == '\r')
            --end;
        Line line{data.mid(pos, end - pos), -1};
        pos = next;

        const qsizetype start = firstNonBlank(line.text);
        if (start < line.text.size() && line.text[start] == '[') {
            Section section;
            section.name = sectionName(line.text, start);
            section.hasHeader = true;
            section.header = line.text;
            m_sections.push_back(std::move(section));
            continue;
        }
        Section& current = m_sections.back();
        const qsizetype equals = line.text.indexOf('=');
        if (current.hasHeader && equals > 0 && line.text[start] != ';') {
            const QString key = fold(QString::fromUtf8(trimBlanks(line.text, 0, equals)));
            if (!key.isEmpty()) {
                line.equals = static_cast<int>(equals);
                if (!current.keys.contains(key))
                    current.keys.insert(key, static_cast<int>(current.lines.size()));
            }
        }
        current.lines.push_back(std::move(line));
    }

    // The index must name the first of several sections with the same name.
    m_sectionIndex.clear();
    for (int i = 1; i < static_cast<int>(m_sections.size()); ++i) {
        const QString name = fold(m_sections[i].name);
        if (!m_sectionIndex.contains(name))
            m_sectionIndex.insert(name, i);
    }
}

QByteArray IniFile::toBytes() const
{
    const QByteArray eol = m_crlf ? QByteArray("\r\n") : QByteArray("\n");
    qsizetype size = m_bom ? kBom.size() : 0;
    for (const Section& s : m_sections) {
        size += s.header.size() + eol.size();
        for (const Line& l : s.lines)
            size += l.text.size() + eol.size();
    }
    QByteArray out;
    out.reserve(size);
    if (m_bom)
        out += kBom;
    for (const Section& s : m_sections) {
        if (s.hasHeader)
            out.append(s.header).append(eol);
        for (const Line& l : s.lines)
            out.append(l.text).append(eol);
    }
    return out;
}

bool IniFile::save(const QString& path, QString* error,
                   std::optional<QFileDevice::Permissions> permissions) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (permissions && !file.setPermissions(*permissions)) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    const QByteArray data = toBytes();
    if (file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool IniFile::hasSection(const QString& section) const
{
    return m_sectionIndex.contains(fold(section.trimmed()));
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    const auto s = m_sectionIndex.constFind(fold(section.trimmed()));
    if (s == m_sectionIndex.cend())
        return nullptr;
    const Section& sec = m_sections[*s];
    const auto k = sec.keys.constFind(fold(key.trimmed()));
    return k == sec.keys.cend() ? nullptr : &sec.lines[*k];
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    return findLine(section, key) != nullptr;
}

QString IniFile::value(const QString& section, const QString& key) const
{
    const Line* line = findLine(section, key);
    if (!line)
        return QString();
    return QString::fromUtf8(trimBlanks(line->text, line->equals + 1));
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    const QByteArray keyBytes = trimBlanks(singleLine(key));
    QByteArray text = keyBytes;
    text.append('=').append(singleLine(value));
    const Line line{text, static_cast<int>(keyBytes.size())};
    const QString foldedKey = fold(QString::fromUtf8(keyBytes));

    const QString foldedSection = fold(section.trimmed());
    auto s = m_sectionIndex.constFind(foldedSection);
    if (s == m_sectionIndex.cend()) {
        if (m_sections.empty())
            m_sections.emplace_back();
        Section added;
        added.name = section.trimmed();
        added.hasHeader = true;
        added.header = "[" + singleLine(added.name) + "]";
        added.lines.push_back(line);
        added.keys.insert(foldedKey, 0);
        m_sectionIndex.insert(foldedSection, static_cast<int>(m_sections.size()));
        m_sections.push_back(std::move(added));
        return;
    }
    Section& sec = m_sections[*s];
    const auto k = sec.keys.constFind(foldedKey);
    if (k != sec.keys.cend()) {
        sec.lines[*k] = line;
        return;
    }
    // After the section's last non-blank line, so blank lines keep separating the sections.
    int at = static_cast<int>(sec.lines.size());
    while (at > 0 && trimBlanks(sec.lines[at - 1].text).isEmpty())
        --at;
    sec.lines.insert(sec.lines.begin() + at, line);
    sec.keys.insert(foldedKey, at);
}
