#pragma once

#include <QStringList>

// "velmora-cli feed download URL --out FILE": the words after "download".
int runFeedDownload(const QStringList& args);
