#include "gui/CommandTable.h"

const std::vector<MenuDef>& mainMenus()
{
    static const std::vector<MenuDef> menus = {
        {"m_File", "Podcast"}, {"m_item", "Episode"}, {"m_tools", "Tools"}, {"m_help", "Help"}};
    return menus;
}

const std::vector<MenuItemDef>& mainMenuItems()
{
    static const std::vector<MenuItemDef> items = {
        {"m_File", "m_new", "New...", "Ctrl+N"},
        {"m_File", "m_open", "Open...", "Ctrl+O", true},
        {"m_File", "m_save", "Save", "Ctrl+S"},
        {"m_File", "m_save_as", "Save as..."},
        {"m_File", "m_remove", "Remove", "", true},
        {"m_File", "m_download", "Download..."},
        {"m_File", "m_upload", "Upload...", "F2", true},
        {"m_File", "m_quit", "Quit", "Ctrl+Q"},
        {"m_item", "m_item_new", "New...", "Ctrl+I"},
        {"m_item", "m_item_clone", "Clone", "", true},
        {"m_item", "m_item_cut", "Cut"},
        {"m_item", "m_item_copy", "Copy"},
        {"m_item", "m_item_paste", "Paste"},
        {"m_item", "m_item_remove", "Remove", "", true},
        {"m_item", "m_item_up", "Move Up", "Ctrl+Z"},
        {"m_item", "m_item_down", "Move Down", "Ctrl+X", true},
        {"m_item", "m_ep_play", "Play"},
        {"m_item", "m_ep_stop", "Stop"},
        {"m_tools", "m_image_edit", "Image editor..."},
        {"m_tools", "m_preview", "Preview...", "F7"},
        {"m_tools", "m_check", "Check feed...", "", true},
        {"m_tools", "m_options", "Preferences..."},
        {"m_help", "m_contents", "Contents", "F1"},
        {"m_help", "m_what_this", "What's this? Help", "Shift+F1"},
        {"m_help", "m_video_tutorial", "Video tutorial"},
        {"m_help", "m_homepage", "Internet homepage", "", true},
        {"m_help", "m_about", "About..."},
    };
    return items;
}

const std::vector<ContextItemDef>& episodeContextItems()
{
    static const std::vector<ContextItemDef> items = {
        {"c_new_item", "Insert new item", "m_item_new"},
        {"c_clone_item", "Duplicate item", "m_item_clone"},
        {"c_cut_item", "Cut item", "m_item_cut"},
        {"c_copy_item", "Copy item", "m_item_copy"},
        {"c_paste_item", "Paste item", "m_item_paste"},
        {"c_remove_item", "Remove item", "m_item_remove"},
        {"c_item_up", "Move item up", "m_item_up"},
        {"c_item_down", "Move item down", "m_item_down"},
    };
    return items;
}

const std::vector<ToolButtonDef>& toolButtons()
{
    static const std::vector<ToolButtonDef> buttons = {
        {0, "New podcast", "m_new", false, "Toolbar2", "document-new"},
        {1, "Open podcast", "m_open", false, "Toolbar2", "document-open"},
        {2, "Save podcast", "m_save", true, "Toolbar2", "document-save"},
        {3, "Remove podcast", "m_remove", true, "Toolbar2", "edit-delete"},
        {4, "Download podcast feed", "m_download", false, "Toolbar2", "go-down"},
        {5, "Publish podcast", "m_upload", true, "Toolbar2", "go-up"},
        {6, "Help", "m_contents", false, "Toolbar2", "help-contents"},
        {30, "New episode", "m_item_new", true, "Toolbar3", "list-add"},
        {31, "Clone episode", "m_item_clone", true, "Toolbar3", "edit-copy"},
        {32, "Remove episode", "m_item_remove", true, "Toolbar3", "list-remove"},
        {33, "Move up", "m_item_up", true, "Toolbar3", "go-up"},
        {34, "Move down", "m_item_down", true, "Toolbar3", "go-down"},
        {35, "Play", "m_ep_play", true, "Toolbar4", "media-playback-start"},
        {36, "Stop", "m_ep_stop", true, "Toolbar4", "media-playback-stop"},
        {7, "Search", "search", true, "Toolbar1", "edit-find"},
    };
    return buttons;
}
