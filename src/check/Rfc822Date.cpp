#include "check/CheckContext.h"

#include <QDate>
#include <QStringList>

namespace checkrules {
namespace {

const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kZones[] = {"UT", "GMT", "EST", "EDT", "CST", "CDT", "MST", "MDT", "PST", "PDT"};

bool digits(const QString& s, int min, int max)
{
    if (s.size() < min || s.size() > max)
        return false;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

template <size_t N>
int indexIn(const char* const (&names)[N], const QString& s)
{
    for (size_t i = 0; i < N; ++i)
        if (s == QLatin1String(names[i]))
            return static_cast<int>(i);
    return -1;
}

bool validZone(const QString& z)
{
    if (indexIn(kZones, z) >= 0)
        return true;
    if (z.size() == 1 && z[0] >= QLatin1Char('A') && z[0] <= QLatin1Char('Z') && z[0] != QLatin1Char('J'))
        return true;
    return z.size() == 5 && (z[0] == QLatin1Char('+') || z[0] == QLatin1Char('-')) && digits(z.mid(1), 4, 4)
        && z.mid(3).toInt() < 60;
}

bool validTime(const QString& t)
{
    const QStringList parts = t.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    const int limits[] = {23, 59, 60}; // a leap second is a valid second
    for (qsizetype i = 0; i < parts.size(); ++i)
        if (!digits(parts[i], 2, 2) || parts[i].toInt() > limits[i])
            return false;
    return true;
}

} // namespace

QString checkRfc822Date(const QString& text)
{
    QStringList parts = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QStringLiteral("it is empty");
    int weekday = -1;
    if (!parts.first().isEmpty() && parts.first()[0].isLetter()) {
        QString day = parts.takeFirst();
        if (!day.endsWith(QLatin1Char(',')))
            return QStringLiteral("the day of the week \"%1\" needs a comma after it").arg(day);
        day.chop(1);
        weekday = indexIn(kDays, day);
        if (weekday < 0)
            return QStringLiteral("the day of the week \"%1\" is not Mon, Tue, Wed, Thu, Fri, Sat or Sun").arg(day);
    }
    if (parts.size() < 4)
        return QStringLiteral("it needs day, month, year, time and zone, as in \"Wed, 02 Oct 2002 13:00:00 GMT\"");
    if (!digits(parts[0], 1, 2) || parts[0].toInt() < 1 || parts[0].toInt() > 31)
        return QStringLiteral("the day \"%1\" is not a number from 1 to 31").arg(parts[0]);
    const int month = indexIn(kMonths, parts[1]) + 1;
    if (month == 0)
        return QStringLiteral("the month \"%1\" is not Jan, Feb, Mar, Apr, May, Jun, Jul, Aug, Sep, Oct, Nov or Dec")
            .arg(parts[1]);
    if (!digits(parts[2], 2, 2) && !digits(parts[2], 4, 4))
        return QStringLiteral("the year \"%1\" is not a year of four digits").arg(parts[2]);
    if (!validTime(parts[3]))
        return QStringLiteral("the time \"%1\" is not HH:MM:SS").arg(parts[3]);
    if (parts.size() < 5)
        return QStringLiteral("it has no time zone (GMT or +0000)");
    if (!validZone(parts[4]))
        return QStringLiteral("the time zone \"%1\" is not GMT, UT, a US zone or +hhmm").arg(parts[4]);
    if (parts.size() > 5)
        return QStringLiteral("there is more text after the time zone (\"%1\")").arg(parts[5]);
    const int year = parts[2].toInt() + (parts[2].size() == 2 ? (parts[2].toInt() < 50 ? 2000 : 1900) : 0);
    const QDate date(year, month, parts[0].toInt());
    if (!date.isValid())
        return QStringLiteral("%1 %2 has no day %3").arg(parts[1], parts[2], parts[0]);
    if (weekday >= 0 && date.dayOfWeek() != weekday + 1)
        return QStringLiteral("%1 %2 %3 is a %4, not a %5")
            .arg(parts[0], parts[1], parts[2], QLatin1String(kDays[date.dayOfWeek() - 1]), QLatin1String(kDays[weekday]));
    return {};
}

} // namespace checkrules
