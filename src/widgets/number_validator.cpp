#include "widgets/number_validator.h"

#include <algorithm>

namespace kaltero::widgets {

NumberValidator::NumberValidator(double minimum, double maximum, int decimals, QObject* parent)
    : QValidator(parent),
      minimum_(std::min(minimum, maximum)),
      maximum_(std::max(minimum, maximum)),
      decimals_(std::max(decimals, 0)) {}

QValidator::State NumberValidator::validate(QString& input, int& /*pos*/) const {
    return check(input);
}

QValidator::State NumberValidator::check(const QString& input) const {
    qsizetype i = 0;
    const qsizetype n = input.size();
    bool negative = false;
    if (i < n && input[i] == u'-') {
        if (minimum_ >= 0) {
            return Invalid;
        }
        negative = true;
        ++i;
    }
    qsizetype intDigits = 0;
    while (i < n && input[i].isDigit() && input[i].unicode() < 128) {
        ++intDigits;
        ++i;
    }
    qsizetype fracDigits = 0;
    if (i < n && input[i] == u'.') {
        if (decimals_ == 0) {
            return Invalid;
        }
        ++i;
        while (i < n && input[i].isDigit() && input[i].unicode() < 128) {
            ++fracDigits;
            ++i;
        }
    }
    if (i != n || fracDigits > decimals_) {
        return Invalid;
    }
    if (n == 0) {
        return Acceptable;  // an empty cell holds no number, which is allowed
    }
    if (intDigits + fracDigits == 0) {
        return Intermediate;  // "-", "." or "-."
    }
    bool ok = false;
    const double value = input.toDouble(&ok);
    if (!ok) {
        return Invalid;
    }
    if (value >= minimum_ && value <= maximum_) {
        return Acceptable;
    }
    // Typing on only moves a non-negative value away from zero, and a negative one likewise:
    // past the bound on that side there is no way back.
    if (!negative && value > maximum_ && maximum_ >= 0) {
        return Invalid;
    }
    if (negative && value < minimum_ && minimum_ <= 0) {
        return Invalid;
    }
    return Intermediate;
}

}  // namespace kaltero::widgets
