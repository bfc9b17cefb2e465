#pragma once

#include <QMainWindow>

class AppShell;
class QLabel;

// The program's main window. Closing it for any reason runs the unload steps, which end the run.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppShell& shell, QWidget* parent = nullptr);

    // Closes the window without asking anything (a termination signal arrived).
    void closeUnattended();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void updateClock();

    AppShell& m_shell;
    QLabel* m_status = nullptr;
    QLabel* m_clock = nullptr;
    bool m_unloaded = false;
};
