#pragma once

#include <QString>

#include <limits>

// How INI texts become numbers and flags, and back.
namespace ini_value {

// The leading number of a text: blanks skipped, an optional sign, digits with an optional
// fraction and exponent; 0 when the text does not start with a number.
double leadingNumber(const QString& text);

// The leading number converted to the nearest integer (halves to even), kept within
// [minimum, maximum] so an out-of-range value cannot wrap around.
long long toInteger(const QString& text, long long minimum, long long maximum);

template <typename T>
T toInt(const QString& text)
{
    return static_cast<T>(toInteger(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// "True" and "False" in any letter case, or a number, non-zero meaning true. Anything else,
// the empty text included, is false.
bool toFlag(const QString& text);

// "True" or "False".
QString fromFlag(bool flag);

// Decimal, without a fraction when the number is whole.
QString fromNumber(double number);

} // namespace ini_value
