#pragma once

#include <QSize>

class QWidget;
struct Settings;

// Window sizes and positions are kept in twips: 1/1440 inch, 15 to a pixel at 96 DPI.
namespace window_geometry {

inline constexpr int kTwipsPerPixel = 15;

// Size of the primary screen in twips (a common desktop size when there is no screen).
QSize screenSizeInTwips();

// "MFWidth", "MFHeight", "MFLeft", "MFTop" and "MFPos" applied to the main window before it
// is shown, and stored back from it when it closes (a minimized window stores its normal
// size and position, state 0).
void applyMainWindow(QWidget& window, const Settings& settings);
void storeMainWindow(const QWidget& window, Settings& settings);

} // namespace window_geometry
