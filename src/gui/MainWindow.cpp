#include "gui/MainWindow.h"

#include "app/AppShell.h"
#include "common/ProductInfo.h"
#include "gui/WindowGeometry.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// Twips are 1/1440 inch; at 96 DPI one pixel is 15 twips.
constexpr int kTwipsPerPixel = 15;
} // namespace

MainWindow::MainWindow(AppShell& shell, QWidget* parent) : QMainWindow(parent), m_shell(shell)
{
    setWindowTitle(QLatin1String(product::kBaseTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/velmora-64.png")));
    setMinimumSize(11825 / kTwipsPerPixel, 8715 / kTwipsPerPixel);
    window_geometry::applyMainWindow(*this, m_shell.settings());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* welcome = new QLabel(tr("No podcast is open."), central);
    welcome->setAlignment(Qt::AlignCenter);
    layout->addWidget(welcome);
    setCentralWidget(central);

    m_status = new QLabel(this);
    m_status->setMinimumWidth(5000 / kTwipsPerPixel);
    m_clock = new QLabel(this);
    m_clock->setMinimumWidth(3000 / kTwipsPerPixel);
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_clock);
    statusBar()->showMessage(tr("Ready."));

    auto* clockTimer = new QTimer(this);
    clockTimer->setInterval(150);
    connect(clockTimer, &QTimer::timeout, this, &MainWindow::updateClock);
    clockTimer->start();
    updateClock();
}

void MainWindow::updateClock()
{
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    m_clock->setText(locale.toString(now.date(), QLocale::LongFormat) + QLatin1Char(' ')
                     + locale.toString(now.time(), QLocale::ShortFormat));
}

void MainWindow::closeUnattended()
{
    m_shell.setUnattendedExit(true);
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        window_geometry::storeMainWindow(*this, m_shell.settings());
        hide();
        m_shell.unload();
    }
    event->accept();
}
