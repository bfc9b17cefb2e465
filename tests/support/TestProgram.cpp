#include "support/TestProgram.h"

#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/HomeFolder.h"
#include "app/Session.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/WindowGeometry.h"

#include <QLineEdit>
#include <QTreeView>
#include <QtTest>

namespace testutil {

TestProgram::TestProgram() = default;

// Members go in reverse order: the session before the window and the shell it refers to.
TestProgram::~TestProgram() = default;

bool TestProgram::start(const std::function<void(Settings&)>& adjust)
{
    shell = std::make_unique<AppShell>(HomeFolder(home), prompts);
    if (!shell->acquireSingleInstance()) {
        qWarning("the home folder %s is in use", qPrintable(home));
        return false;
    }
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
    session->startUp();
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
}

QWidget* TestProgram::widget(const char* name) const
{
    return checked(window->findChild<QWidget*>(QLatin1String(name)), name);
}

QTreeView* TestProgram::episodeList() const
{
    return widget<QTreeView>("lw3");
}

QLineEdit* TestProgram::field(const char* name) const
{
    return widget<QLineEdit>(name);
}

void TestProgram::typeInto(QWidget* w, const QString& text)
{
    w->setFocus();
    QCoreApplication::processEvents();
    QTest::keyClicks(w, text);
}

void TestProgram::saveAs(const QString& file)
{
    prompts.queueFile(file);
    window->clickToolButton(2);
}

void TestProgram::doubleClickEpisode(int row)
{
    QTreeView* list = episodeList();
    const QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace testutil
