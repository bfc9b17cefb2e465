#pragma once

#include "support/FakePrompts.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class AppShell;
class QLineEdit;
class ChannelImageAdapter;
class MainController;
class MainWindow;
class QTreeView;
class QWidget;
class Session;
struct Settings;

namespace testutil {

// The desktop program as main() wires it, over a temporary home folder, with the dialogs answered
// by scripted prompts. Widget tests drive it through the main window.
class TestProgram {
public:
    TestProgram();
    ~TestProgram();
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    // Takes the single-instance lock, reads the settings (changed by `adjust` first), shows the
    // main window and starts the session. False (with the reason logged) when the lock is taken.
    bool start(const std::function<void(Settings&)>& adjust = {});

    QString path(const QString& name) const { return QDir(home).filePath(name); }
    // The widget of the main window with that object name; the test stops when there is none.
    QWidget* widget(const char* name) const;
    template <typename T>
    T* widget(const char* name) const
    {
        return checked<T>(qobject_cast<T*>(widget(name)), name);
    }
    QTreeView* episodeList() const;
    QLineEdit* field(const char* name) const;
    // Types into a widget as a user does: focus first (the focus handler selects the old text).
    void typeInto(QWidget* w, const QString& text);
    // Podcast > Save as... with the file dialog answered `file`.
    void saveAs(const QString& file);
    // Clicks and then double-clicks an episode row as the mouse makes it.
    void doubleClickEpisode(int row);

    QTemporaryDir dir;
    QString home = dir.path(); // another program's folder for a second start
    FakePrompts prompts;
    std::unique_ptr<AppShell> shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ChannelImageAdapter> image;
    std::unique_ptr<Session> session;
    MainController* controller = nullptr; // owned by the window

private:
    template <typename T>
    static T* checked(T* w, const char* name)
    {
        if (!w)
            qFatal("no widget %s of that type", name);
        return w;
    }
};

} // namespace testutil
