#include "gui/WindowGeometry.h"

#include "store/Settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace window_geometry {

namespace {
int toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}
} // namespace

QSize screenSizeInTwips()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize pixels = screen ? screen->size() : QSize(1024, 768);
    return pixels * kTwipsPerPixel;
}

void applyMainWindow(QWidget& window, const Settings& settings)
{
    if (settings.mfWidth > 0 && settings.mfHeight > 0)
        window.resize(toPixels(settings.mfWidth), toPixels(settings.mfHeight));
    window.move(toPixels(settings.mfLeft), toPixels(settings.mfTop));
    if (settings.mfPos == 1)
        window.setWindowState(Qt::WindowMinimized);
    else if (settings.mfPos == 2)
        window.setWindowState(Qt::WindowMaximized);
}

void storeMainWindow(const QWidget& window, Settings& settings)
{
    const bool minimized = window.isMinimized();
    QRect frame(window.pos(), window.size());
    if (minimized && window.normalGeometry().isValid())
        frame = window.normalGeometry();
    settings.mfLeft = frame.x() * kTwipsPerPixel;
    settings.mfTop = frame.y() * kTwipsPerPixel;
    settings.mfWidth = frame.width() * kTwipsPerPixel;
    settings.mfHeight = frame.height() * kTwipsPerPixel;
    settings.mfPos = minimized ? 0 : (window.isMaximized() ? 2 : 0);
}

} // namespace window_geometry
