#pragma once

#include <QStringView>
#include <optional>

namespace kaltero::timing {

// The value of a text that is one plain decimal number and nothing else: an optional sign,
// digits with at most one decimal point, blanks (space, tab) before and after. Letters, an
// exponent, blanks inside the number or an empty text give nothing.
//   "12" -> 12, " -3 " -> -3, "1.5" -> 1.5, ".5" -> 0.5, "+7." -> 7
//   "" -> {}, "abc" -> {}, "1e3" -> {}, "1 2" -> {}, "." -> {}, "- 5" -> {}
std::optional<double> plainNumber(QStringView text);

inline bool isPlainNumber(QStringView text) {
    return plainNumber(text).has_value();
}

}  // namespace kaltero::timing
