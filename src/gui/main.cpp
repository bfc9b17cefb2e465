#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/HomeFolder.h"
#include "app/RecordingDefaults.h"
#include "app/Session.h"
#include "audio/QtAudioSystem.h"
#include "common/HeapTuning.h"
#include "common/ProductInfo.h"
#include "gui/ApplicationIdentity.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/PreviewSchemeHandler.h"
#include "gui/QtPrompts.h"
#include "gui/SignalWatcher.h"
#include "gui/WindowGeometry.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// The program's command-line text: everything after the program's name.
QString commandLineText(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

} // namespace

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", qPrintable(product::versionLine()));
            return 0;
        }
    }

    // A podcast of thousands of episodes fills tens of megabytes as it opens.
    heaptuning::preferLargePages(std::size_t(256) << 20);
    PreviewSchemeHandler::registerScheme();
    QApplication app(argc, argv);
    setApplicationIdentity();

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

    MainWindow window;
    mainWindow = &window;
    prompts.setOwner(&window);
    prompts.setStatusSink([&window](const QString& text) { window.setStatusText(text); });
    window_geometry::applyMainWindow(window, shell.settings());

    QtAudioSystem audio;
    shell.startAudio(audio);

    shell.loadProjectList();
    ChannelImageAdapter channelImage(prompts);
    Session session(shell, channelImage);
    session.setView(&window);
    MainController controller(shell, session, window);
    controller.setAudio(audio);
    session.startUp();

    if (terminationPending) {
        window.closeUnattended();
        return 0;
    }
    window.show();
    app.processEvents();
    app.processEvents();
    session.openCommandLine(commandLineText(QApplication::arguments()));
    if (shell.firstRun())
        recordingdefaults::takeFromSystem(shell.settings(), audio);
    // For benchmarks and scripts that time a start: with VELMORA_EXIT_WHEN_SHOWN set the
    // program ends, through its usual exit steps, once its window has been shown and painted.
    if (terminationPending || qEnvironmentVariableIsSet("VELMORA_EXIT_WHEN_SHOWN")) {
        window.closeUnattended();
        return 0;
    }
    return app.exec();
}
