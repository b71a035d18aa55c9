#pragma once

#include "widgets/car_panel.h"

#include <QString>

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// The operator's repairs of a car's laps from its lap grid: merge the selected lap with the
// next, split it at a time the operator gives, and undo the last of them. Each asks first and
// tells why when it cannot be done.
class LapRepairs {
public:
    LapRepairs(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars);

    void mergeSelected(int slot);
    void splitSelected(int slot);
    void undoLast(int slot);

private:
    // The lap the grid's cursor is on; 0 for none, and the operator is asked to choose one.
    int selectedLap(int slot, const QString& title) const;

    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
};

}  // namespace kaltero::console
