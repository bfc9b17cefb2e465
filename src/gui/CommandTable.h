#pragma once

#include <QString>

#include <vector>

// The main window's menus, context menu and toolbar buttons as data, so that the window builds
// them in one loop and tests can check every caption, key and separator.
struct MenuItemDef {
    const char* menu;     // "m_File", "m_item", "m_tools", "m_help"
    const char* name;     // command name, e.g. "m_open"
    const char* caption;  // "Open..."
    const char* key = ""; // "Ctrl+O", "F2", "Shift+F1"
    bool separatorAfter = false;
};

struct MenuDef {
    const char* name;    // "m_File"
    const char* caption; // "Podcast"
};

struct ContextItemDef {
    const char* name;    // "c_new_item"
    const char* caption; // "Insert new item"
    const char* command; // the Episode menu command it runs
};

struct ToolButtonDef {
    int id;
    const char* tooltip;
    const char* command;     // menu command it runs, or "search"
    bool needsPodcast;       // does nothing while no podcast exists
    const char* toolbar;     // "Toolbar1" .. "Toolbar4"
    const char* iconTheme;   // freedesktop icon name
};

const std::vector<MenuDef>& mainMenus();
const std::vector<MenuItemDef>& mainMenuItems();
const std::vector<ContextItemDef>& episodeContextItems();
const std::vector<ToolButtonDef>& toolButtons();
