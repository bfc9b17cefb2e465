// Feed dates: parsing any text, in zones east, west, fractional and with summer time, must
// end quickly with a normalised record that formats and parses back to itself.
#include "feed/FeedDateTime.h"

#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {
// putenv keeps these strings (setenv would leak a copy on every run).
char kZones[][48] = {"TZ=UTC", "TZ=CET-1CEST,M3.5.0,M10.5.0/3", "TZ=IST-5:30",
                     "TZ=NST3:30NDT,M3.2.0,M11.1.0", "TZ=NPT-5:45", "TZ=PST8PDT,M3.2.0,M11.1.0",
                     "TZ=LHST-10:30LHDT-11,M10.1.0,M4.1.0"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    putenv(kZones[data[0] % (sizeof kZones / sizeof *kZones)]);
    tzset();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const FeedDateTime local = parseFeedDate(text);
    if (local.month >= 1 && local.month <= 12) {
        if (local.hour < 0 || local.hour > 23 || local.minute < 0 || local.minute > 59
            || local.day < 1 || local.day > daysInMonth(local.month, local.year))
            std::abort();
        // Dates the calendar keeps exactly come back unchanged (summer-time gaps and folds
        // aside, where a local time names no moment or two).
        const FeedDateTime again = parseFeedDate(formatFeedDate(local));
        if (local.year > 1902 && local.year < 2037 && local.second >= 0 && local.second < 60
            && localOffsetMinutesAtLocal(local) == localOffsetMinutesAtLocal(again) && !(again == local)
            && std::abs(again.hour - local.hour) != 1)
            std::abort();
    }
    (void)displayDate(text);
    (void)displayTime(text);
    return 0;
}
