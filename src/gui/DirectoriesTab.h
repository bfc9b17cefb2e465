#pragma once

#include "app/ChannelDirectoryForm.h"

#include <QScrollArea>

#include <array>

class DirectoryPanel;
class Prompts;
class QComboBox;
class QLabel;

// The main window's "Directories" tab: the channel's directory fields in a scroll area, so
// that the tab fits the window at its smallest. Apple's category is chosen in two linked lists
// (category, then one of its subcategories), twice; "Generate" makes the podcast GUID.
class DirectoriesTab : public QScrollArea {
public:
    explicit DirectoriesTab(QWidget* parent = nullptr);

    void setPrompts(Prompts* prompts) { m_prompts = prompts; }
    ChannelDirectoryForm& form() { return m_form; }
    // Shows a channel's directory fields.
    void showChannel(const Channel& channel);
    const Channel& values() const { return m_form.values(); }
    DirectoryPanel* panel() const { return m_panel; }

private:
    void addCategoryRows();
    void showCategories();
    void generateGuid();

    ChannelDirectoryForm m_form;
    DirectoryPanel* m_panel = nullptr;
    Prompts* m_prompts = nullptr;
    std::array<QComboBox*, ChannelDirectoryForm::kCategorySlots> m_categories{};
    std::array<QComboBox*, ChannelDirectoryForm::kCategorySlots> m_subcategories{};
    std::array<QLabel*, ChannelDirectoryForm::kCategorySlots> m_categoryReasons{};
    bool m_filling = false;
};
