#include "app/AppShell.h"
#include "app/ChannelImageSeam.h"
#include "app/Session.h"
#include "gui/CheckDialog.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/QtPrompts.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

// Tools > "Check feed...": the findings of the open podcast in a list; a double click selects
// the episode or the channel field concerned.
class TestCheckWindow : public QObject {
    Q_OBJECT
private slots:
    void listsFindingsAndGoesToThem();
};

void TestCheckWindow::listsFindingsAndGoesToThem()
{
    QTemporaryDir home;
    QtPrompts prompts;
    AppShell shell(HomeFolder(home.path()), prompts);
    shell.installResources();
    shell.loadSettings(QSize(1920 * 15, 1080 * 15));
    MainWindow window;
    prompts.setOwner(&window);
    shell.loadProjectList();
    ReadOnlyChannelImage image;
    Session session(shell, image);
    session.setView(&window);
    MainController controller(shell, session, window);
    session.startUp();
    const QString feed = home.filePath(QStringLiteral("clean.rss"));
    QVERIFY(testutil::writeFile(feed, testutil::readFile(QStringLiteral(VELMORA_TEST_DATA "/check/clean.rss"))));
    session.addFeedToList(feed);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    session.document().episodes[1].itunesDuration = QStringLiteral("ten minutes");
    auto* title = window.findChild<QLineEdit*>(QStringLiteral("Text1"));
    title->clear();
    window.action(QStringLiteral("m_check"))->trigger();
    CheckDialog* dialog = window.findChild<CheckDialog*>();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Check feed"));
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("findings"));
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("error"));
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("Channel, line 6"));
    QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("the channel's <title> is empty"));
    QCOMPARE(list->topLevelItem(1)->text(3), QStringLiteral("apple-duration"));
    QVERIFY(list->topLevelItem(1)->text(1).startsWith(QLatin1String("Episode 2, line ")));
    QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("counts"))->text(), QStringLiteral("2 errors, 0 warnings, 0 advice"));

    window.selectEpisodeRow(1);
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    QCOMPARE(window.selectedEpisodeRow(), 2);
    emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    QTRY_VERIFY(title->hasFocus());

    dialog->close();
    window.onCloseRequested = [] { return true; };
    window.onUnload = [] {};
    window.close();
}

QTEST_MAIN(TestCheckWindow)
#include "tst_checkwindow.moc"
