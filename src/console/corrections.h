#pragma once

#include "widgets/car_panel.h"

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// Lap修正: the operator's correction of a car's lap count during a run; counting back asks
// first, since the laps after the new count are dropped.
class Corrections {
public:
    Corrections(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars);

    void onLapCountCorrected(int slot);

private:
    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
};

}  // namespace kaltero::console
