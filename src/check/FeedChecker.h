#pragma once

#include "check/CheckRules.h"
#include "check/Finding.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A file a feed links to, for the online check: what the feed says about it and where.
struct CheckLink {
    enum Kind { Enclosure, ChannelImage, CoverImage };
    Kind kind = Enclosure;
    QString url;
    QString length; // enclosures: as the feed gives it
    QString type;
    int item = 0;
    QString element;
    int line = 0;
    int column = 0;
};

struct CheckOptions {
    unsigned groups = checkrules::Xml | checkrules::Rss | checkrules::Apple | checkrules::Podcast;
    // Where a cover named by a relative path or a file: address is looked for (the feed's folder).
    QString baseFolder;
};

struct CheckResult {
    Findings findings; // in the order of the file
    QList<CheckLink> links;
    bool wellFormed = false;
    int count(Severity severity) const;
};

// The offline feed check: XML, RSS 2.0, Apple Podcasts and Podcasting 2.0 rules on the bytes
// of a feed file.
class FeedChecker {
public:
    static CheckResult check(const QByteArray& bytes, const CheckOptions& options = {});
    // Orders findings by line and column, the file-wide ones first.
    static void sortFindings(Findings& findings);
};
