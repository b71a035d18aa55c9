#pragma once

#include <QStringList>

namespace kaltero::widgets {

enum class CellKind { Text, Decimal, Integer, Choice, Button };

// What the operator may type into a grid cell: a line limited in length, a checked number, a
// pick from a list, or a captionless button. A locked cell shows its text but takes no edit.
struct CellFormat {
    CellKind kind = CellKind::Text;
    int maxLength = 60;
    double minimum = 0;
    double maximum = 0;
    int decimals = 0;
    QStringList items;
    bool locked = false;
};

inline CellFormat decimalFormat(double minimum, double maximum, int decimals) {
    CellFormat format;
    format.kind = CellKind::Decimal;
    format.minimum = minimum;
    format.maximum = maximum;
    format.decimals = decimals;
    return format;
}

inline CellFormat integerFormat(double minimum, double maximum) {
    CellFormat format = decimalFormat(minimum, maximum, 0);
    format.kind = CellKind::Integer;
    return format;
}

inline CellFormat choiceFormat(const QStringList& items) {
    CellFormat format;
    format.kind = CellKind::Choice;
    format.items = items;
    return format;
}

// A number cell whose text is not a number in its range; an empty cell holds no number.
bool refusesNumber(const CellFormat& format, const QString& text);

}  // namespace kaltero::widgets
