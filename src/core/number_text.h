#pragma once

#include <QString>
#include <optional>

namespace kaltero::core {

// The leading number of a text: blanks, tabs and line feeds anywhere are ignored, then the
// longest prefix that forms a number is read (sign, digits, ".", exponent "E" or the classic
// double-precision "D"; "&H" and "&O" prefixes read unsigned hexadecimal and octal integers).
// No number gives 0.
//   "12abc" -> 12, " 1 2 " -> 12, "-3.5e2x" -> -350, "1D3" -> 1000, "&HFF" -> 255, "abc" -> 0
// The result is always finite: a number too large for a double reads as the largest double
// of its sign (so every whole-number conversion reports it out of range), one too small as 0.
//   "1e999" -> 1.797...e308, "-1e999" -> -1.797...e308, "1e-999" -> 0
double leadingNumber(QStringView text);

// The nearest whole number, halves to the even neighbour, whatever the FPU rounding mode:
// 2.5 -> 2, 3.5 -> 4, -2.5 -> -2. Infinities and NaN come back as they are.
double roundHalfEven(double value);

// Round to the nearest integer, halves to the even neighbour: 2.5 -> 2, 3.5 -> 4.
// Empty when the result does not fit the type (or the value is not finite).
std::optional<qint16> roundToInt16(double value);
std::optional<qint32> roundToInt32(double value);

// A text that is one plain decimal number and nothing else: an optional sign, digits with at
// most one decimal point, blanks (space, tab) before and after. Letters, an exponent, blanks
// inside the number or an empty text are none. How a field that must hold a number is checked.
//   "12", " -3 ", "1.5", ".5", "+7." -> true; "", "abc", "1e3", "1 2", ".", "- 5" -> false
bool isPlainNumber(QStringView text);
// The value of a plain number; empty when the text is none, or when it has so many digits that
// no double holds it.  "12" -> 12, " -3 " -> -3, ".5" -> 0.5, "+7." -> 7, "1e3" -> {}
std::optional<double> plainNumber(QStringView text);

// A whole number typed into a count's field (a rule's minutes, seconds, stops), blanks around it
// allowed: digits only (full-width too), at most `maximum`; none otherwise.  " 60 " -> 60, "1.5" ->
// none, "-1" -> none
std::optional<qint32> wholeNumber(const QString& text, qint32 maximum = 99999);

// General number form: no thousands separators, "." as decimal point, no trailing zeros,
// at most 15 significant digits; exponent form when the exponent is below -4 or reaches the
// digit count, written as the classic Basic does.
//   60.0 -> "60", 8.5 -> "8.5", -0.25 -> "-0.25", 1e20 -> "1E+20", 0.00001 -> "1E-05"
// Not finite (only from a faulty computation): "inf", "-inf", "nan".
QString generalNumber(double value);
// Single precision keeps at most 7 significant digits: 45.5f -> "45.5", 0.1f -> "0.1",
// 12345678.0f -> "1.234568E+07".
QString generalNumber(float value);

}  // namespace kaltero::core
