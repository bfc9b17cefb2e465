#include "gui/ApplicationIdentity.h"

#include "common/ProductInfo.h"

#include <QApplication>
#include <QIcon>

void setApplicationIdentity()
{
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setApplicationVersion(QLatin1String(product::kVersionString));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/velmora-64.png")));
    // Names the .desktop file (its Name is shown by docks and task bars); it does not touch titles.
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
}
