// "Publish podcast" on screen: opened from the main window, filled from the project, publishing
// to a real FTP server while the window stays responsive.
#include "support/FtpTestServer.h"
#include "app/AppShell.h"
#include "app/ChannelImageSeam.h"
#include "app/Session.h"
#include "app/UploadWorkflow.h"
#include "gui/MainController.h"
#include "gui/FtpFolderDialog.h"
#include "gui/MainWindow.h"
#include "gui/QtPrompts.h"
#include "gui/UploadDialog.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "support/ModalDialog.h"

#include <functional>

namespace {

template <typename T>
T* child(QWidget& d, const char* name)
{
    return d.findChild<T*>(QLatin1String(name));
}

// The program's window on a temporary home with one podcast of two local episodes.
struct Program {
    QTemporaryDir home;
    QtPrompts prompts;
    AppShell shell{HomeFolder(home.path()), prompts};
    MainWindow window;
    ReadOnlyChannelImage image;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainController> controller;
    QStringList media;

    Program()
    {
        shell.installResources();
        shell.loadSettings(QSize(1920 * 15, 1080 * 15));
        prompts.setOwner(&window);
        shell.loadProjectList();
        session = std::make_unique<Session>(shell, image);
        session->setView(&window);
        controller = std::make_unique<MainController>(shell, *session, window);
        session->startUp();
        const QString feed = home.filePath("show.rss");
        testutil::writeFile(feed, "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\"><channel><title>Allotment</title>"
                                  "<item><title>Soil</title></item><item><title>Seeds</title></item></channel></rss>");
        session->openPath(feed);
        ProjectEntry& e = *session->currentEntry();
        e.enclosures.resize(2);
        for (int i = 0; i < 2; ++i) {
            media << home.filePath(QStringLiteral("part%1.mp3").arg(i + 1));
            testutil::writeFile(media[i], QByteArray(20000, char('0' + i)));
            e.enclosures[i] = EnclosureState{media[i], {}, {}, i ? "Seeds" : "Soil", {}, true, true};
        }
        e.ftpServer = "ftp.example.net";
        e.ftpUsername = "user";
        e.ftpPath3 = "media";
        e.uploadEnclosure = true;
        window.show();
    }
    ~Program()
    {
        window.onCloseRequested = [] { return true; };
        window.onUnload = [] {};
    }
};

} // namespace

class TestUploadDialog : public QObject {
    Q_OBJECT
private slots:
    void toolbarButtonOpensTheWindowFilledFromTheProject()
    {
        Program p;
        QVERIFY(QTest::qWaitForWindowExposed(&p.window));
        bool seen = false;
        testutil::onModalDialog<UploadDialog>([&](UploadDialog& d) {
            seen = true;
            QCOMPARE(d.windowTitle(), QString("Publish podcast"));
            QCOMPARE(child<QLineEdit>(d, "FTPServer")->text(), QString("ftp.example.net"));
            QCOMPARE(child<QLineEdit>(d, "FTPPassword")->echoMode(), QLineEdit::Password);
            QCOMPARE(child<QLabel>(d, "Status")->text(), QString("Disconnected."));
            auto* list = child<QTreeWidget>(d, "Episodes");
            QCOMPARE(list->headerItem()->text(0), QString("Filename"));
            QCOMPARE(list->headerItem()->text(1), QString("Title"));
            QCOMPARE(list->topLevelItemCount(), 2);
            QCOMPARE(list->topLevelItem(1)->text(0), QString("part2.mp3"));
            QCOMPARE(list->topLevelItem(1)->text(1), QString("Seeds"));
            // Each upload box enables its own fields.
            QVERIFY(list->isEnabled());
            QVERIFY(!child<QLineEdit>(d, "FTPFilename")->isEnabled());
            child<QCheckBox>(d, "UploadFeed")->setChecked(true);
            QVERIFY(child<QLineEdit>(d, "FTPFilename")->isEnabled());
            child<QCheckBox>(d, "UploadEnclosure")->setChecked(false);
            QVERIFY(!list->isEnabled());
            list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
            child<QLineEdit>(d, "FTPPath")->setText("www");
            QTest::mouseClick(child<QPushButton>(d, "Close"), Qt::LeftButton);
        });
        p.window.clickToolButton(5);
        QVERIFY(seen);
        const ProjectEntry& e = *p.session->currentEntry();
        QVERIFY(e.uploadFeed);
        QVERIFY(!e.uploadEnclosure);
        QCOMPARE(e.ftpPath, QString("www"));
        QVERIFY(!e.enclosures[0].selectedForUpload);
        QVERIFY(e.enclosures[1].selectedForUpload);
    }

    void protocolListAndServerFieldAgree_data()
    {
        QTest::addColumn<QString>("typed");    // into the server field
        QTest::addColumn<QString>("shown");    // the protocol list's entry
        QTest::addColumn<int>("chosen");       // then chosen from the list
        QTest::addColumn<QString>("server");   // the field afterwards
        QTest::newRow("bare host, explicit TLS") << "ftp.example.net" << "FTP" << 1 << "ftpes://ftp.example.net";
        QTest::newRow("implicit typed, back to FTP") << "ftps://host:990" << "FTPS (implicit TLS)" << 0
                                                     << "ftp://host:990";
        QTest::newRow("SFTP typed, explicit TLS") << "SFTP://host" << "SFTP (SSH)" << 1 << "ftpes://host";
    }

    void protocolListAndServerFieldAgree()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, chosen);
        QFETCH(QString, server);
        Program p;
        UploadDialog d(*p.session, &p.window);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* field = child<QLineEdit>(d, "FTPServer");
        auto* list = child<QComboBox>(d, "FTPProtocol");
        QCOMPARE(list->count(), 4);
        field->setText(typed);
        QCOMPARE(list->currentText(), shown);
        // As a user's choice: the list pops up, the entry is picked.
        list->setCurrentIndex(chosen);
        emit list->activated(chosen);
        QCOMPARE(field->text(), server);
        QCOMPARE(list->currentIndex(), chosen);
        d.reject();
        // The project keeps the field; project.ini gets the host and the protocol apart.
        QCOMPARE(p.session->currentEntry()->ftpServer, server);
    }

    void protocolComesBackFromTheProjectFile()
    {
        Program p;
        p.session->currentEntry()->ftpServer = "ftpes://ftp.example.net:2121";
        QVERIFY(p.shell.saveProjectList());
        const QByteArray ini = testutil::readFile(p.home.filePath("project.ini"));
        QVERIFY2(ini.contains("FTPServer=ftp.example.net:2121") && ini.contains("FTPProtocol=ftpes"),
                 ini.constData());
        p.shell.projects().load(p.home.filePath("project.ini"), false);
        UploadDialog d(*p.session, &p.window);
        QCOMPARE(child<QLineEdit>(d, "FTPServer")->text(), QString("ftpes://ftp.example.net:2121"));
        QCOMPARE(child<QComboBox>(d, "FTPProtocol")->currentText(), QString("FTPS (explicit TLS)"));
    }

    void publishesWhileTheWindowStaysResponsive()
    {
        FtpTestServer server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        QDir().mkpath(server.path("media"));
        Program p;
        p.shell.settings().savePassword = false;
        UploadDialog d(*p.session, &p.window);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        child<QLineEdit>(d, "FTPServer")->setText(QString("ftp://127.0.0.1:%1").arg(server.port()));
        child<QLineEdit>(d, "FTPPassword")->setText("secret");
        QTest::mouseClick(child<QPushButton>(d, "Publish"), Qt::LeftButton);
        // The click returns at once: the upload goes on through events.
        QVERIFY(d.workflow().running());
        QCOMPARE(child<QPushButton>(d, "Publish")->text(), QString("Stop"));
        QTRY_VERIFY_WITH_TIMEOUT(!d.workflow().running(), 20000);
        QCOMPARE(child<QLabel>(d, "Status")->text(), QString("Upload Successful."));
        QCOMPARE(child<QPushButton>(d, "Publish")->text(), QString("Publish"));
        QCOMPARE(testutil::readFile(server.path("media/part2.mp3")), testutil::readFile(p.media[1]));

        QTest::mouseClick(child<QPushButton>(d, "ViewLog"), Qt::LeftButton);
        QVERIFY(d.logWindow() && d.logWindow()->isVisible());
        const QString shown = d.logWindow()->findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY(shown.startsWith("*** Upload Started at "));
        QVERIFY(shown.contains("STOR media/part2.mp3"));
        QVERIFY(d.logWindow()->findChild<QPlainTextEdit*>()->isReadOnly());
        d.reject();
        QCOMPARE(p.session->currentEntry()->ftpServer, QString("ftp://127.0.0.1:%1").arg(server.port()));
        QVERIFY(p.session->currentEntry()->ftpPassword.isEmpty()); // "SavePassword" is off
    }

    void browseButtonFillsItsFolderField()
    {
        FtpTestServer server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        QDir().mkpath(server.path("shows/audio"));
        Program p;
        UploadDialog d(*p.session, &p.window);
        d.show();
        child<QLineEdit>(d, "FTPServer")->setText(QString("127.0.0.1:%1").arg(server.port()));
        child<QLineEdit>(d, "FTPPassword")->setText("secret");
        bool seen = false;
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [&, poll] {
            auto* browser = qobject_cast<FtpFolderDialog*>(QApplication::activeModalWidget());
            if (!browser)
                return;
            auto* list = browser->findChild<QListWidget*>("Folders");
            if (list->count() == 0 || list->item(0)->text() != "shows")
                return;
            poll->stop();
            seen = true;
            QCOMPARE(browser->findChild<QLabel*>("Status")->text(), QString("Status: Connected."));
            list->setCurrentRow(0);
            emit list->itemClicked(list->item(0));
            QCOMPARE(browser->findChild<QLabel*>("Path")->text(), QString("/shows"));
            browser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        poll->start(20);
        QTest::mouseClick(child<QPushButton>(d, "Browse3"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(child<QLineEdit>(d, "FTPPath3")->text(), QString("/shows"));
        // A folder field whose upload is off cannot be browsed either.
        QVERIFY(!child<QPushButton>(d, "Browse2")->isEnabled());
        d.reject();
    }
};

QTEST_MAIN(TestUploadDialog)
#include "tst_uploaddialog.moc"
