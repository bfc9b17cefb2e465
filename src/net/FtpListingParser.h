#pragma once

#include "net/CFtpFiles.h"

#include <QDateTime>
#include <QString>

#include <optional>

// Turns a LIST answer into directory entries. Two forms are read: the Unix long listing
// ("drwxr-xr-x 2 user group 4096 Jan 12 13:45 docs") and the Windows server form
// ("01-15-03  10:30AM       <DIR>          images"). A line of neither form (a banner, a
// "total" line, an unknown shape) is skipped.
namespace FtpListingParser {

struct Result {
    CFtpFiles files;
    int readLines = 0;
    int skippedLines = 0;
};

// Fails (nullopt) only when the listing has lines and none of them can be read. Dates without
// a year get the most recent year that does not put them in the future, as seen from now.
std::optional<Result> parse(const QString& listing, const QDateTime& now = QDateTime::currentDateTime());

// One line; nullopt when the line has neither form or holds values that do not convert.
std::optional<CFtpFile> parseLine(const QString& line, const QDateTime& now);

} // namespace FtpListingParser
