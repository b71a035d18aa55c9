#pragma once

#include "widgets/car_panel.h"

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}

namespace kaltero::console {

// The operator's corrections of a car during a run: its lap count, stopping it alone, and a lap
// time typed into its lap grid that the race refuses.
class Corrections {
public:
    Corrections(core::Console& console, engine::RaceEngine& engine,
                const widgets::PerCar<widgets::CarPanel*>& cars);

    void onLapCountCorrected(int slot);
    void stopOneCar(int slot);

private:
    core::Console& c_;
    engine::RaceEngine& engine_;
    widgets::PerCar<widgets::CarPanel*> cars_;
};

}  // namespace kaltero::console
