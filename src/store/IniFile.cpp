#include "store/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cstring>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// QString::fromUtf8 drops a leading byte-order mark; inside a line it is text to keep.
QString utf8(QByteArrayView bytes)
{
    if (!bytes.startsWith(QByteArrayView(kBom)))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Blanks removed at both ends; the profile functions trim spaces and tabs only.
QByteArrayView trimBlanks(QByteArrayView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

// A value or name written into the file must stay on its own line.
QByteArray singleLine(QStringView text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    bytes.replace("\r\n", " ");
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Key names match without regard to letter case.
bool sameName(QByteArrayView stored, QStringView wanted)
{
    if (isAscii(stored) && isAscii(wanted)) {
        if (stored.size() != wanted.size())
            return false;
        for (qsizetype i = 0; i < stored.size(); ++i) {
            if (lower(stored[i]) != lower(static_cast<char>(wanted[i].unicode())))
                return false;
        }
        return true;
    }
    return QString::compare(utf8(stored), wanted, Qt::CaseInsensitive) == 0;
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

void IniFile::parse(const QByteArray& data)
{
    m_text = data;
    qsizetype pos = 0;
    if (m_text.startsWith(kBom)) {
        m_bom = true;
        pos = kBom.size();
    }
    const qsizetype firstLf = m_text.indexOf('\n', pos);
    m_crlf = firstLf < 0 || (firstLf > pos && m_text[firstLf - 1] == '\r');

    const char* d = m_text.constData();
    const qsizetype n = m_text.size();
    m_sections.emplace_back(); // the lines before the first header
    while (pos < n) {
        const void* lf = std::memchr(d + pos, '\n', static_cast<size_t>(n - pos));
        qsizetype end = lf ? static_cast<const char*>(lf) - d : n;
        const qsizetype next = lf ? end + 1 : n;
        // Every CR before the LF belongs to the line end, so a rewritten file reads the same.
        while (end > pos && d[end - 1] == '\r')
            --end;
        Line line;
        line.start = pos;
        line.size = end - pos;
        pos = next;

        qsizetype first = line.start;
        while (first < end && isBlank(d[first]))
            ++first;
        if (first < end && d[first] == '[') {
            const void* close = std::memchr(d + first + 1, ']', static_cast<size_t>(end - first - 1));
            const qsizetype nameEnd = close ? static_cast<const char*>(close) - d : end;
            Section section;
            section.name = utf8(trimBlanks(QByteArrayView(d + first + 1, nameEnd - first - 1)));
            section.hasHeader = true;
            section.header = line;
            m_sections.push_back(std::move(section));
            continue;
        }
        Section& current = m_sections.back();
        if (current.hasHeader && first < end && d[first] != ';') {
            const void* eq = std::memchr(d + first, '=', static_cast<size_t>(end - first));
            if (eq) {
                qsizetype keyEnd = static_cast<const char*>(eq) - d;
                const qsizetype equals = keyEnd - line.start;
                while (keyEnd > first && isBlank(d[keyEnd - 1]))
                    --keyEnd;
                if (keyEnd > first) {
                    line.keyStart = first;
                    line.keySize = keyEnd - first;
                    line.equals = equals;
                }
            }
        }
        current.lines.push_back(line);
    }

    // The index names the first of several sections with the same name.
    m_sectionIndex.reserve(static_cast<qsizetype>(m_sections.size()));
    for (int i = 1; i < static_cast<int>(m_sections.size()); ++i) {
        const QString name = fold(m_sections[i].name);
        if (!m_sectionIndex.contains(name))
            m_sectionIndex.insert(name, i);
    }
}

QByteArray IniFile::toBytes() const
{
    const QByteArrayView eol = m_crlf ? QByteArrayView("\r\n") : QByteArrayView("\n");
    qsizetype size = m_bom ? kBom.size() : 0;
    for (const Section& s : m_sections) {
        size += s.header.size + eol.size();
        for (const Line& l : s.lines)
            size += l.size + eol.size();
    }
    QByteArray out;
    out.reserve(size);
    if (m_bom)
        out += kBom;
    for (const Section& s : m_sections) {
        if (s.hasHeader)
            out.append(text(s.header)).append(eol);
        for (const Line& l : s.lines)
            out.append(text(l)).append(eol);
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

int IniFile::findSection(QStringView section) const
{
    const QStringView wanted = section.trimmed();
    if (m_lastSection >= 0
        && QStringView(m_sections[m_lastSection].name).compare(wanted, Qt::CaseInsensitive) == 0)
        return m_lastSection;
    const auto found = m_sectionIndex.constFind(fold(wanted));
    if (found == m_sectionIndex.cend())
        return -1;
    m_lastSection = *found;
    return *found;
}

int IniFile::findKey(const Section& section, QStringView key) const
{
    const QStringView wanted = key.trimmed();
    for (int i = 0; i < static_cast<int>(section.lines.size()); ++i) {
        const Line& line = section.lines[i];
        if (line.equals >= 0
            && sameName(QByteArrayView(m_text).sliced(line.keyStart, line.keySize), wanted))
            return i;
    }
    return -1;
}

const IniFile::Line* IniFile::findLine(QStringView section, QStringView key) const
{
    const int s = findSection(section);
    if (s < 0)
        return nullptr;
    const int k = findKey(m_sections[s], key);
    return k < 0 ? nullptr : &m_sections[s].lines[k];
}

bool IniFile::hasSection(const QString& section) const
{
    return findSection(section) >= 0;
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
    return utf8(trimBlanks(text(*line).sliced(line->equals + 1)));
}

IniFile::Line IniFile::appendLine(const QByteArray& bytes, qsizetype keySize)
{
    Line line;
    line.start = m_text.size();
    line.size = bytes.size();
    if (keySize > 0) {
        line.keyStart = line.start;
        line.keySize = keySize;
        line.equals = keySize;
    }
    m_text.append(bytes);
    return line;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    QByteArray bytes = trimBlanks(singleLine(key)).toByteArray();
    const qsizetype keySize = bytes.size();
    bytes.append('=').append(singleLine(value));

    const int s = findSection(section);
    if (s < 0) {
        if (m_sections.empty())
            m_sections.emplace_back();
        Section added;
        added.name = section.trimmed();
        added.hasHeader = true;
        added.header = appendLine("[" + singleLine(added.name) + "]", 0);
        added.lines.push_back(appendLine(bytes, keySize));
        m_sectionIndex.insert(fold(added.name), static_cast<int>(m_sections.size()));
        m_sections.push_back(std::move(added));
        return;
    }
    Section& sec = m_sections[s];
    const int k = findKey(sec, key);
    if (k >= 0) {
        sec.lines[k] = appendLine(bytes, keySize);
        return;
    }
    // After the section's last non-blank line, so blank lines keep separating the sections.
    int at = static_cast<int>(sec.lines.size());
    while (at > 0 && trimBlanks(text(sec.lines[at - 1])).isEmpty())
        --at;
    sec.lines.insert(sec.lines.begin() + at, appendLine(bytes, keySize));
}
