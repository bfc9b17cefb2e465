#include "gui/AboutDialog.h"
#include "gui/CommandTable.h"
#include "support/FakePrompts.h"
#include "gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

namespace {

// The items of a menu as "caption|shortcut", with "-" for a separator.
QStringList menuLayout(const QMenu* menu)
{
    QStringList items;
    for (const QAction* a : menu->actions())
        items << (a->isSeparator() ? QString("-") : a->text() + "|" + a->shortcut().toString());
    return items;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void menusHaveTheirCaptionsKeysAndSeparators()
    {
        MainWindow window;
        QStringList titles;
        for (const QAction* a : window.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"Podcast", "Episode", "Tools", "Help"}));

        auto menu = [&](const char* name) { return window.findChild<QMenu*>(name); };
        QCOMPARE(menuLayout(menu("m_File")),
                 (QStringList{"New...|Ctrl+N", "Open...|Ctrl+O", "-", "Save|Ctrl+S", "Save as...|",
                              "Remove|", "-", "Download...|", "Upload...|F2", "-", "Quit|Ctrl+Q"}));
        QCOMPARE(menuLayout(menu("m_item")),
                 (QStringList{"New...|Ctrl+I", "Clone|", "-", "Cut|", "Copy|", "Paste|", "Remove|",
                              "-", "Move Up|Ctrl+Z", "Move Down|Ctrl+X", "-", "Play|", "Stop|"}));
        QCOMPARE(menuLayout(menu("m_tools")),
                 (QStringList{"Image editor...|", "Preview...|F7", "Check feed...|", "-", "Preferences...|"}));
        QCOMPARE(menuLayout(menu("m_help")),
                 (QStringList{"Contents|F1", "What's this? Help|Shift+F1", "Video tutorial|",
                              "Internet homepage|", "-", "About...|"}));
        // Every item carries its command name.
        QCOMPARE(window.action("m_save_as")->text(), QString("Save as..."));
        QCOMPARE(window.action("m_item_down")->objectName(), QString("m_item_down"));
    }

    void contextMenuRunsTheEpisodeCommands()
    {
        MainWindow window;
        const auto* context = window.findChild<QMenu*>("contextmenu1");
        QVERIFY(context);
        QStringList captions;
        for (const QAction* a : context->actions())
            captions << a->text();
        QCOMPARE(captions, (QStringList{"Insert new item", "Duplicate item", "Cut item", "Copy item",
                                        "Paste item", "Remove item", "Move item up", "Move item down"}));
        QStringList ran;
        window.onCommand = [&](const QString& c) { ran << c; };
        window.action("c_clone_item")->trigger();
        window.action("c_item_down")->trigger();
        QCOMPARE(ran, (QStringList{"m_item_clone", "m_item_down"}));
    }

    void toolbarButtonsHaveTheirIdsAndTooltips()
    {
        MainWindow window;
        const QList<QPair<int, QString>> expected = {
            {0, "New podcast"}, {1, "Open podcast"}, {2, "Save podcast"}, {3, "Remove podcast"},
            {4, "Download podcast feed"}, {5, "Publish podcast"}, {6, "Help"}, {7, "Search"},
            {30, "New episode"}, {31, "Clone episode"}, {32, "Remove episode"}, {33, "Move up"},
            {34, "Move down"}, {35, "Play"}, {36, "Stop"}};
        for (const auto& [id, tip] : expected) {
            QAction* button = window.toolButton(id);
            QVERIFY2(button, qPrintable(QString::number(id)));
            QCOMPARE(button->toolTip(), tip);
            QCOMPARE(button->data().toInt(), id);
            QVERIFY2(!button->icon().isNull(), qPrintable(tip));
        }
        QCOMPARE(int(toolButtons().size()), expected.size());
    }

    // A disabled button must not look like an enabled one: against the toolbar's light
    // background the disabled icon has clearly less contrast, for every button (dark icons too).
    void disabledButtonsLookDisabled()
    {
        MainWindow window;
        // How far an icon stands out from a light background: the mean grey-level distance.
        auto contrast = [](const QIcon& icon, QIcon::Mode mode) {
            const QImage image = icon.pixmap(QSize(22, 22), mode).toImage().convertToFormat(
                QImage::Format_ARGB32);
            constexpr int kBackground = 239;
            double sum = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb c = image.pixel(x, y);
                    const int seen = (qGray(c) * qAlpha(c) + kBackground * (255 - qAlpha(c))) / 255;
                    sum += qAbs(seen - kBackground);
                }
            }
            return sum / (image.width() * image.height());
        };
        for (const ToolButtonDef& b : toolButtons()) {
            const QIcon icon = window.toolButton(b.id)->icon();
            const double normal = contrast(icon, QIcon::Normal);
            const double disabled = contrast(icon, QIcon::Disabled);
            QVERIFY2(normal > 5, b.tooltip);
            QVERIFY2(disabled < normal * 0.6,
                     qPrintable(QString("%1: contrast %2 enabled, %3 disabled")
                                    .arg(b.tooltip).arg(normal).arg(disabled)));
        }
    }

    void toolbarSaveDoesNothingWithoutPodcasts()
    {
        MainWindow window;
        QStringList ran;
        window.onCommand = [&](const QString& c) { ran << c; };
        window.applyCommandState(CommandState{false, false, false});
        window.clickToolButton(2);  // Save podcast
        window.clickToolButton(30); // New episode
        window.clickToolButton(7);  // Search
        QVERIFY(ran.isEmpty());
        window.clickToolButton(0); // New podcast works without podcasts
        window.clickToolButton(4); // and so does Download
        QCOMPARE(ran, (QStringList{"m_new", "m_download"}));
        QVERIFY(!window.action("m_save")->isEnabled());
        QVERIFY(window.action("m_new")->isEnabled());

        window.applyCommandState(CommandState{true, false, false});
        ran.clear();
        window.clickToolButton(2);
        QCOMPARE(ran, QStringList{"m_save"});
        QVERIFY(window.action("m_save")->isEnabled());
        QVERIFY(!window.action("m_item_clone")->isEnabled());
        window.applyCommandState(CommandState{true, true, false});
        QVERIFY(window.action("m_item_clone")->isEnabled());
        // While a feed is read or downloaded nothing may change, switch or save the podcast.
        window.applyCommandState(CommandState{true, true, true});
        QVERIFY(!window.action("m_save")->isEnabled());
        QVERIFY(!window.action("m_open")->isEnabled());
        QVERIFY(!window.findChild<QComboBox*>("procombo")->isEnabled());
    }

    void projectSelectorRaisesTheHandlerOnlyForRealChanges()
    {
        MainWindow window;
        int events = 0;
        window.onProjectSelected = [&] { ++events; };
        window.setProjectLines({"One", "Two"});
        QCOMPARE(events, 0);
        QCOMPARE(window.selectedProjectLine(), -1);
        window.selectProjectLine(0);
        QCOMPARE(events, 1);
        window.selectProjectLine(0);
        QCOMPARE(events, 1);
        window.setProjectLines({"One", "Two"});
        window.selectProjectLine(0); // after a refill, selecting raises it again
        QCOMPARE(events, 2);
    }

    void placeholdersFollowTheSession()
    {
        MainWindow window;
        window.show();
        bool noPodcast = true;
        bool hasImage = false;
        window.placeholderState = [&](bool& np, bool& img) { np = noPodcast; img = hasImage; };
        auto* image = window.findChild<QLabel*>("Label9");
        auto* episode = window.findChild<QLabel*>("Label11");
        window.refillEpisodes({}, 0);
        QVERIFY(!image->isVisible());
        QVERIFY(!episode->isVisible());
        noPodcast = false;
        window.refillEpisodes({}, 0);
        QVERIFY(image->isVisible());
        QCOMPARE(image->text(), QString("Click to add image"));
        QVERIFY(episode->isVisible());
        QCOMPARE(episode->text(), QString("Click to add episode"));
        hasImage = true;
        window.refillEpisodes({{"One", "Mon, 01 Jun 2026 10:00:00 GMT"}}, 1);
        QVERIFY(!image->isVisible());
        QVERIFY(!episode->isVisible());
        QCOMPARE(window.selectedEpisodeRow(), 1);
    }

    void aboutBoxShowsVersionAndOpensItsAddresses()
    {
        FakePrompts prompts;
        AboutDialog about(prompts);
        QCOMPARE(about.windowTitle(), QString("About Velmora"));
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains("SPECIAL RELEASE"));
        QVERIFY(texts.contains(QString("version %1.%2").arg(VELMORA_VERSION_MAJOR).arg(VELMORA_VERSION_MINOR)));
        QVERIFY(texts.contains("On all questions address on e-mail:"));
        QVERIFY(texts.contains("For reception of new versions visit a site:"));
        emit about.findChild<QLabel*>("email")->linkActivated("mailto:support@velmora.example");
        emit about.findChild<QLabel*>("web")->linkActivated("http://velmora.example");
        QCOMPARE(prompts.openedUrls,
                 (QStringList{"mailto:support@velmora.example", "http://velmora.example"}));
    }

    void channelFieldsAndTabs()
    {
        MainWindow window;
        auto* tabs = window.findChild<QTabWidget*>("TabStrip1");
        QCOMPARE(tabs->tabText(0), QString("Required Fields"));
        QCOMPARE(tabs->tabText(1), QString("Optional Fields"));
        window.setLanguageLines({"English: en", "German: de"});
        ChannelFieldValues v;
        v.title = "T";
        v.link = "L";
        v.description = "D\nE";
        v.copyright = "C";
        v.managingEditor = "M";
        v.webMaster = "W";
        v.year = 2026; v.month = 2; v.day = 28; v.hour = 23; v.minute = 59; v.second = 58;
        v.languageIndex = 1;
        v.autoDate = true;
        window.showChannelFields(v);
        QCOMPARE(window.channelFields(), v);
        auto* header = window.findChild<QTreeView*>("lw3")->model();
        QCOMPARE(header->headerData(0, Qt::Horizontal).toString(), QString("Title"));
        QCOMPARE(header->headerData(1, Qt::Horizontal).toString(), QString("Pubdate"));
        QCOMPARE(header->headerData(2, Qt::Horizontal).toString(), QString("Length"));
        // The minimum size is 11825 x 8715 twips.
        QCOMPARE(window.minimumSize(), QSize(11825 / 15, 8715 / 15));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
