// Window titles as the X server holds them (_NET_WM_NAME), on an X server of the test's own:
// the window system shows these texts, and Qt's platform layer may add to what a widget was given.

#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/HomeFolder.h"
#include "app/Session.h"
#include "audio/AudioSystem.h"
#include "common/ProductInfo.h"
#include "gui/ApplicationIdentity.h"
#include "gui/MainController.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/QtPrompts.h"
#include "support/ModalDialog.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <xcb/xcb.h>

#include <memory>

namespace {

QProcess* g_server = nullptr;

// Starts Xvfb on a free display; false when there is none to start.
bool startXServer()
{
    g_server = new QProcess;
    g_server->setProcessChannelMode(QProcess::SeparateChannels);
    g_server->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                             QStringLiteral("-screen"), QStringLiteral("0"),
                                             QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                             QStringLiteral("tcp")});
    if (!g_server->waitForStarted(5000))
        return false;
    QByteArray display;
    while (!display.contains('\n') && g_server->waitForReadyRead(10000))
        display += g_server->readAllStandardOutput();
    display = display.trimmed();
    if (display.isEmpty())
        return false;
    qputenv("DISPLAY", ":" + display);
    return true;
}

QString xTitle(const QWidget& window)
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return QStringLiteral("<not on X11>");
    xcb_connection_t* c = x11->connection();
    const char name[] = "_NET_WM_NAME";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
    if (!atom)
        return {};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, static_cast<xcb_window_t>(window.winId()), atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr);
    free(atom);
    if (!reply)
        return {};
    const QString title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                            xcb_get_property_value_length(reply));
    free(reply);
    return title;
}

class FailingAudio : public AudioSystem {
public:
    quint32 version() const override { return AudioSystem::kExpectedVersionHigh << 16; }
    bool init(int, int) override { return false; }
    bool isInitialised() const override { return false; }
    int lastErrorCode() const override { return 23; }
};

} // namespace

class TestWindowTitles : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QtPrompts m_prompts;
    std::unique_ptr<AppShell> m_shell;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<ChannelImageAdapter> m_image;
    std::unique_ptr<Session> m_session;

private slots:
    void initTestCase()
    {
        if (!qApp->nativeInterface<QNativeInterface::QX11Application>())
            QSKIP("no X server could be started (Xvfb missing?): titles are only added on X11 and Wayland");
        const QString feed = QDir(m_home.path()).filePath(QStringLiteral("night.rss"));
        QVERIFY(testutil::writeFile(feed, "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>"
                                          "<title>Night &amp; Day Radio</title></channel></rss>"));
        QVERIFY(testutil::writeFile(QDir(m_home.path()).filePath(QStringLiteral("project.ini")),
                                    "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8() + "\r\n"));
        m_shell = std::make_unique<AppShell>(HomeFolder(m_home.path()), m_prompts);
        QVERIFY(m_shell->acquireSingleInstance());
        m_shell->installResources();
        m_shell->loadSettings(QSize(1280 * 15, 1024 * 15));
        m_window = std::make_unique<MainWindow>();
        m_prompts.setOwner(m_window.get());
        m_shell->loadProjectList();
        m_image = std::make_unique<ChannelImageAdapter>(m_prompts);
        m_session = std::make_unique<Session>(*m_shell, *m_image);
        m_session->setView(m_window.get());
        new MainController(*m_shell, *m_session, *m_window);
        m_session->startUp();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void mainWindowShowsThePodcastTitleAlone()
    {
        const QString expected = QLatin1String(product::kBaseTitle) + QStringLiteral(" - [Night & Day Radio]");
        QCOMPARE(m_window->windowTitle(), expected);
        QTRY_COMPARE(xTitle(*m_window), expected);
    }

    void dialogsCarryTheirOwnTitleAlone_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("message box of a failed sound start") << QStringLiteral("Error");
        QTest::newRow("preferences") << QStringLiteral("Preferences");
    }
    void dialogsCarryTheirOwnTitleAlone()
    {
        QFETCH(QString, title);
        QString seen;
        QString given;
        testutil::onModalDialog<QDialog>([&](QDialog& dialog) {
            given = dialog.windowTitle();
            if (!QTest::qWaitFor([&] { return !xTitle(dialog).isEmpty(); }, 5000))
                qWarning("no title reached the X server");
            seen = xTitle(dialog);
            dialog.reject();
        });
        if (title == QLatin1String("Error")) {
            FailingAudio audio;
            QVERIFY(!m_shell->startAudio(audio));
        } else {
            OptionsDialog(m_shell->settings(), m_prompts, m_window.get()).exec();
        }
        QCOMPARE(given, title);
        QCOMPARE(seen, title);
    }

    void cleanupTestCase()
    {
        if (m_window)
            m_window->closeUnattended();
    }
};

int main(int argc, char* argv[])
{
    // The program's identity as main() sets it, on an X server: the offscreen platform keeps
    // titles as given and would hide what X11 adds.
    if (startXServer())
        qputenv("QT_QPA_PLATFORM", "xcb");
    int code = 0;
    {
        QApplication app(argc, argv);
        setApplicationIdentity();
        TestWindowTitles test;
        code = QTest::qExec(&test, argc, argv);
    }
    if (g_server) {
        g_server->terminate();
        g_server->waitForFinished(5000);
        delete g_server;
    }
    return code;
}

#include "tst_windowtitles.moc"
