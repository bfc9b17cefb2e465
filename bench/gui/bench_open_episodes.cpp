// The real main window over a scratch home folder with a small podcast and a large one:
// times the switch to the large podcast (from the selection to the list filled and painted),
// scrolling its episode list to the end, searches that wrap round or find nothing, and the
// switch back (which saves the large podcast quietly).
// Usage: bench_open_episodes <scratch-folder> [episodes=5000] [runs=5]

#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/HomeFolder.h"
#include "app/Session.h"
#include "common/Prompts.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Nobody answers: every question gets its default, and nothing is shown.
class SilentPrompts : public Prompts {
public:
    using Prompts::message;
    QStringList texts;
    MessageAnswer message(const MessageRequest& request) override
    {
        texts << request.text;
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    FileDialogResult openFile(const QString&, const QList<FileFilter>&, const QString&) override
    {
        return {};
    }
    FileDialogResult saveFile(const QString&, const QList<FileFilter>&, const QString&) override
    {
        return {};
    }
    void setStatusText(const QString&) override {}
    void processEvents() override { QCoreApplication::processEvents(); }
    void openUrl(const QString&) override {}
};

bool writeFeed(const QString& path, const QString& title, int episodes)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rss version=\"2.0\"><channel>"
                      "<title>" + title.toUtf8() + "</title><link>https://example.com/</link>"
                      "<description>A podcast</description><language>en-us</language>\r\n";
    for (int i = 1; i <= episodes; ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "<item><title>Episode " + n + ": a conversation about things</title>"
                "<link>https://example.com/episodes/" + n + "</link>"
                "<description>" + (i == 1 ? QByteArray("The needle is here. ") : QByteArray())
                + "Notes for episode " + n + ", with guests, links and the usual chatter "
                  "that fills a show description.</description>"
                  "<pubDate>Mon, 01 Jun 2020 10:00:00 +0000</pubDate>"
                  "<enclosure url=\"https://example.com/media/" + n + ".mp3\" length=\"1234567\" "
                  "type=\"audio/mpeg\"/><guid isPermaLink=\"false\">id-" + n + "</guid></item>\r\n";
    }
    text += "</channel></rss>\r\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

double msSince(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Lets the window finish what the action queued and paints it, as the next frame would.
void settle(MainWindow& window)
{
    QCoreApplication::processEvents();
    window.repaint();
}

struct Series {
    const char* name;
    QList<double> ms;
    void print() const
    {
        QList<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%-34s median %7.1f ms   worst %7.1f ms\n", name, sorted.at(sorted.size() / 2),
                    sorted.last());
    }
};

// The desktop program as main() wires it, over the scratch home folder.
struct Program {
    Program(const QString& home, Prompts& prompts)
        : shell(HomeFolder(home), prompts), image(prompts), session(shell, image)
    {
    }
    // The start-up steps up to the window shown with the last podcast open.
    bool start()
    {
        if (!shell.acquireSingleInstance())
            return false;
        shell.installResources();
        shell.loadSettings(QSize(1920 * 15, 1080 * 15));
        shell.loadProjectList();
        session.setView(&window);
        new MainController(shell, session, window);
        session.openEpisodeEditor = [](int) {};
        session.startUp();
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    AppShell shell;
    ChannelImageAdapter image;
    Session session;
    MainWindow window; // goes first, with the controller it owns
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_open_episodes <scratch-folder> [episodes] [runs]\n");
        return 2;
    }
    const QString home = QString::fromLocal8Bit(argv[1]);
    const int episodes = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    QDir().mkpath(home);
    const QString small = QDir(home).filePath(QStringLiteral("small.rss"));
    const QString large = QDir(home).filePath(QStringLiteral("large.rss"));
    if (!writeFeed(small, QStringLiteral("Small"), 3) || !writeFeed(large, QStringLiteral("Large"), episodes)) {
        std::fprintf(stderr, "cannot write the feeds in %s\n", argv[1]);
        return 1;
    }

    SilentPrompts prompts;
    auto program = std::make_unique<Program>(home, prompts);
    if (!program->start())
        return 1;
    MainWindow& window = program->window;
    Session& session = program->session;
    if (!session.openPath(small) || !session.openPath(large)) {
        std::fprintf(stderr, "cannot open the feeds: %s\n", qPrintable(prompts.texts.join('|')));
        return 1;
    }

    auto* selector = window.findChild<QComboBox*>(QStringLiteral("procombo"));
    auto* list = window.findChild<QTreeView*>(QStringLiteral("lw3"));
    auto* search = window.findChild<QComboBox*>(QStringLiteral("seacombo"));
    const int smallLine = selector->findText(QStringLiteral("Small"));
    const int largeLine = selector->findText(QStringLiteral("Large"));

    Series open{"open (select, fill, paint)", {}};
    Series back{"switch away (saves it quietly)", {}};
    Series toEnd{"scroll to the end (Ctrl+End)", {}};
    Series paging{"scroll by a page (Page Down)", {}};
    Series wrap{"search that wraps (last -> 1)", {}};
    Series miss{"search that finds nothing", {}};
    QElapsedTimer t;
    auto timed = [&](Series& s, const std::function<void()>& action) {
        t.start();
        action();
        settle(window);
        s.ms << msSince(t);
    };

    for (int run = 0; run < runs; ++run) {
        selector->setCurrentIndex(smallLine);
        settle(window);
        timed(open, [&] { selector->setCurrentIndex(largeLine); });
        if (list->model()->rowCount() != episodes) {
            std::fprintf(stderr, "the list shows %d rows, not %d\n", list->model()->rowCount(), episodes);
            return 1;
        }

        list->setFocus();
        timed(toEnd, [&] { QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier); });
        if (list->verticalScrollBar()->value() != list->verticalScrollBar()->maximum()
            || window.selectedEpisodeRow() != episodes) {
            std::fprintf(stderr, "Ctrl+End did not reach the last episode\n");
            return 1;
        }
        QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
        settle(window);
        while (window.selectedEpisodeRow() < episodes)
            timed(paging, [&] { QTest::keyClick(list, Qt::Key_PageDown); });

        // The last row is selected: "needle" is only in the first episode's description.
        search->lineEdit()->setText(QStringLiteral("needle"));
        timed(wrap, [&] { QTest::keyClick(search, Qt::Key_Return); });
        if (window.selectedEpisodeRow() != 1) {
            std::fprintf(stderr, "the search did not wrap to row 1\n");
            return 1;
        }
        search->lineEdit()->setText(QStringLiteral("no such words"));
        timed(miss, [&] { QTest::keyClick(search, Qt::Key_Return); });

        timed(back, [&] { selector->setCurrentIndex(smallLine); });
    }

    // Closing with the large podcast selected makes it the one the next start opens.
    selector->setCurrentIndex(largeLine);
    window.close();
    program.reset();
    Series startUp{"start-up with it as last podcast", {}};
    for (int run = 0; run < runs; ++run) {
        t.start();
        program = std::make_unique<Program>(home, prompts);
        if (!program->start())
            return 1;
        settle(program->window);
        startUp.ms << msSince(t);
        if (program->window.findChild<QTreeView*>(QStringLiteral("lw3"))->model()->rowCount() != episodes) {
            std::fprintf(stderr, "the start did not open the large podcast\n");
            return 1;
        }
        program->window.close();
        program.reset();
    }

    std::printf("%d episodes, %lld bytes, %d runs\n", episodes,
                static_cast<long long>(QFile(large).size()), runs);
    for (const Series* s : {&open, &toEnd, &paging, &wrap, &miss, &back, &startUp})
        s->print();
    return 0;
}
