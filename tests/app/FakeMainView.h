#pragma once

#include "app/MainView.h"
#include "app/Session.h"

// A main window without widgets. Selecting a project line runs the session's selection handler
// synchronously, as a real selector does when its selection changes.
class FakeMainView : public MainView {
public:
    Session* session = nullptr;

    QStringList projectLines;
    int projectSelection = -1;
    int selectionEvents = 0;
    ChannelFieldValues fields;
    QStringList languageLines;
    int encoding = -1;
    QList<EpisodeRow> episodes;
    int episodeRow = 0;
    bool imageShown = false;
    QString title;
    CommandState commands;
    QString search;
    QStringList history;

    void setProjectLines(const QStringList& lines) override
    {
        projectLines = lines;
        projectSelection = -1;
    }
    void selectProjectLine(int index) override
    {
        if (index == projectSelection)
            return;
        projectSelection = index;
        ++selectionEvents;
        if (session)
            session->projectSelectionChanged();
    }
    int selectedProjectLine() const override { return projectSelection; }
    ChannelFieldValues channelFields() const override { return fields; }
    void showChannelFields(const ChannelFieldValues& values) override { fields = values; }
    void setLanguageLines(const QStringList& lines) override { languageLines = lines; }
    void selectEncoding(int index) override { encoding = index; }
    void refillEpisodes(const QList<EpisodeRow>& rows, int selectRow) override
    {
        episodes = rows;
        episodeRow = (selectRow >= 1 && selectRow <= rows.size()) ? selectRow : 0;
    }
    int selectedEpisodeRow() const override { return episodeRow; }
    void selectEpisodeRow(int row) override { episodeRow = row; }
    void focusEpisodeList() override {}
    void showChannelImage(const QImage&) override { imageShown = true; }
    void clearChannelImage() override { imageShown = false; }
    void setTitle(const QString& t) override { title = t; }
    void applyCommandState(const CommandState& state) override { commands = state; }
    QString searchText() const override { return search; }
    QStringList searchHistory() const override { return history; }
    void setSearchHistory(const QStringList& entries) override { history = entries; }
};
