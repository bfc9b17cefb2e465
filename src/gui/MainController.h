#pragma once

#include <QObject>
#include <QString>

class AppShell;
class MainWindow;
class Session;

// Connects the main window to the session: runs each command by name, opens the dialogs, and
// takes the window through the exit path.
class MainController : public QObject {
    Q_OBJECT
public:
    MainController(AppShell& shell, Session& session, MainWindow& window);

    void run(const QString& command);

private:
    void editEpisode(int position);
    void openHelp(const QString& page);
    void notAvailableYet(const QString& what);
    bool closeRequested();

    AppShell& m_shell;
    Session& m_session;
    MainWindow& m_window;
    bool m_closeAfterBusy = false;
};
