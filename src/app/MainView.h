#pragma once

#include "feed/Channel.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// What the main window shows of the session, and reads back from it. The desktop program
// implements it with widgets; tests implement it with a fake. Row numbers of the episode list
// count from 1 (0: no row); project lines count from 0.

// The channel fields of the tabs.
struct ChannelFieldValues {
    QString title;
    QString link;
    QString description;
    QString copyright;
    QString managingEditor;
    QString webMaster;
    // The date and time pickers ("PubDate:").
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int languageIndex = -1; // selected line of the language list, -1 none
    bool autoDate = false;  // "Auto PubDate"
    // The "Directories" tab: the directory members of this channel (ChannelDirectoryForm);
    // its other members are not read.
    Channel directory;

    bool operator==(const ChannelFieldValues&) const = default;
};

struct EpisodeRow {
    QString title;
    QString pubDate;
};

// Which commands the window offers.
struct CommandState {
    bool hasPodcast = false;  // at least one project entry
    bool hasEpisodes = false; // the document has at least one episode
    bool busy = false;        // a feed is being read or downloaded
};

class MainView {
public:
    virtual ~MainView() = default;

    // The project selector: replaces its lines without raising a selection event.
    virtual void setProjectLines(const QStringList& lines) = 0;
    // Selects a line; whenever the selection changes this runs the session's project-list
    // selection handler synchronously, as a user's choice in the selector does.
    virtual void selectProjectLine(int index) = 0;
    virtual int selectedProjectLine() const = 0;

    virtual ChannelFieldValues channelFields() const = 0;
    virtual void showChannelFields(const ChannelFieldValues& values) = 0;

    virtual void setLanguageLines(const QStringList& lines) = 0;
    virtual void selectEncoding(int index) = 0;

    // Replaces the episode list and selects `selectRow` (scrolled into view; 0 selects none).
    virtual void refillEpisodes(const QList<EpisodeRow>& rows, int selectRow) = 0;
    virtual int selectedEpisodeRow() const = 0;
    virtual void selectEpisodeRow(int row) = 0;
    virtual void focusEpisodeList() = 0;

    virtual void showChannelImage(const QImage& image) = 0;
    virtual void clearChannelImage() = 0;

    virtual void setTitle(const QString& title) = 0;
    virtual void applyCommandState(const CommandState& state) = 0;

    // The search box: its text and its list (the history, newest first).
    virtual QString searchText() const = 0;
    virtual QStringList searchHistory() const = 0;
    virtual void setSearchHistory(const QStringList& entries) = 0;
};
