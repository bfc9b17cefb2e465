#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The file formats the track opens and saves, and the naming rules of the save dialog.
namespace audioformats {

struct FilterEntry {
    const char* description;
    const char* patterns; // ";"-separated
};

// The open (and mix) dialog's list, in order.
const std::vector<FilterEntry>& openFilters();
// The save dialog's list, in order; filter index = position + 1.
const std::vector<FilterEntry>& saveFilters();
// "Description (patterns)|..." lines ready for a file dialog.
QStringList dialogFilters(const std::vector<FilterEntry>& list);

// The name a save with the 1-based filter index writes: the filter's extension is added unless the
// upper-cased name already contains it anywhere; G.72x and VOX add none.
QString savedFileName(const QString& chosen, int filterIndex);

// Lower-case extension of a path without the dot ("mp3"); empty when there is none.
QString extensionOf(const QString& path);
bool canSave(const QString& path);

} // namespace audioformats
