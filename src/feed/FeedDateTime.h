#pragma once

#include <QString>

#include <cstdint>

// A local date and time (the machine's zone, as the C library's TZ says). A field the parser
// found no value for is 0.
struct FeedDateTime {
    std::int16_t day = 0;
    std::int16_t month = 0;
    std::int16_t year = 0;
    std::int16_t hour = 0;
    std::int16_t minute = 0;
    std::int16_t second = 0;

    bool operator==(const FeedDateTime&) const = default;
};

// Local time → "3 Dec 2026 21:57:19 GMT" (GMT, no day of week).
QString formatFeedDate(const FeedDateTime& local);
// RFC 822 text (with or without day of week; GMT, a numeric zone or none) → local time.
FeedDateTime parseFeedDate(const QString& text);
// Carries minutes into hours, hours into days, days into months and months into years.
FeedDateTime normalizeFeedDateTime(const FeedDateTime& value);
// 28 to 31; 0 for a month outside 1 to 12.
int daysInMonth(int month, int year);
// The date of a feed date text in the user's short date format, or "[Unknown date]".
QString displayDate(const QString& text);
// The time of a feed date text in the user's long time format (without a zone name).
QString displayTime(const QString& text);
// The machine's local time now.
FeedDateTime currentFeedDateTime();
// Minutes east of Greenwich in effect at the given local time (negative west of it).
int localOffsetMinutesAtLocal(const FeedDateTime& local);
