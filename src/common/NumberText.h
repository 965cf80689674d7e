#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// The leading-number value of a text: blanks, tabs and line feeds anywhere are ignored, then an optional
// sign, digits with at most one full stop and an optional exponent (E or D) are read from the start;
// "&H" and "&O" read hexadecimal and octal whole numbers. Digits are ASCII digits. Text that does not
// start with a number, or a number too large for a double, gives 0.
// "160" -> 160, "3-30MHz" -> 3, "CB" -> 0, "090" -> 90, "45.5" -> 45.5, "12abc" -> 12.
double leadingNumberValue(QStringView text);

// A decimal whole number from -32768 to 32767, blanks around it allowed; nothing else.
std::optional<std::int16_t> parseInt16(QStringView text);

// A whole number, blanks around it allowed, within [minimum, maximum].
std::optional<long long> parseWholeNumber(QStringView text, long long minimum, long long maximum);

// Plain decimal text of a number: no blanks, no leading zeros, no plus sign, no exponent for
// the magnitudes an angle or a pin can have ("9", "-10", "45.5").
QString plainDecimal(double value);
