#include "widgets/cell_format.h"

#include "widgets/number_validator.h"

namespace kaltero::widgets {

bool refusesNumber(const CellFormat& format, const QString& text) {
    if (format.kind != CellKind::Decimal && format.kind != CellKind::Integer) {
        return false;
    }
    const int decimals = format.kind == CellKind::Integer ? 0 : format.decimals;
    return !text.isEmpty() &&
           NumberValidator(format.minimum, format.maximum, decimals).check(text) !=
               QValidator::Acceptable;
}

}  // namespace kaltero::widgets
