#pragma once

#include <QValidator>

namespace kaltero::widgets {

// Checks a number typed into a grid cell while it is typed: plain decimal text with "." as the
// point, at most `decimals` fraction digits, inside [minimum, maximum].
//
// Keystrokes that can never lead to a value in range are refused (Invalid); text that may still
// become valid ("-", "0" when the minimum is 1) is Intermediate and is not stored. An empty
// text is Acceptable: the cell then holds no number.
//   range 1..99, 0 decimals:  "150" Invalid, "0" Intermediate, "42" Acceptable
//   range -999.99..999.99, 2:  "12.345" Invalid, "-" Intermediate, "-999.99" Acceptable
class NumberValidator final : public QValidator {
    Q_OBJECT

public:
    NumberValidator(double minimum, double maximum, int decimals, QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    // The same check without a cursor, for text that arrives whole.
    State check(const QString& input) const;

private:
    double minimum_ = 0;
    double maximum_ = 0;
    int decimals_ = 0;
};

}  // namespace kaltero::widgets
