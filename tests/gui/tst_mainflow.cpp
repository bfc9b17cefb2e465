// The whole desktop program on a temporary home folder, driven only through the window's
// actions, toolbar buttons and named widgets, with the dialogs answered by scripted prompts.

#include "app/AppShell.h"
#include "app/Session.h"
#include "common/ProductInfo.h"
#include "store/Settings.h"
#include "gui/MainWindow.h"
#include "support/TestProgram.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

QString titled(const QString& title)
{
    return QLatin1String(product::kBaseTitle) + QStringLiteral(" - [") + title + QLatin1Char(']');
}

QByteArray feedWithEpisodes(const QString& title, const QStringList& episodeTitles)
{
    QByteArray text = "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\"><channel><title>"
                      + title.toUtf8()
                      + "</title><link>http://example.com/</link><description>d</description>";
    for (int i = 0; i < episodeTitles.size(); ++i)
        text += "<item><title>" + episodeTitles.at(i).toUtf8() + "</title><guid>g"
                + QByteArray::number(i) + "</guid></item>";
    return text + "</channel></rss>";
}

// The program over a temporary home folder; the episode editor (a modal dialog) is replaced by a
// recorder that names the episode as a user would.
struct Program : testutil::TestProgram {
    QList<int> editedEpisodes;
    QStringList episodeNames; // names given to new episodes, in order

    bool start(const std::function<void(Settings&)>& adjust = {})
    {
        if (!TestProgram::start(adjust))
            return false;
        session->openEpisodeEditor = [this](int position) {
            editedEpisodes << position;
            if (!episodeNames.isEmpty()) {
                session->document().episodes[position].title = episodeNames.takeFirst();
                session->refillEpisodeList(position + 1);
            }
        };
        return true;
    }

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
};

} // namespace

class TestMainFlow : public QObject {
    Q_OBJECT
private slots:
    void firstStartShowsNoPlaceholdersAndSaveDoesNothing()
    {
        Program p;
        QVERIFY(p.start());
        QCOMPARE(p.projectLines(), QStringList{"[Empty]"});
        QCOMPARE(p.window->windowTitle(), QString::fromLatin1(product::kBaseTitle));
        QCoreApplication::processEvents();
        QVERIFY(!p.widget<QLabel>("Label11")->isVisible());
        QVERIFY(!p.widget<QLabel>("Label9")->isVisible());
        QVERIFY(!p.field("Text1")->isEnabled());

        const auto before = testutil::snapshotTree(p.dir.path());
        p.window->clickToolButton(2);
        p.window->action("m_save")->trigger();
        p.window->clickToolButton(30);
        // A click on the empty list adds no episode either.
        QTest::mouseClick(p.episodeList()->viewport(), Qt::LeftButton);
        QVERIFY(p.prompts.fileDialogs.isEmpty());
        QVERIFY(p.prompts.messages.isEmpty());
        QVERIFY(p.editedEpisodes.isEmpty());
        QCOMPARE(testutil::snapshotTree(p.dir.path()), before);
        QCOMPARE(p.projectLines(), QStringList{"[Empty]"});
    }

    void newPodcastIsTitledWhileTypingAndSavedThroughTheDialog()
    {
        Program p;
        QVERIFY(p.start());
        p.window->action("m_new")->trigger();
        QCOMPARE(p.projectLines(), QStringList{"Untitled"});
        QCOMPARE(p.window->windowTitle(), titled("Untitled"));
        QVERIFY(p.field("Text1")->isEnabled());
        QTRY_VERIFY(p.widget<QLabel>("Label11")->isVisible());
        QTRY_VERIFY(p.widget<QLabel>("Label9")->isVisible());

        p.typeInto(p.field("Text1"), "Mor");
        QCOMPARE(p.window->windowTitle(), titled("Mor"));
        QTest::keyClicks(p.field("Text1"), "ning Show");
        QCOMPARE(p.window->windowTitle(), titled("Morning Show"));
        p.retype("Text3", "https://morning.example.com/");
        // Entering a field selects its text: typing replaces it.
        auto* description = p.widget<QPlainTextEdit>("Text2");
        p.typeInto(description, "First draft");
        p.field("Text1")->setFocus();
        p.typeInto(description, "The morning news, read slowly.");
        QCOMPARE(description->toPlainText(), QString("The morning news, read slowly."));

        const QString file = p.path("morning");
        p.saveAs(file);
        QCOMPARE(p.prompts.fileDialogs.size(), 1);
        QVERIFY(p.prompts.fileDialogs.first().save);
        const QByteArray written = testutil::readFile(file + ".rss");
        QVERIFY2(written.contains("<title>Morning Show</title>"), written.constData());
        QVERIFY(written.contains("https://morning.example.com/"));
        QVERIFY(written.contains("The morning news, read slowly."));
        QVERIFY(p.prompts.messageTexts().contains("Save successfull."));
        QCOMPARE(p.projectLines(), QStringList{"Morning Show"});
        QCOMPARE(p.window->windowTitle(), titled("Morning Show"));
        QVERIFY(p.prompts.unexpected.isEmpty());
    }

    void placeholderAddsTheFirstEpisode()
    {
        Program p;
        QVERIFY(p.start());
        p.window->clickToolButton(0);
        p.typeInto(p.field("Text1"), "Show");
        auto* placeholder = p.widget<QLabel>("Label11");
        QTRY_VERIFY(placeholder->isVisible());
        QVERIFY(placeholder->geometry().intersects(p.episodeList()->viewport()->rect()));

        p.episodeNames << "Pilot";
        QTest::mouseClick(placeholder, Qt::LeftButton);
        QCOMPARE(p.editedEpisodes, QList<int>{0});
        QCOMPARE(p.episodeRows(), 1);
        QCOMPARE(p.episodeTitle(0), QString("Pilot"));
        QVERIFY(!placeholder->isVisible());
        QVERIFY(p.window->action("m_item_remove")->isEnabled());
        // With an episode in the list a click on it selects and adds nothing.
        const QRect first = p.episodeList()->visualRect(p.episodeList()->model()->index(0, 0));
        QTest::mouseClick(p.episodeList()->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(p.editedEpisodes, QList<int>{0});
        QCOMPARE(p.window->selectedEpisodeRow(), 1);

        // The toolbar's New episode appends a second one and selects it.
        p.episodeNames << "Second";
        p.window->clickToolButton(30);
        QCOMPARE(p.episodeRows(), 2);
        QCOMPARE(p.window->selectedEpisodeRow(), 2);
        // Removing both brings the placeholder back.
        p.window->clickToolButton(32);
        p.episodeList()->setCurrentIndex(p.episodeList()->model()->index(0, 0));
        p.window->clickToolButton(32);
        QCOMPARE(p.episodeRows(), 0);
        QVERIFY(placeholder->isVisible());
        QVERIFY(!p.window->action("m_item_remove")->isEnabled());
    }

    void doubleClickAndEnterOpenTheEpisodeEditorOnce()
    {
        Program p;
        QVERIFY(p.start());
        const QString file = p.path("three.rss");
        testutil::writeFile(file, feedWithEpisodes("Three", {"One", "Two", "Three"}));
        p.prompts.queueFile(file);
        p.window->action("m_open")->trigger();
        QCOMPARE(p.episodeRows(), 3);
        auto* list = p.episodeList();
        const QRect second = list->visualRect(list->model()->index(1, 0));
        // A double click as the mouse makes it: a click, then the second press.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(p.editedEpisodes, QList<int>{1});
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(p.editedEpisodes, (QList<int>{1, 2}));
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(p.editedEpisodes, (QList<int>{1, 2, 2}));
    }

    void switchingPodcastsRewritesTheOutgoingFileAndShowsTheOther()
    {
        Program p;
        QVERIFY(p.start());
        p.window->action("m_new")->trigger();
        p.typeInto(p.field("Text1"), "Morning Show");
        p.episodeNames << "Sunrise";
        p.window->clickToolButton(30);
        const QString morning = p.path("morning.rss");
        p.saveAs(morning);

        p.window->action("m_new")->trigger();
        QCOMPARE(p.field("Text1")->text(), QString()); // the new podcast starts empty
        QCOMPARE(p.episodeRows(), 0);
        p.typeInto(p.field("Text1"), "Evening Show");
        const QString evening = p.path("evening.rss");
        p.saveAs(evening);
        QCOMPARE(p.projectLines(), (QStringList{"Morning Show", "Evening Show"}));

        // An edit that only the window holds goes to the file when the user switches away.
        p.retype("Text3", "https://evening.example.com/");
        auto* selector = p.widget<QComboBox>("procombo");
        QCOMPARE(selector->currentIndex(), 1);
        selector->setFocus();
        QTest::keyClick(selector, Qt::Key_Up);
        QCOMPARE(selector->currentIndex(), 0);
        QVERIFY(testutil::readFile(evening).contains("https://evening.example.com/"));
        QCOMPARE(p.field("Text1")->text(), QString("Morning Show"));
        QCOMPARE(p.field("Text3")->text(), QString());
        QCOMPARE(p.episodeRows(), 1);
        QCOMPARE(p.episodeTitle(0), QString("Sunrise"));
        QCOMPARE(p.window->windowTitle(), titled("Morning Show"));

        QTest::keyClick(selector, Qt::Key_Down);
        QCOMPARE(p.field("Text1")->text(), QString("Evening Show"));
        QCOMPARE(p.field("Text3")->text(), QString("https://evening.example.com/"));
        QCOMPARE(p.episodeRows(), 0);
        QCOMPARE(p.projectLines(), (QStringList{"Morning Show", "Evening Show"}));
        QVERIFY(p.prompts.unexpected.isEmpty());
    }

    void removingPodcastsFallsBackToTheFirstAndThenToNone()
    {
        Program p;
        QVERIFY(p.start());
        p.window->action("m_new")->trigger();
        p.typeInto(p.field("Text1"), "Morning Show");
        p.saveAs(p.path("morning.rss"));
        p.window->action("m_new")->trigger();
        p.typeInto(p.field("Text1"), "Evening Show");
        p.episodeNames << "Dusk";
        p.window->clickToolButton(30);
        p.saveAs(p.path("evening.rss"));

        p.prompts.queueAnswer(MessageAnswer::No);
        p.window->clickToolButton(3);
        QCOMPARE(p.projectLines(), (QStringList{"Morning Show", "Evening Show"}));
        QCOMPARE(p.field("Text1")->text(), QString("Evening Show"));

        p.prompts.queueAnswer(MessageAnswer::Yes);
        p.window->clickToolButton(3);
        QCOMPARE(p.projectLines(), QStringList{"Morning Show"});
        QCOMPARE(p.field("Text1")->text(), QString("Morning Show"));
        QCOMPARE(p.episodeRows(), 0);
        QCOMPARE(p.window->windowTitle(), titled("Morning Show"));
        QVERIFY(QFile::exists(p.path("evening.rss"))); // leaves the list, not the disk

        p.prompts.queueAnswer(MessageAnswer::Yes);
        p.window->action("m_remove")->trigger();
        QCOMPARE(p.projectLines(), QStringList{"[Empty]"});
        QCOMPARE(p.field("Text1")->text(), QString());
        QVERIFY(!p.field("Text1")->isEnabled());
        QCOMPARE(p.window->windowTitle(), QString::fromLatin1(product::kBaseTitle));
        QVERIFY(!p.window->action("m_save")->isEnabled());
        QTRY_VERIFY(!p.widget<QLabel>("Label11")->isVisible());
        QVERIFY(!p.widget<QLabel>("Label9")->isVisible());
        QVERIFY(p.prompts.unexpected.isEmpty());
    }

    void searchWithEnterWalksTheMatchesAndWraps()
    {
        Program p;
        QVERIFY(p.start());
        const QString file = p.path("news.rss");
        testutil::writeFile(file, feedWithEpisodes("News", {"Morning NEWS", "Weather", "Evening news",
                                                            "Sports"}));
        p.prompts.queueFile(file);
        p.window->clickToolButton(1);
        QCOMPARE(p.projectLines(), QStringList{"News"});
        QCOMPARE(p.episodeRows(), 4);
        QCOMPARE(p.window->selectedEpisodeRow(), 1);

        p.search("news");
        QCOMPARE(p.window->selectedEpisodeRow(), 1);
        QVERIFY(p.episodeList()->hasFocus() || !QApplication::focusWidget());
        p.search("news");
        QCOMPARE(p.window->selectedEpisodeRow(), 3);
        p.search("news");
        QCOMPARE(p.window->selectedEpisodeRow(), 1); // round to the top
        p.search("sport");
        QCOMPARE(p.window->selectedEpisodeRow(), 4);
        p.search("nothing like it");
        QCOMPARE(p.window->selectedEpisodeRow(), 4);
        // Repeated terms are kept once, newest first.
        QCOMPARE(p.window->searchHistory(), (QStringList{"nothing like it", "sport", "news"}));
    }

    void closingTheWindowRunsTheExitPath()
    {
        Program p;
        QVERIFY(p.start([](Settings& s) { s.autoSave = true; }));
        p.window->action("m_new")->trigger();
        p.typeInto(p.field("Text1"), "Morning Show");
        const QString file = p.path("morning.rss");
        p.saveAs(file);
        p.search("pilot");
        p.retype("Text1", "Morning Show Weekly");
        QVERIFY(!testutil::readFile(file).contains("Weekly"));
        // Both files are written by the exit path itself (settings.ini only there).
        QVERIFY(!QFile::exists(p.path("settings.ini")));
        QVERIFY(QFile::remove(p.path("project.ini")));

        QVERIFY(p.window->close());
        QVERIFY(!p.window->isVisible());
        QVERIFY(testutil::readFile(file).contains("<title>Morning Show Weekly</title>"));
        const QByteArray settings = testutil::readFile(p.path("settings.ini"));
        QVERIFY2(settings.contains("s0=pilot"), settings.constData());
        const QByteArray projects = testutil::readFile(p.path("project.ini"));
        QVERIFY2(projects.contains("morning.rss"), projects.constData());
        QVERIFY(p.prompts.unexpected.isEmpty());
    }

    void aSecondStartFindsThePodcastsAndTheSearchHistoryAgain()
    {
        Program first;
        QVERIFY(first.start());
        first.window->action("m_new")->trigger();
        first.typeInto(first.field("Text1"), "Morning Show");
        first.saveAs(first.path("morning.rss"));
        first.window->action("m_new")->trigger();
        first.typeInto(first.field("Text1"), "Evening Show");
        first.saveAs(first.path("evening.rss"));
        first.search("weather");
        first.search("traffic");
        first.window->resize(first.window->width() + 40, first.window->height() + 30);
        const QSize size = first.window->size();
        first.window->action("m_quit")->trigger();

        Program second;
        second.home = first.home;
        QVERIFY(second.start());
        QCOMPARE(second.projectLines(), (QStringList{"Morning Show", "Evening Show"}));
        QCOMPARE(second.widget<QComboBox>("procombo")->currentIndex(), 1);
        QCOMPARE(second.field("Text1")->text(), QString("Evening Show"));
        QCOMPARE(second.window->windowTitle(), titled("Evening Show"));
        QCOMPARE(second.window->searchHistory(), (QStringList{"traffic", "weather"}));
        QCOMPARE(second.window->size(), size);
    }

    void anUnattendedCloseAsksNothingAndKeepsTheUntitledPodcastListed()
    {
        Program p;
        QVERIFY(p.start([](Settings& s) { s.autoSave = true; }));
        p.window->action("m_new")->trigger();
        p.typeInto(p.field("Text1"), "Morning Show");
        p.saveAs(p.path("morning.rss"));
        p.window->action("m_new")->trigger();
        p.typeInto(p.field("Text1"), "Never saved");
        const int messagesBefore = p.prompts.messages.size();
        p.window->closeUnattended();
        QVERIFY(!p.window->isVisible());
        QCOMPARE(p.prompts.messages.size(), messagesBefore);
        QVERIFY(p.prompts.unexpected.isEmpty());
        QVERIFY(!QFile::exists(p.path("Untitled")));
        const QByteArray projects = testutil::readFile(p.path("project.ini"));
        QVERIFY2(projects.contains("morning.rss"), projects.constData());
        QVERIFY(projects.contains("Untitled"));
    }

    void closingWithoutAutoSaveKeepsTheFileButWritesTheLists()
    {
        Program p;
        QVERIFY(p.start([](Settings& s) { s.autoSave = false; }));
        p.window->action("m_new")->trigger();
        p.typeInto(p.field("Text1"), "Morning Show");
        const QString file = p.path("morning.rss");
        p.saveAs(file);
        const QByteArray saved = testutil::readFile(file);
        p.retype("Text1", "Changed");
        QVERIFY(QFile::remove(p.path("project.ini")));
        p.window->action("m_quit")->trigger();
        QVERIFY(!p.window->isVisible());
        QCOMPARE(testutil::readFile(file), saved);
        QVERIFY(QFile::exists(p.path("settings.ini")));
        QVERIFY(testutil::readFile(p.path("project.ini")).contains("morning.rss"));
    }
};

QTEST_MAIN(TestMainFlow)
#include "tst_mainflow.moc"
