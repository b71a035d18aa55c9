#pragma once

#include <QString>

namespace kaltero::core {

// Replaces every character that has a full-width (double-byte) form by it: ASCII letters,
// digits and punctuation by their full-width forms, the blank by the ideographic space,
// half-width katakana by full-width katakana with voiced marks joined (ｶﾞ -> ガ, ﾊﾟ -> パ).
// The result is always encodable in code page 932.
QString toFullWidth(QStringView text);

}  // namespace kaltero::core
