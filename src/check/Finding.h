#pragma once

#include <QLatin1String>
#include <QList>
#include <QString>

// One problem the feed check found, and where.
enum class Severity { Error, Warning, Advice };

struct Finding {
    QString rule; // "rss-ttl", see CheckRules.h
    Severity severity = Severity::Error;
    QString message;
    int line = 0;   // 1-based in the file; 0 when the place is the whole file
    int column = 0; // 1-based, in characters
    int item = 0;   // 1-based number of the item concerned; 0 for the channel or the file
    QString element; // qualified name as in the file ("enclosure", "itunes:image"); may be empty
};

using Findings = QList<Finding>;

// "error", "warning", "advice".
QLatin1String severityName(Severity severity);
