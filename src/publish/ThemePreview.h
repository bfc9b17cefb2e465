#pragma once

#include "publish/ThemeList.h"

#include <QString>

class FeedDocument;
class Prompts;

// What the feed preview window does with themes, without the window: load the list, select
// the remembered theme, and render the chosen one into the page file the browser shows.
class ThemePreview {
public:
    // themesFolder: the home folder's Themes/; pagePath: its "pr-feed-01.tmp".
    ThemePreview(QString themesFolder, QString pagePath, Prompts& prompts);

    // Loads the theme list and selects the remembered entry (the first one when `remembered`
    // is past the end). False after the "Styles not found" message: the program then ends.
    bool open(int remembered);

    const ThemeList& themes() const { return m_themes; }
    // The selected entry; -1 when the list is empty.
    int current() const { return m_current; }

    // Renders entry `index` from the document as it is now (choosing the same entry again
    // renders again) and selects it. Returns the page to show, or the empty text after telling
    // the user why there is none.
    QString render(int index, const FeedDocument& document);

private:
    QString m_themesFolder;
    QString m_pagePath;
    Prompts& m_prompts;
    ThemeList m_themes;
    int m_current = -1;
};
