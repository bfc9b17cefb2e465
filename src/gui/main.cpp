#include "app/AppShell.h"
#include "app/HomeFolder.h"
#include "audio/QtAudioSystem.h"
#include "common/ProductInfo.h"
#include "gui/MainWindow.h"
#include "gui/QtPrompts.h"
#include "gui/SignalWatcher.h"
#include "gui/WindowGeometry.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", qPrintable(product::versionLine()));
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setApplicationDisplayName(QLatin1String(product::kName));
    QApplication::setApplicationVersion(QLatin1String(product::kVersionString));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/velmora-64.png")));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));

    // Termination signals are watched from the first moment: a message box shown during
    // start-up must not keep a logout waiting.
    QtPrompts prompts;
    SignalWatcher watcher;
    MainWindow* mainWindow = nullptr;
    bool terminationPending = false;
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, &app, [&] {
        terminationPending = true;
        prompts.setUnattended(true);
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        if (mainWindow && mainWindow->isVisible())
            mainWindow->closeUnattended();
    });

    AppShell shell(HomeFolder::resolve(), prompts);
    if (!shell.acquireSingleInstance())
        return 1;
    shell.installResources();
    shell.loadSettings(window_geometry::screenSizeInTwips());

    MainWindow window(shell);
    mainWindow = &window;
    prompts.setOwner(&window);
    shell.loadProjectList();

    QtAudioSystem audio;
    shell.startAudio(audio);

    if (terminationPending) {
        window.closeUnattended();
        return 0;
    }
    window.show();
    return app.exec();
}
