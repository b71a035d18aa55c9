#pragma once

#include <QString>
#include <optional>

namespace kaltero::core {

// The leading number of a text: blanks, tabs and line feeds anywhere are ignored, then the
// longest prefix that forms a number is read (sign, digits, ".", exponent; "&H" and "&O"
// prefixes read hexadecimal and octal integers). No number gives 0.
//   "12abc" -> 12, " 1 2 " -> 12, "-3.5e2x" -> -350, "&HFF" -> 255, "abc" -> 0
double leadingNumber(QStringView text);

// Round to the nearest integer, halves to the even neighbour: 2.5 -> 2, 3.5 -> 4.
// Empty when the result does not fit the type (or the value is not finite).
std::optional<qint16> roundToInt16(double value);
std::optional<qint32> roundToInt32(double value);

// General number form: no thousands separators, "." as decimal point, no trailing zeros.
//   60.0 -> "60", 8.5 -> "8.5", -0.25 -> "-0.25"
QString generalNumber(double value);
// Single precision keeps at most 7 significant digits: 45.5f -> "45.5", 0.1f -> "0.1".
QString generalNumber(float value);

}  // namespace kaltero::core
