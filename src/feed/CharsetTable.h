#pragma once

#include <QString>

#include <array>

// One selectable text encoding: the name shown in the encoding list and the charset name
// written into the XML declaration.
struct CharsetEntry {
    const char* displayName;
    const char* charsetName;
};

namespace charsets {

inline constexpr int kCount = 54;
// "Western (Windows-1252)": new podcasts and feeds whose encoding is not in the table.
inline constexpr int kDefaultIndex = 53;

// The 54 entries in the order of the encoding list; positions are the project's encodingIndex.
const std::array<CharsetEntry, kCount>& table();
// The charset name at `index`, or the default entry's for an index outside the table.
QString charsetName(int index);
// The first entry whose charset name equals `name` without regard to case; -1 when none.
int indexOfCharset(const QString& name);

} // namespace charsets
