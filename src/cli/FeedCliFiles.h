#pragma once

#include "feed/FeedDocument.h"
#include "feed/FeedImport.h"

#include <QString>

// Reading and writing feed files for the "feed" subcommands, with their error lines.
namespace feedcli {

// Reads a feed file as opening a podcast does; on failure prints the reason, sets exitCode and
// returns false.
bool loadFeed(const QString& path, FeedDocument& document, FeedType& type, int& encoding, int& exitCode);
// Writes the document atomically; the exit code.
int writeOut(const QString& path, const FeedDocument& document, int encoding);
// An encoding index 0..53 or a charset name of the table; -1 for neither.
int parseEncoding(const QString& value);

} // namespace feedcli
