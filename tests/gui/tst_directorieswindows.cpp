// The "Directories" tab of the main window and the "Directories" page of the "Edit episode"
// window, driven through their named widgets on the program as main() wires it; the saved feed
// holds what was typed. With VELMORA_SHOTS set to a folder (and an X display), both are
// photographed there.

#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/EpisodeForm.h"
#include "app/Session.h"
#include "gui/DirectoriesTab.h"
#include "gui/EpisodeEditor.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

namespace {

const QByteArray kFeed = "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\" xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\">"
                         "<channel><title>Birds</title><link>http://example.com/</link><description>d</description>"
                         "<itunes:category text=\"Leisure\"><itunes:category text=\"Aviation\"/></itunes:category>"
                         "<itunes:explicit>yes</itunes:explicit>"
                         "<item><title>Pilot</title><guid>g1</guid></item></channel></rss>";

struct Program {
    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<AppShell> shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ChannelImageAdapter> image;
    std::unique_ptr<Session> session;
    QString feed = dir.filePath("birds.rss");

    void start()
    {
        testutil::writeFile(feed, kFeed);
        shell = std::make_unique<AppShell>(HomeFolder(dir.path()), prompts);
        shell->installResources();
        shell->loadSettings(QSize(1920 * 15, 1080 * 15));
        window = std::make_unique<MainWindow>();
        shell->loadProjectList();
        image = std::make_unique<ChannelImageAdapter>(prompts);
        session = std::make_unique<Session>(*shell, *image);
        session->setView(window.get());
        new MainController(*shell, *session, *window);
        session->startUp();
        window->show();
        prompts.queueFile(feed);
        window->action("m_open")->trigger();
    }
    template <typename T>
    T* child(QWidget* in, const char* name)
    {
        T* c = in->findChild<T*>(QLatin1String(name));
        if (!c)
            qFatal("no widget %s", name);
        return c;
    }
    QByteArray save()
    {
        window->action("m_save")->trigger();
        return testutil::readFile(feed);
    }
};

void type(QLineEdit* edit, const QString& text)
{
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void photograph(QWidget* w, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELMORA_SHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(300);
    QProcess::execute("import", {"-window", QString::number(w->winId()), QDir(folder).filePath(name)});
}

} // namespace

class TestDirectoriesWindows : public QObject {
    Q_OBJECT
private slots:
    void channelTabShowsTypedValuesTheirReasonsAndSavesThem()
    {
        Program p;
        p.start();
        MainWindow& w = *p.window;
        auto* tabs = p.child<QTabWidget>(&w, "TabStrip1");
        QCOMPARE(tabs->tabText(2), QString("Directories"));
        tabs->setCurrentIndex(2);
        DirectoriesTab* tab = w.directoriesTab();
        // What the feed holds shows as it is, a value Apple does not take with its reason.
        QCOMPARE(p.child<QComboBox>(tab, "category1")->currentText(), QString("Leisure"));
        QCOMPARE(p.child<QComboBox>(tab, "subcategory1")->currentText(), QString("Aviation"));
        QCOMPARE(p.child<QComboBox>(tab, "itunesExplicit")->currentText(), QString("yes"));
        QCOMPARE(p.child<QLabel>(tab, "itunesExplicitReason")->text(), QString("one of true, false is needed"));
        QVERIFY(p.child<QLabel>(tab, "itunesExplicitReason")->isVisible());

        auto* email = p.child<QLineEdit>(tab, "itunesOwnerEmail");
        type(email, "ann.birds.example");
        QCOMPARE(p.child<QLabel>(tab, "itunesOwnerEmailReason")->text(), QString("not an e-mail address (name@example.org)"));
        photograph(&w, "directories-tab.png");
        type(email, "ann@birds.example");
        QVERIFY(!p.child<QLabel>(tab, "itunesOwnerEmailReason")->isVisible());
        p.child<QComboBox>(tab, "itunesExplicit")->setCurrentText("false");
        QVERIFY(!p.child<QLabel>(tab, "itunesExplicitReason")->isVisible());

        // The linked lists: another category offers its own subcategories.
        p.child<QComboBox>(tab, "category1")->setCurrentText("Science");
        auto* sub = p.child<QComboBox>(tab, "subcategory1");
        QCOMPARE(sub->currentText(), QString());
        QCOMPARE(sub->itemText(1), QString("Astronomy"));
        sub->setCurrentText("Nature");
        p.child<QComboBox>(tab, "category2")->setCurrentText("Leisure");

        // The feed URL, first set, makes the GUID.
        type(p.child<QLineEdit>(tab, "atomSelfLink"), "https://mp3s.nashownotes.com/pc20rss.xml");
        QCOMPARE(p.child<QLineEdit>(tab, "podcastGuid")->text(), QString("917393e3-1b1e-5cef-ace4-edaa54e1f810"));
        QVERIFY(!p.child<QPushButton>(tab, "generateGuid")->isHidden());

        auto* people = p.child<QTableWidget>(tab, "podcastPersons");
        p.child<QPushButton>(tab, "podcastPersonsAdd")->click();
        people->setItem(0, 0, new QTableWidgetItem("Ann"));
        people->setItem(0, 3, new QTableWidgetItem("ann.jpg"));
        QCOMPARE(p.child<QLabel>(tab, "podcastPersonsReason")->text(),
                 QString("row 1, Picture URL: not a web address (https://...)"));
        people->item(0, 3)->setText("https://birds.example/ann.jpg");

        const QByteArray saved = p.save();
        QVERIFY2(saved.contains("<itunes:owner><itunes:email>ann@birds.example</itunes:email></itunes:owner>")
                     || saved.contains("<itunes:email>ann@birds.example</itunes:email>"),
                 saved.constData());
        QVERIFY(saved.contains("<itunes:category text=\"Science\"><itunes:category text=\"Nature\"/></itunes:category>"));
        QVERIFY(saved.contains("<itunes:category text=\"Leisure\"/>"));
        QVERIFY(saved.contains("<itunes:explicit>false</itunes:explicit>"));
        QVERIFY(saved.contains("<podcast:guid>917393e3-1b1e-5cef-ace4-edaa54e1f810</podcast:guid>"));
        QVERIFY(saved.contains("<podcast:person img=\"https://birds.example/ann.jpg\">Ann</podcast:person>"));

        // Opened again, the tab reads back what was saved.
        p.prompts.queueFile(p.feed);
        w.action("m_open")->trigger();
        QCOMPARE(p.child<QLineEdit>(tab, "itunesOwnerEmail")->text(), QString("ann@birds.example"));
        QCOMPARE(people->item(0, 0)->text(), QString("Ann"));
        QCOMPARE(p.child<QComboBox>(tab, "subcategory1")->currentText(), QString("Nature"));
    }

    void episodePageShowsTheAudiosDurationAndSavesTheFields()
    {
        Program p;
        p.start();
        const QString audio = p.dir.filePath("pilot.wav");
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                "sine=frequency=330:sample_rate=8000:duration=75.4", audio});
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
            QSKIP("ffmpeg cannot make the audio file");
        p.session->document().episodes[0].enclosureFile = audio;
        p.session->openEpisodeEditor(0);
        auto* e = p.window->findChild<EpisodeEditor*>();
        QVERIFY(e);
        auto* pages = p.child<QTabWidget>(e, "pages");
        QCOMPARE(pages->tabText(1), QString("Directories"));
        pages->setCurrentIndex(1);
        auto* duration = p.child<QLineEdit>(e, "itunesDuration");
        QCOMPARE(duration->text(), QString("00:01:15"));
        type(duration, "1:5");
        QCOMPARE(p.child<QLabel>(e, "itunesDurationReason")->text(), QString("seconds, MM:SS or HH:MM:SS is needed"));
        type(duration, "01:20");
        QCOMPARE(p.child<QLabel>(e, "itunesDurationReason")->text(), QString("the audio lasts 00:01:15"));
        p.child<QPushButton>(e, "durationFromAudio")->click();
        QCOMPARE(duration->text(), QString("00:01:15"));
        type(p.child<QLineEdit>(e, "itunesEpisode"), "3a");
        QCOMPARE(p.child<QLabel>(e, "itunesEpisodeReason")->text(), QString("a whole number is needed (1, 2, 3 ...)"));
        photograph(e, "episode-directories.png");
        type(p.child<QLineEdit>(e, "itunesEpisode"), "3");
        p.child<QComboBox>(e, "itunesEpisodeType")->setCurrentText("trailer");
        p.child<QPushButton>(e, "podcastTranscriptsAdd")->click();
        auto* transcripts = p.child<QTableWidget>(e, "podcastTranscripts");
        transcripts->setItem(0, 0, new QTableWidgetItem("https://birds.example/pilot.vtt"));
        transcripts->setItem(0, 1, new QTableWidgetItem("text/vtt"));
        e->close();
        QTRY_VERIFY(!p.window->findChild<EpisodeEditor*>());

        const QByteArray saved = p.save();
        QVERIFY2(saved.contains("<itunes:duration>00:01:15</itunes:duration>"), saved.constData());
        QVERIFY(saved.contains("<itunes:episode>3</itunes:episode>"));
        QVERIFY(saved.contains("<itunes:episodeType>trailer</itunes:episodeType>"));
        QVERIFY(saved.contains("<podcast:transcript url=\"https://birds.example/pilot.vtt\" type=\"text/vtt\"/>"));
    }
};

QTEST_MAIN(TestDirectoriesWindows)
#include "tst_directorieswindows.moc"
