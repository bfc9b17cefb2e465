#pragma once

#include <QStringList>

// "velmora-cli feed set FILE ...": the words after "set".
int runFeedSet(const QStringList& args);
