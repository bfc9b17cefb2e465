#pragma once

#include "app/MainView.h"

class Session;

// The main window without widgets, for programs that open a podcast with nobody looking (the
// command line) and for tests: it keeps what the session shows and gives it back when the
// session reads the window. Selecting a project line runs the session's selection handler
// synchronously, as a real selector does when its selection changes.
class HeadlessMainView : public MainView {
public:
    Session* session = nullptr;

    QStringList projectLines;
    int projectSelection = -1;
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

    void setProjectLines(const QStringList& lines) override;
    void selectProjectLine(int index) override;
    int selectedProjectLine() const override { return projectSelection; }
    ChannelFieldValues channelFields() const override { return fields; }
    void showChannelFields(const ChannelFieldValues& values) override { fields = values; }
    void setLanguageLines(const QStringList& lines) override { languageLines = lines; }
    void selectEncoding(int index) override { encoding = index; }
    void refillEpisodes(const QList<EpisodeRow>& rows, int selectRow) override;
    int selectedEpisodeRow() const override { return episodeRow; }
    void selectEpisodeRow(int row) override { episodeRow = row; }
    void focusEpisodeList() override {}
    void showChannelImage(const QImage&) override { imageShown = true; }
    void clearChannelImage() override { imageShown = false; }
    void setTitle(const QString& text) override { title = text; }
    void applyCommandState(const CommandState& state) override { commands = state; }
    QString searchText() const override { return search; }
    QStringList searchHistory() const override { return history; }
    void setSearchHistory(const QStringList& entries) override { history = entries; }
};
