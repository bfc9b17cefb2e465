#include "store/IniValue.h"

#include <cmath>

namespace ini_value {

double leadingNumber(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n && (bytes[i] == ' ' || bytes[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (bytes[i] == '+' || bytes[i] == '-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < n && bytes[i] >= '0' && bytes[i] <= '9')
        ++i;
    qsizetype digits = i - digitsStart;
    if (i < n && bytes[i] == '.') {
        const qsizetype fractionStart = ++i;
        while (i < n && bytes[i] >= '0' && bytes[i] <= '9')
            ++i;
        digits += i - fractionStart;
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < n && (bytes[i] == 'e' || bytes[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (bytes[j] == '+' || bytes[j] == '-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && bytes[j] >= '0' && bytes[j] <= '9')
            ++j;
        if (j > expStart)
            end = j;
    }
    bool ok = false;
    const double value = QByteArray(bytes.constData() + start, end - start).toDouble(&ok);
    if (!ok || std::isnan(value))
        return 0.0; // an exponent too large for a double
    return value;
}

long long toInteger(const QString& text, long long minimum, long long maximum)
{
    const double rounded = std::nearbyint(leadingNumber(text));
    if (rounded <= static_cast<double>(minimum))
        return minimum;
    if (rounded >= static_cast<double>(maximum))
        return maximum;
    return static_cast<long long>(rounded);
}

bool toFlag(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return leadingNumber(t) != 0.0;
}

QString fromFlag(bool flag)
{
    return flag ? QStringLiteral("True") : QStringLiteral("False");
}

QString fromNumber(double number)
{
    return QString::number(number, 'g', 15);
}

} // namespace ini_value
