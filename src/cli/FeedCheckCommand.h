#pragma once

#include "check/FeedChecker.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// "velmora-cli feed check": the offline check runs in velmora-cli-core.so; a URL to download
// or --online goes to velmora-cli-net, which alone links Qt Network.
namespace feedcheckcli {

struct Arguments {
    QString target; // a file, or an http(s) address
    bool online = false;
    bool json = false;
    unsigned groups = 0;
    int timeoutMs = 30000;
    bool isUrl() const;
};

// Parses the words after "check"; an exit code when they are wrong or asked for help, else -1.
int parse(const QStringList& args, Arguments& out);
// Reads and checks a feed file: an exit code when it cannot be read, else -1 and the result.
int checkFile(const Arguments& a, CheckResult& result);
// Prints the findings as text or JSON; the exit code they give.
int report(const Findings& findings, const QString& name, bool json);

} // namespace feedcheckcli

// In velmora-cli-net: downloads a URL and checks it, with the online check when asked.
int runFeedCheckOnline(const QStringList& args);
