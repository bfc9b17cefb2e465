#include "../http/ScriptedHttpServer.h"
#include "app/AppShell.h"
#include "app/ChannelImageSeam.h"
#include "app/Session.h"
#include "gui/DownloadDialog.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/QtPrompts.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "support/ModalDialog.h"

#include <functional>

namespace {

QLineEdit* field(DownloadDialog& d)
{
    return d.findChild<QLineEdit*>("Text1");
}

void click(DownloadDialog& d, const char* button)
{
    QTest::mouseClick(d.findChild<QPushButton*>(button), Qt::LeftButton);
}

} // namespace

class TestDownloadDialog : public QObject {
    Q_OBJECT
private slots:
    void showsTheAddressFieldSelected()
    {
        DownloadDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.windowTitle(), QString("Download podcast feed"));
        QVERIFY(d.findChild<QLabel*>()->text() == "URL:");
        QCOMPARE(field(d)->text(), QString("http://"));
        QCOMPARE(d.findChild<QPushButton*>("Command1")->text(), QString("OK"));
        QCOMPARE(d.findChild<QPushButton*>("Command2")->text(), QString("Cancel"));
        QTRY_COMPARE(field(d)->selectedText(), QString("http://"));

        // Leaving and entering the field again selects the whole text once more.
        field(d)->setText("http://host/feed.xml");
        field(d)->deselect();
        d.findChild<QPushButton*>("Command2")->setFocus();
        QTest::mouseClick(field(d), Qt::LeftButton);
        QTRY_COMPARE(field(d)->selectedText(), QString("http://host/feed.xml"));
    }

    void blanksKeepTheDialogOpen()
    {
        DownloadDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        field(d)->setText("  \t ");
        click(d, "Command1");
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        field(d)->setText(" http://h/f.rss ");
        click(d, "Command1");
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.url(), QString(" http://h/f.rss "));
    }

    void toolbarButtonDownloadsIntoANewUntitledPodcast()
    {
        QTemporaryDir home;
        ScriptedHttpServer server;
        QVERIFY(server.listen());
        server.responder = [](const QByteArray&) -> QByteArray {
            return "HTTP/1.1 200 OK\r\n\r\n<rss version=\"2.0\"><channel><title>From the web</title>"
                   "<item><title>E1</title></item></channel></rss>";
        };
        QtPrompts prompts;
        AppShell shell(HomeFolder(home.path()), prompts);
        shell.installResources();
        shell.loadSettings(QSize(1920 * 15, 1080 * 15));
        MainWindow window;
        prompts.setOwner(&window);
        prompts.setStatusSink([&window](const QString& text) { window.setStatusText(text); });
        shell.loadProjectList();
        ReadOnlyChannelImage image;
        Session session(shell, image);
        session.setView(&window);
        MainController controller(shell, session, window);
        session.startUp();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Cancel changes nothing.
        testutil::onModalDialog<DownloadDialog>([](DownloadDialog& d) { click(d, "Command2"); });
        window.clickToolButton(4);
        QCOMPARE(session.projects().count(), 0);

        const QString url = QStringLiteral("http://127.0.0.1:%1/feed.rss").arg(server.port());
        testutil::onModalDialog<DownloadDialog>([url](DownloadDialog& d) {
            field(d)->setText(url);
            click(d, "Command1");
        });
        window.clickToolButton(4);
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(session.projects().count(), 1);
        QCOMPARE(window.windowTitle(), QString("Velmora (release candidate rc0) - [Untitled]"));
        QCOMPARE(window.channelFields().title, QString("From the web"));
        QCOMPARE(window.statusText(), QString("Done."));
        QVERIFY(window.action("m_download")->isEnabled());
        QVERIFY(window.action("m_save")->isEnabled());
        window.onCloseRequested = [] { return true; };
        window.onUnload = [] {};
    }
};

QTEST_MAIN(TestDownloadDialog)
#include "tst_downloaddialog.moc"
