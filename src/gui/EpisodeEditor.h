#pragma once

#include <QHash>
#include <QMainWindow>

#include <memory>

class AudioTrackView;
class DirectoryPanel;
class EpisodeForm;
class LevelBar;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;
class QToolBar;
class Session;
class TrackDevices;
class QVBoxLayout;
class TrackWorkProgress;

// The "Edit episode" window: the episode's fields and enclosure above, its audio track below,
// the menus and toolbar of the track editor. Everything it does is EpisodeForm's; the window
// copies its widgets into the form before each call and shows the form's values afterwards.
class EpisodeEditor : public QMainWindow {
    Q_OBJECT
public:
    EpisodeEditor(Session& session, TrackDevices& devices, QWidget* parent = nullptr);
    ~EpisodeEditor() override;

    // Shows the episode at a position of the document; false when there is none.
    bool open(int position);

    EpisodeForm& form() { return *m_form; }
    AudioTrackView* trackView() const { return m_track; }
    QAction* action(const QString& command) const { return m_actions.value(command); }
    QToolBar* toolBar() const { return m_toolBar; }
    // Runs a command as its menu item does.
    void run(const QString& command);
    // Places a panel (the recorder panel) below the enclosure fields; the window owns it then.
    void addPanel(QWidget* panel);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFields();
    QWidget* buildDirectoryPage();
    void buildMenusAndToolbar();
    void pullFields();
    void showFields();
    void showLocalState();
    void editTrackInfo();
    void showLoudness();
    void exportForPublishing();
    void nameChapterMark();
    void openPendingSoon();
    // Runs a form call between a pull and a show.
    template <typename F>
    void act(F&& call);

    Session& m_session;
    std::unique_ptr<EpisodeForm> m_form;
    QVBoxLayout* m_panels = nullptr;
    std::unique_ptr<TrackWorkProgress> m_progress;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QAction*> m_menus;
    QToolBar* m_toolBar = nullptr;
    QLineEdit* m_title = nullptr;
    QPlainTextEdit* m_description = nullptr;
    QLineEdit* m_link = nullptr;
    QDateEdit* m_date = nullptr;
    QTimeEdit* m_time = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_length = nullptr;
    QComboBox* m_type = nullptr;
    QCheckBox* m_local = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLineEdit* m_file = nullptr;
    QWidget* m_trackArea = nullptr;
    DirectoryPanel* m_directories = nullptr;
    QPushButton* m_fromAudio = nullptr;
    AudioTrackView* m_track = nullptr;
    LevelBar* m_level = nullptr;
    int m_fullHeight = 0;
    bool m_showing = false;
};
