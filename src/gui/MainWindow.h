#pragma once

#include "app/MainView.h"

#include <QHash>
#include <QMainWindow>

#include <functional>

class DirectoriesTab;
class EpisodeListModel;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QTimeEdit;
class QToolBar;
class QTreeView;

// The program's main window: the podcast selector, the channel fields on three tabs, the channel
// image, the episode list, menus, toolbars and the status bar. It shows what the session tells
// it and passes every command on by name; it holds no podcast data of its own.
class MainWindow : public QMainWindow, public MainView {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Wiring to the session.
    std::function<void(const QString& command)> onCommand;
    std::function<void()> onProjectSelected;
    std::function<void(const QString& title)> onTitleEdited;
    std::function<void(int index)> onEncodingChosen;
    // Placeholders: (no podcast, channel image set, episodes exist).
    std::function<void(bool& noPodcast, bool& hasImage)> placeholderState;
    // Asked before the window closes; false keeps it open (the user chose to stay).
    std::function<bool()> onCloseRequested;
    // The unload steps; runs once, when the window closes for any reason.
    std::function<void()> onUnload;

    void setEncodingLines(const QStringList& lines);
    void setStatusText(const QString& text);
    QString statusText() const;
    QAction* action(const QString& name) const { return m_actions.value(name); }
    DirectoriesTab* directoriesTab() const { return m_directories; }
    QAction* toolButton(int id) const { return m_toolButtons.value(id); }
    // Shows and focuses the channel field of a feed element ("title", "language" ...); false
    // when the window has no field for it.
    bool focusChannelField(const QString& element);
    // Runs a toolbar button as a click does (the id table of the toolbars).
    void clickToolButton(int id);
    // Closes without asking anything (a termination signal arrived).
    void closeUnattended();
    bool unattended() const { return m_unattended; }

    // MainView
    void setProjectLines(const QStringList& lines) override;
    void selectProjectLine(int index) override;
    int selectedProjectLine() const override;
    ChannelFieldValues channelFields() const override;
    void showChannelFields(const ChannelFieldValues& values) override;
    void setLanguageLines(const QStringList& lines) override;
    void selectEncoding(int index) override;
    void refillEpisodes(const QList<EpisodeRow>& rows, int selectRow) override;
    int selectedEpisodeRow() const override;
    void selectEpisodeRow(int row) override;
    void focusEpisodeList() override;
    void showChannelImage(const QImage& image) override;
    void clearChannelImage() override;
    void setTitle(const QString& title) override;
    void applyCommandState(const CommandState& state) override;
    QString searchText() const override;
    QStringList searchHistory() const override;
    void setSearchHistory(const QStringList& entries) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildToolbars();
    QWidget* buildChannelTabs();
    QWidget* buildImageArea();
    QWidget* buildEpisodeList();
    void buildStatusBar();
    void run(const QString& command);
    void refreshPlaceholders();
    void updateClock();
    void layoutPlaceholders();

    QHash<QString, QAction*> m_actions;
    QHash<int, QAction*> m_toolButtons;
    QHash<QString, QToolBar*> m_toolbars;
    QComboBox* m_procombo = nullptr;
    QComboBox* m_seacombo = nullptr;
    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_text1 = nullptr; // title
    QLineEdit* m_text3 = nullptr; // link
    QPlainTextEdit* m_text2 = nullptr; // description
    QDateEdit* m_ddate = nullptr;
    QTimeEdit* m_dtime = nullptr;
    QLineEdit* m_text4 = nullptr; // copyright
    QLineEdit* m_text5 = nullptr; // editor
    QLineEdit* m_text6 = nullptr; // webmaster
    QComboBox* m_combo1 = nullptr; // language
    QComboBox* m_combo2 = nullptr; // media types
    QComboBox* m_combo3 = nullptr; // encoding
    QCheckBox* m_check3 = nullptr; // auto date
    DirectoriesTab* m_directories = nullptr;
    QLabel* m_pic = nullptr;
    QFrame* m_imageFrame = nullptr;
    QLabel* m_imagePlaceholder = nullptr;
    QTreeView* m_lw3 = nullptr;
    EpisodeListModel* m_episodes = nullptr;
    QLabel* m_episodePlaceholder = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_clock = nullptr;
    bool m_noPodcast = true;
    bool m_unloaded = false;
    bool m_unattended = false;
    bool m_filling = false; // programmatic changes raise no handlers
};
