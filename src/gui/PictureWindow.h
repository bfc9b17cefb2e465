#pragma once

#include <QDialog>
#include <QHash>

#include <functional>

class PictureEditing;
class PictureEditor;
class Prompts;
class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QToolBar;
class QTimer;

// The "Edit picture" window: the feed image with its title, description, link and address, and
// the cover art. Everything it does is PictureEditor's; the window copies its text boxes into
// the editor before each command and shows the editor's state afterwards.
class PictureWindow : public QDialog {
    Q_OBJECT
public:
    PictureWindow(PictureEditing& editing, QWidget* parent = nullptr);
    ~PictureWindow() override;

    // "Upload..." opens the upload window as the main window's command does.
    std::function<void()> onUpload;
    // "Contents" opens a page of the manual.
    std::function<void(const QString& page)> onHelp;

    QAction* action(const QString& command) const { return m_actions.value(command); }
    QToolBar* toolBar() const { return m_toolBar; }
    // Runs a command as its menu item does ("m_open", "cover_square" ...).
    void run(const QString& command);
    // The enabling timer's work.
    void refreshCommands();

    void accept() override;

private:
    void buildMenus();
    QWidget* buildFields();
    QWidget* buildCoverArea();
    void pullFields();
    void showEditor();
    void showPicture();
    void showCover();
    void makeSquare();

    PictureEditing& m_editing;
    PictureEditor& m_editor;
    QHash<QString, QAction*> m_actions;
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QTimer* m_timer = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_link = nullptr;
    QLineEdit* m_url = nullptr;
    QLabel* m_picture = nullptr;
    QLabel* m_pictureInfo = nullptr;
    QLabel* m_coverPicture = nullptr;
    QLabel* m_coverCheck = nullptr;
    QLineEdit* m_coverUrl = nullptr;
    QPushButton* m_coverSquare = nullptr;
    QPushButton* m_coverToFeed = nullptr;
    QPushButton* m_coverRemove = nullptr;
};
