#include "app/AppShell.h"
#include "app/ChannelImageSeam.h"
#include "app/Session.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "store/Settings.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "support/ModalDialog.h"

#include <functional>

namespace {

Settings usersSettings()
{
    Settings s;
    s.setDefaults(QStringLiteral("/home/u/velmora"), QSize(1920 * 15, 1080 * 15));
    s.useTemplate = true;
    s.templates = QStringLiteral("/home/u/template.rss");
    return s;
}

template <typename T>
T* child(QWidget& d, const char* name)
{
    T* w = d.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

// Clicks a check box or radio button on its indicator: the box may be wider than its caption.
void tick(QAbstractButton* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

void click(QWidget& d, const char* button)
{
    QTest::mouseClick(child<QPushButton>(d, button), Qt::LeftButton);
}

QStringList items(QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT
private slots:
    void showsBothTabsWithTheirCaptions()
    {
        Settings s = usersSettings();
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.windowTitle(), QString("Preferences"));
        auto* tabs = child<QTabWidget>(d, "TabStrip1");
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QString("General"));
        QCOMPARE(tabs->tabText(1), QString("Audio"));
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(child<QCheckBox>(d, "Check1")->isVisible());
        QVERIFY(!child<QSlider>(d, "Slider1")->isVisible());
        tabs->setCurrentIndex(1);
        QVERIFY(!child<QCheckBox>(d, "Check1")->isVisible());
        QVERIFY(child<QSlider>(d, "Slider1")->isVisible());

        const QList<QPair<const char*, const char*>> captions = {
            {"Check1", "Automatically keep files of the project"}, {"Check5", "Always create backup copy"},
            {"Check3", "Keep passwords"}, {"Check4", "Keep FTP log"},
            {"Check2", "Use a template for the new feeds:"}, {"Command3", "Browse..."},
            {"Command1", "OK"}, {"Command2", "Cancel"}, {"Option1", "Mono"}, {"Option2", "Stereo"}};
        for (const auto& [name, caption] : captions)
            QCOMPARE(child<QAbstractButton>(d, name)->text(), QString(caption));
        QStringList labels;
        for (const QLabel* label : child<QWidget>(d, "Audio")->findChildren<QLabel*>())
            labels << label->text();
        for (const char* caption : {"Mic input level:", "Encoder:", "Samples rate, Hz:", "Bitrate, kbps:"})
            QVERIFY2(labels.contains(QLatin1String(caption)), caption);

        QCOMPARE(items(child<QComboBox>(d, "Combo1")), (QStringList{"WAV", "MP3", "OGG"}));
        QCOMPARE(items(child<QComboBox>(d, "Combo2")).size(), 9);
        QCOMPARE(items(child<QComboBox>(d, "Combo3")).first(), QString("320"));
        QCOMPARE(items(child<QComboBox>(d, "Combo3")).last(), QString("8"));
        QCOMPARE(child<QSlider>(d, "Slider1")->minimum(), 0);
        QCOMPARE(child<QSlider>(d, "Slider1")->maximum(), 65535);
    }

    void opensWithTheStoredValues()
    {
        Settings s = usersSettings();
        s.autoSave = false;
        s.saveLog = true;
        s.pVolMic = 30000;
        s.encoder = 2;
        s.encoderSamples = 22050;
        s.encoderBitrate = 128;
        s.pMonoStereo = 0;
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        for (const char* box : {"Check2", "Check3", "Check4", "Check5"})
            QVERIFY2(child<QCheckBox>(d, box)->isChecked(), box);
        QVERIFY(!child<QCheckBox>(d, "Check1")->isChecked());
        QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QString("/home/u/template.rss"));
        QCOMPARE(child<QSlider>(d, "Slider1")->value(), 30000);
        QCOMPARE(child<QComboBox>(d, "Combo1")->currentText(), QString("OGG"));
        QCOMPARE(child<QComboBox>(d, "Combo2")->currentText(), QString("22050"));
        QCOMPARE(child<QComboBox>(d, "Combo3")->currentText(), QString("128"));
        QVERIFY(child<QRadioButton>(d, "Option1")->isChecked());
        QVERIFY(!child<QRadioButton>(d, "Option2")->isChecked());
    }

    void okWithoutChangesKeepsEverySetting_data()
    {
        QTest::addColumn<qint16>("monoStereo");
        QTest::newRow("stereo") << qint16(1);
        QTest::newRow("mono") << qint16(0);
    }

    void okWithoutChangesKeepsEverySetting()
    {
        QFETCH(qint16, monoStereo);
        Settings s = usersSettings();
        s.pMonoStereo = monoStereo;
        s.pVolMic = 12345;
        const Settings before = s;
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        click(d, "Command1");
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
        QCOMPARE(s, before);
    }

    void unlistedBitrateOpensUnselectedAndStoresZero()
    {
        Settings s = usersSettings();
        s.encoderBitrate = 100;
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(child<QComboBox>(d, "Combo3")->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(d, "Combo3")->currentText(), QString());
        click(d, "Command1");
        QCOMPARE(s.encoderBitrate, 0);
        QCOMPARE(s.encoderSamples, 44100);
    }

    void templateBoxEnablesPathAndBrowse()
    {
        Settings s = usersSettings();
        s.useTemplate = false;
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* path = child<QLineEdit>(d, "Text1");
        auto* browse = child<QPushButton>(d, "Command3");
        QVERIFY(!path->isEnabled());
        QVERIFY(!browse->isEnabled());
        tick(child<QCheckBox>(d, "Check2"));
        QVERIFY(path->isEnabled());
        QVERIFY(browse->isEnabled());
        tick(child<QCheckBox>(d, "Check2"));
        QVERIFY(!path->isEnabled());
        QVERIFY(!browse->isEnabled());
        // A greyed button cannot open the file dialog.
        QTest::mouseClick(browse, Qt::LeftButton);
        QVERIFY(prompts.fileDialogs.isEmpty());
        click(d, "Command1");
        QVERIFY(!s.useTemplate);
        QCOMPARE(s.templates, QString("/home/u/template.rss"));
    }

    void browsePutsTheChosenFileIntoThePath()
    {
        Settings s = usersSettings();
        FakePrompts prompts;
        prompts.queueFile(QStringLiteral("/srv/feeds/base.xml"));
        OptionsDialog d(s, prompts);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        click(d, "Command3");
        QCOMPARE(prompts.fileDialogs.size(), 1);
        QCOMPARE(prompts.fileDialogs[0].title, QString("Open Template"));
        QCOMPARE(prompts.fileDialogs[0].filters[0].patterns, QString("*.rss;*.xml"));
        QCOMPARE(child<QLineEdit>(d, "Text1")->text(), QString("/srv/feeds/base.xml"));
        QCOMPARE(s.templates, QString("/home/u/template.rss")); // not before OK
        click(d, "Command1");
        QCOMPARE(s.templates, QString("/srv/feeds/base.xml"));
    }

    void cancelAfterChangesStoresNothing()
    {
        Settings s = usersSettings();
        const Settings before = s;
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        tick(child<QCheckBox>(d, "Check1"));
        tick(child<QCheckBox>(d, "Check2"));
        child<QLineEdit>(d, "Text1")->setText("/elsewhere.rss");
        child<QTabWidget>(d, "TabStrip1")->setCurrentIndex(1);
        child<QSlider>(d, "Slider1")->setValue(100);
        child<QComboBox>(d, "Combo1")->setCurrentIndex(0);
        child<QComboBox>(d, "Combo3")->setCurrentIndex(0);
        tick(child<QRadioButton>(d, "Option1"));
        QVERIFY(child<QRadioButton>(d, "Option1")->isChecked());
        click(d, "Command2");
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(s, before);
    }

    void okStoresWhatTheUserChose()
    {
        Settings s = usersSettings();
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        tick(child<QCheckBox>(d, "Check3"));
        tick(child<QCheckBox>(d, "Check4"));
        child<QTabWidget>(d, "TabStrip1")->setCurrentIndex(1);
        child<QSlider>(d, "Slider1")->setFocus();
        QTest::keyClick(child<QSlider>(d, "Slider1"), Qt::Key_Home);
        child<QComboBox>(d, "Combo1")->setCurrentIndex(0);
        child<QComboBox>(d, "Combo2")->setCurrentIndex(0);
        child<QComboBox>(d, "Combo3")->setCurrentIndex(14);
        tick(child<QRadioButton>(d, "Option1"));
        click(d, "Command1");
        QVERIFY(!s.savePassword);
        QVERIFY(s.saveLog);
        QCOMPARE(s.pVolMic, 0);
        QCOMPARE(s.encoder, 0);
        QCOMPARE(s.encoderSamples, 48000);
        QCOMPARE(s.encoderBitrate, 8);
        QCOMPARE(s.pMonoStereo, qint16(0));
    }

    void helpOpensTheSettingsPage()
    {
        Settings s = usersSettings();
        FakePrompts prompts;
        OptionsDialog d(s, prompts);
        QStringList pages;
        d.onHelp = [&pages](const QString& page) { pages << page; };
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        click(d, "Help");
        QTest::keyClick(&d, Qt::Key_F1);
        QCOMPARE(pages, (QStringList{"program_settings.htm", "program_settings.htm"}));
        QVERIFY(d.isVisible());
    }

    // Through the main window: the dialog is modal over it, and its choices steer New podcast.
    void preferencesCommandEditsTheProgramSettings()
    {
        QTemporaryDir home;
        QTemporaryDir feeds;
        const QString templatePath = feeds.filePath("template.rss");
        QVERIFY(testutil::writeFile(templatePath,
                                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">"
                                    "<channel><title>From the template</title></channel></rss>"));
        FakePrompts prompts;
        AppShell shell(HomeFolder(home.path()), prompts);
        shell.installResources();
        shell.loadSettings(QSize(1920 * 15, 1080 * 15));
        MainWindow window;
        shell.loadProjectList();
        ReadOnlyChannelImage image;
        Session session(shell, image);
        session.setView(&window);
        MainController controller(shell, session, window);
        session.startUp();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The command is offered once there is a podcast.
        QVERIFY(!window.action("m_options")->isEnabled());
        session.newPodcast();
        QVERIFY(window.action("m_options")->isEnabled());

        bool modalOverWindow = false;
        prompts.queueFile(templatePath);
        testutil::onModalDialog<OptionsDialog>([&](OptionsDialog& d) {
            modalOverWindow = d.isModal() && d.parentWidget() == &window;
            tick(child<QCheckBox>(d, "Check2"));
            click(d, "Command3");
            click(d, "Help");
            click(d, "Command1");
        });
        window.action("m_options")->trigger();
        QVERIFY(modalOverWindow);
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(shell.settings().useTemplate);
        QCOMPARE(shell.settings().templates, templatePath);
        const QString page = QDir(home.path()).filePath("manual/program_settings.htm");
        QVERIFY(QFile::exists(page));
        QCOMPARE(prompts.openedUrls, QStringList{QUrl::fromLocalFile(page).toString()});

        prompts.queueAnswer(MessageAnswer::No); // the podcast made before is not kept
        session.newPodcast();
        QCOMPARE(session.document().channel.title, QString("From the template"));

        // Clearing the box: the next new podcast starts without the template.
        testutil::onModalDialog<OptionsDialog>([](OptionsDialog& d) {
            tick(child<QCheckBox>(d, "Check2"));
            QVERIFY(!child<QLineEdit>(d, "Text1")->isEnabled());
            click(d, "Command1");
        });
        window.action("m_options")->trigger();
        QVERIFY(!shell.settings().useTemplate);
        prompts.queueAnswer(MessageAnswer::No);
        session.newPodcast();
        QVERIFY(session.document().channel.title != QString("From the template"));
        QCOMPARE(prompts.unexpected, QStringList());

        window.onCloseRequested = [] { return true; };
        window.onUnload = [] {};
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
