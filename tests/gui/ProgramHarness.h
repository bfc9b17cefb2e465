#pragma once

// The whole desktop program as main() wires it, over a temporary home folder, with scripted
// prompts: for widget tests that drive the main window and the windows it opens.

#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/HomeFolder.h"
#include "app/Session.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/WindowGeometry.h"
#include "store/Settings.h"
#include "support/FakePrompts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

// The program as main() wires it, over a temporary home folder; the episode editor (a modal
// dialog) is replaced by a recorder that names the episode as a user would.
struct Program {
    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<AppShell> shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ChannelImageAdapter> image;
    std::unique_ptr<Session> session;
    MainController* controller = nullptr; // owned by the window
    QList<int> editedEpisodes;
    QStringList episodeNames; // names given to new episodes, in order

    QString home = dir.path(); // another program's folder for a second start

    QString path(const QString& name) const { return QDir(home).filePath(name); }

    void start(const std::function<void(Settings&)>& adjust = {})
    {
        shell = std::make_unique<AppShell>(HomeFolder(home), prompts);
        QVERIFY(shell->acquireSingleInstance());
        shell->installResources();
        shell->loadSettings(QSize(1920 * 15, 1080 * 15));
        if (adjust)
            adjust(shell->settings());
        window = std::make_unique<MainWindow>();
        window_geometry::applyMainWindow(*window, shell->settings());
        shell->loadProjectList();
        image = std::make_unique<ChannelImageAdapter>(prompts);
        session = std::make_unique<Session>(*shell, *image);
        session->setView(window.get());
        controller = new MainController(*shell, *session, *window);
        session->openEpisodeEditor = [this](int position) {
            editedEpisodes << position;
            if (!episodeNames.isEmpty()) {
                session->document().episodes[position].title = episodeNames.takeFirst();
                session->refillEpisodeList(position + 1);
            }
        };
        session->startUp();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename T>
    T* widget(const char* name) const
    {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    QLineEdit* field(const char* name) const { return widget<QLineEdit>(name); }
    QTreeView* episodeList() const { return widget<QTreeView>("lw3"); }
    int episodeRows() const { return episodeList()->model()->rowCount(); }
    QString episodeTitle(int row) const
    {
        return episodeList()->model()->index(row, 0).data().toString();
    }
    QStringList projectLines() const
    {
        QStringList lines;
        const auto* combo = widget<QComboBox>("procombo");
        for (int i = 0; i < combo->count(); ++i)
            lines << combo->itemText(i);
        return lines;
    }
    void typeInto(QWidget* w, const QString& text)
    {
        w->setFocus();
        QCoreApplication::processEvents(); // the focus handler selects the old text
        QTest::keyClicks(w, text);
    }
    // Replaces a field's text the way a user does: focus (which selects all) and type.
    void retype(const char* name, const QString& text) { typeInto(field(name), text); }
    // Keys reach an editable combo box, which hands them to its line edit. Entering the box
    // selects its text, so typing replaces the previous term.
    void search(const QString& text)
    {
        auto* box = widget<QComboBox>("seacombo");
        typeInto(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    void saveAs(const QString& file)
    {
        prompts.queueFile(file);
        window->clickToolButton(2);
    }
};
