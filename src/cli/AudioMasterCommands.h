#pragma once

#include <QStringList>

// "velmora-cli audio loudness" and "velmora-cli audio master".
namespace audiomaster {
extern const char kUsage[];
int runLoudness(const QStringList& args);
int runMaster(const QStringList& args);
} // namespace audiomaster
