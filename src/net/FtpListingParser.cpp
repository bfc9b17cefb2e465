#include "net/FtpListingParser.h"

#include <QRegularExpression>
#include <QStringList>

namespace FtpListingParser {

namespace {

const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};

bool digitAt(const QString& s, qsizetype i)
{
    return i >= 0 && i < s.size() && s[i].isDigit();
}

// Place of the month name of a Unix line: " mon " preceded by the size's last digit and
// followed by a day and a year or time. The earliest such place wins, so a month name inside
// the file name is never taken for the date.
qsizetype monthPosition(const QString& lower)
{
    qsizetype best = -1;
    for (const char* month : kMonths) {
        const QString needle = QLatin1Char(' ') + QLatin1String(month) + QLatin1Char(' ');
        for (qsizetype at = lower.indexOf(needle); at >= 0; at = lower.indexOf(needle, at + 1)) {
            if (digitAt(lower, at - 1) && digitAt(lower, at + 9)) {
                if (best < 0 || at + 1 < best)
                    best = at + 1;
                break;
            }
        }
    }
    return best;
}

int monthNumber(const QString& name)
{
    const QString lower = name.left(3).toLower();
    for (int i = 0; i < 12; ++i) {
        if (lower == QLatin1String(kMonths[i]))
            return i + 1;
    }
    return 0;
}

// "Jan 12 13:45" or "Jan  2  2003".
std::optional<QDateTime> unixDate(const QString& text, const QDateTime& now)
{
    const QStringList parts = text.simplified().split(QLatin1Char(' '));
    if (parts.size() != 3)
        return std::nullopt;
    const int month = monthNumber(parts[0]);
    bool dayOk = false;
    const int day = parts[1].toInt(&dayOk);
    if (month == 0 || !dayOk)
        return std::nullopt;
    QTime time(0, 0);
    int year = 0;
    if (parts[2].contains(QLatin1Char(':'))) {
        time = QTime::fromString(parts[2], QStringLiteral("H:mm"));
        year = now.date().year();
        // A listing shows the time only for recent files; a date ahead of now is last year's.
        const QDate date(year, month, day);
        if (date.isValid() && QDateTime(date, time) > now.addDays(1))
            --year;
    } else {
        bool yearOk = false;
        year = parts[2].toInt(&yearOk);
        if (!yearOk || year < 1 || year > 9999)
            return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime result(date, time);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

// End of the date that starts at p (month, day, year or time), and the start of the name after
// the one blank that follows it. Servers differ in how they pad the day and the year.
qsizetype skipField(const QString& line, qsizetype i)
{
    while (i < line.size() && line[i] == QLatin1Char(' '))
        ++i;
    while (i < line.size() && line[i] != QLatin1Char(' '))
        ++i;
    return i;
}

std::optional<CFtpFile> unixLine(const QString& line, qsizetype p, const QDateTime& now)
{
    const qsizetype dateEnd = skipField(line, skipField(line, skipField(line, p)));
    if (dateEnd + 1 >= line.size())
        return std::nullopt;
    CFtpFile file;
    file.IsDirectory = line.startsWith(QLatin1Char('d'));
    const auto date = unixDate(line.mid(p, dateEnd - p), now);
    if (!date)
        return std::nullopt;
    file.LastWriteTime = *date;
    const QString name = line.mid(dateEnd + 1);
    const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
    if (line.startsWith(QLatin1Char('l')) && arrow >= 0) {
        file.FileName = name.left(arrow);
        file.FilePath = name.mid(arrow + 4);
    } else {
        file.FileName = name;
    }
    if (file.FileName.isEmpty())
        return std::nullopt;
    const qsizetype sizeEnd = p - 1;
    const qsizetype sizeStart = line.lastIndexOf(QLatin1Char(' '), sizeEnd - 1) + 1;
    bool sizeOk = false;
    file.FileSize = line.mid(sizeStart, sizeEnd - sizeStart).toLongLong(&sizeOk);
    if (!sizeOk || file.FileSize < 0)
        return std::nullopt;
    const QStringList fields = line.left(sizeStart).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.isEmpty())
        return std::nullopt;
    file.Permissions = fields[0];
    if (fields.size() >= 3)
        file.Owner = fields[2];
    if (fields.size() >= 4)
        file.Group = fields[3];
    return file;
}

// "01-15-03  10:30AM       <DIR>          images" / "2003-01-15 22:05 12345 name" is not this form.
std::optional<CFtpFile> windowsLine(const QString& line)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{1,2})-(\\d{1,2})-(\\d{2}|\\d{4})\\s+(\\d{1,2}):(\\d{2})\\s*([AaPp][Mm])?\\s+(<DIR>|\\d+)\\s+(.+)$"));
    const QRegularExpressionMatch m = form.match(line);
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.capturedLength(3) == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const QString half = m.captured(6).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == QLatin1String("PM") ? 12 : 0);
    }
    const QDate date(year, m.captured(1).toInt(), m.captured(2).toInt());
    const QTime time(hour, m.captured(5).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    CFtpFile file;
    file.LastWriteTime = QDateTime(date, time);
    file.FileName = m.captured(8);
    if (m.captured(7) == QLatin1String("<DIR>")) {
        file.IsDirectory = true;
    } else {
        bool ok = false;
        file.FileSize = m.captured(7).toLongLong(&ok);
        if (!ok)
            return std::nullopt;
    }
    return file;
}

} // namespace

std::optional<CFtpFile> parseLine(const QString& line, const QDateTime& now)
{
    const qsizetype p = monthPosition(line.toLower());
    if (p >= 0)
        return unixLine(line, p, now);
    return windowsLine(line);
}

std::optional<Result> parse(const QString& listing, const QDateTime& now)
{
    Result result;
    QString text = listing;
    if (text.left(5).toLower() == QLatin1String("total")) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'));
        text = lf < 0 ? QString() : text.mid(lf + 1);
    }
    for (QString line : text.split(QLatin1Char('\n'))) {
        line.remove(QLatin1Char('\r'));
        if (line.trimmed().isEmpty())
            continue;
        const std::optional<CFtpFile> file = parseLine(line, now);
        // A second entry of the same name cannot be told apart from the first: it is skipped.
        if (file && result.files.Add(*file, file->FileName))
            ++result.readLines;
        else
            ++result.skippedLines;
    }
    if (result.readLines == 0 && result.skippedLines > 0)
        return std::nullopt;
    return result;
}

} // namespace FtpListingParser
