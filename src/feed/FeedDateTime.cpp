#include "feed/FeedDateTime.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <ctime>

namespace {

// Working copy with room for intermediate values beyond 16 bits.
struct Fields {
    long day, month, year, hour, minute, second;
};

Fields widen(const FeedDateTime& v)
{
    return {v.day, v.month, v.year, v.hour, v.minute, v.second};
}

FeedDateTime narrow(const Fields& f)
{
    return {static_cast<std::int16_t>(f.day), static_cast<std::int16_t>(f.month),
            static_cast<std::int16_t>(f.year), static_cast<std::int16_t>(f.hour),
            static_cast<std::int16_t>(f.minute), static_cast<std::int16_t>(f.second)};
}

void normalize(Fields& f)
{
    // Whole multiples first so that hostile values cannot make the loops below run long.
    if (f.minute >= 60 || f.minute < 0) {
        long carry = f.minute / 60;
        f.minute %= 60;
        if (f.minute < 0) {
            f.minute += 60;
            --carry;
        }
        f.hour += carry;
    }
    if (f.hour > 23 || f.hour < 0) {
        long carry = f.hour / 24;
        f.hour %= 24;
        if (f.hour < 0) {
            f.hour += 24;
            --carry;
        }
        f.day += carry;
    }
    for (;;) {
        if (f.month > 12) {
            f.year += (f.month - 1) / 12;
            f.month = (f.month - 1) % 12 + 1;
            continue;
        }
        const int length = daysInMonth(static_cast<int>(f.month), static_cast<int>(f.year));
        if (length == 0)
            break; // unreadable month: the day stays as it is
        if (f.day > length) {
            f.day -= length;
            ++f.month;
        } else if (f.day < 1) {
            --f.month;
            if (f.month < 1) {
                f.month = 12;
                --f.year;
            }
            f.day += daysInMonth(static_cast<int>(f.month), static_cast<int>(f.year));
        } else {
            break;
        }
    }
}

// The leading number of a text as the numeric-value rule reads it: blanks skipped, an optional
// sign, digits; a following fraction rounds to the nearest integer. No digits give 0.
long leadingNumber(QStringView s, bool round = false)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    long value = 0;
    while (i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9')) {
        if (value < 1000000000L)
            value = value * 10 + (s[i].unicode() - '0');
        ++i;
    }
    if (round && i + 1 < s.size() && s[i] == QLatin1Char('.') && s[i + 1] >= QLatin1Char('5')
        && s[i + 1] <= QLatin1Char('9'))
        ++value;
    return negative ? -value : value;
}

// Minutes east of Greenwich in effect at a moment given as seconds since the epoch.
int offsetMinutesAt(std::time_t moment)
{
    std::tm local{};
    if (!localtime_r(&moment, &local))
        return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

std::tm toTm(const Fields& f)
{
    std::tm t{};
    // Clamp so the C library never sees values it cannot represent.
    t.tm_year = static_cast<int>(std::clamp(f.year, -30000L, 30000L)) - 1900;
    t.tm_mon = static_cast<int>(std::clamp(f.month, 0L, 13L)) - 1;
    t.tm_mday = static_cast<int>(std::clamp(f.day, -1000L, 1000L));
    t.tm_hour = static_cast<int>(f.hour);
    t.tm_min = static_cast<int>(f.minute);
    t.tm_sec = static_cast<int>(std::clamp(f.second, 0L, 59L));
    return t;
}

int offsetMinutesAtUtc(const Fields& utc)
{
    std::tm t = toTm(utc);
    return offsetMinutesAt(timegm(&t));
}

int offsetMinutesAtLocal(const Fields& local)
{
    std::tm t = toTm(local);
    t.tm_isdst = -1;
    const std::time_t moment = mktime(&t);
    return moment == static_cast<std::time_t>(-1) ? 0 : offsetMinutesAt(moment);
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString twoDigits(long v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// Years as the platform widens them: one or two digits fall in 1930 to 2029.
long readYear(QStringView token)
{
    if (token.isEmpty() || token.size() > 4)
        return 0;
    for (QChar c : token)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    const long value = token.toInt();
    if (token.size() <= 2)
        return value < 30 ? 2000 + value : 1900 + value;
    return value >= 100 ? value : 0;
}

} // namespace

int daysInMonth(int month, int year)
{
    switch (month) {
    case 4: case 6: case 9: case 11:
        return 30;
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 2: {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
    }
    default:
        return 0;
    }
}

FeedDateTime normalizeFeedDateTime(const FeedDateTime& value)
{
    Fields f = widen(value);
    normalize(f);
    return narrow(f);
}

int localOffsetMinutesAtLocal(const FeedDateTime& local)
{
    Fields f = widen(local);
    normalize(f);
    return offsetMinutesAtLocal(f);
}

QString formatFeedDate(const FeedDateTime& local)
{
    Fields f = widen(local);
    normalize(f);
    f.minute -= offsetMinutesAtLocal(f);
    normalize(f);
    return formatFeedDateGmt(narrow(f));
}

QString formatFeedDateGmt(const FeedDateTime& gmt)
{
    Fields f = widen(gmt);
    normalize(f);
    QString text = QString::number(f.day) + QLatin1Char(' ');
    if (f.month >= 1 && f.month <= 12)
        text += QLatin1String(kMonths[f.month - 1]) + QLatin1Char(' ');
    text += QString::number(f.year) + QLatin1Char(' ') + twoDigits(f.hour) + QLatin1Char(':')
        + twoDigits(f.minute) + QLatin1Char(':') + twoDigits(f.second) + QLatin1String(" GMT");
    return text;
}

FeedDateTime parseFeedDate(const QString& input)
{
    QString text = input;
    if (!text.endsWith(QLatin1Char(' ')))
        text += QLatin1Char(' ');
    const qsizetype comma = text.indexOf(QLatin1String(", "));
    if (comma >= 0)
        text = text.mid(comma + 2);
    const QList<QStringView> tokens = QStringView(text).split(QLatin1Char(' '));

    Fields f{0, 0, 0, 0, 0, 0};
    auto token = [&](int i) { return i < tokens.size() ? tokens[i] : QStringView(); };
    // Each value must fit the record's 16 bits; clamping also keeps normalising short.
    const auto number = [](QStringView s) { return std::clamp(leadingNumber(s), -32768L, 32767L); };
    f.day = number(token(0));
    const QString month = token(1).toString();
    for (int m = 0; m < 12; ++m)
        if (month.compare(QLatin1String(kMonths[m]), Qt::CaseInsensitive) == 0)
            f.month = m + 1;
    f.year = readYear(token(2));
    const QStringView time = token(3);
    f.hour = number(time.mid(0, 2));
    f.minute = number(time.mid(3, 2));
    f.second = number(time.mid(6, 2));

    const QStringView zone = token(4);
    if (zone.startsWith(QLatin1Char('+')) || zone.startsWith(QLatin1Char('-'))) {
        // A numeric zone names the writer's offset: the written time minus it is GMT, which
        // then becomes local time like a GMT date does.
        const long sign = zone.startsWith(QLatin1Char('-')) ? -1 : 1;
        const long zoneMinutes = leadingNumber(zone.mid(1, 2)) * 60 + leadingNumber(zone.mid(3, 2));
        f.minute -= sign * zoneMinutes;
        normalize(f);
        f.minute += offsetMinutesAtUtc(f);
    } else if (zone.left(3) == QLatin1String("GMT")) {
        normalize(f);
        f.minute += offsetMinutesAtUtc(f);
    }
    normalize(f);
    return narrow(f);
}

QString displayDate(const QString& text)
{
    const FeedDateTime v = parseFeedDate(text);
    if (v.day == 0 || v.month == 0 || v.year == 0)
        return QStringLiteral("[Unknown date]");
    const QDate date(v.year, v.month, v.day);
    if (!date.isValid())
        return QStringLiteral("[Unknown date]");
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString displayTime(const QString& text)
{
    const FeedDateTime v = parseFeedDate(text);
    const QTime time(v.hour, v.minute, v.second);
    // The long format names the zone ("t"); the display shows the time alone. Quoted literal
    // text may hold a "t" of its own and stays.
    const QString longFormat = QLocale::system().timeFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (const QChar c : longFormat) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            format += c;
    }
    format = format.trimmed();
    return QLocale::system().toString(time.isValid() ? time : QTime(0, 0), format);
}

FeedDateTime currentFeedDateTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return {static_cast<std::int16_t>(t.tm_mday), static_cast<std::int16_t>(t.tm_mon + 1),
            static_cast<std::int16_t>(t.tm_year + 1900), static_cast<std::int16_t>(t.tm_hour),
            static_cast<std::int16_t>(t.tm_min), static_cast<std::int16_t>(t.tm_sec)};
}
