#pragma once

#include <QString>

#include <vector>

// The episode editor's menus, their items and the toolbar, in the order the window shows them.
// The window builds its menus from this table and the form decides from it which items are
// enabled, so both agree on every name.
namespace episodecommands {

// When an item is offered.
enum class Group {
    Always,    // whatever the "Local file" state: Save && Close, Close, the help items
    LocalFile, // while "Local file" is checked: New, Open, Start recording, Preferences
    TrackFile, // while "Local file" is checked and the "File:" box is not empty
};

struct Menu {
    const char* name;    // "m_file"
    const char* caption; // "File"
};

struct Command {
    const char* name;    // "m_save_exit"
    const char* caption; // "Save && Close" (a "&&" shows as "&")
    const char* menu;    // "m_file"
    Group group;
    bool separatorBefore = false;
    // Refused while a recording runs: it edits the track or its file, or plays it.
    bool notWhileRecording = false;
};

struct ToolButton {
    const char* command;
    const char* tooltip;
};

const std::vector<Menu>& menus();
const std::vector<Command>& commands();
const std::vector<ToolButton>& toolbar();
// The entry of a command name, or nullptr.
const Command* find(const QString& name);
// The caption without the "&" marks of a menu text ("Save & Close").
QString plainCaption(const Command& command);

} // namespace episodecommands
