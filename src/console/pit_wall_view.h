#pragma once

#include "widgets/car_panel.h"

#include "core/slot_state.h"
#include "timing/pit_wall.h"

#include <array>

namespace kaltero::model {
struct Change;
}

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}

namespace kaltero::console {

// Whether a change can move what the pit wall shows. A car's messages and the worked-out
// results move nothing: a car that sends a new message in every report must not cost its
// stints at every report. Time itself moves the figures at each clock second.
bool movesPitWall(const model::Change& change);

// Each car frame's pit wall line (Lbl_PitWall_N: the stint against its maximum, the pit stops)
// and its fuel laps (Lbl_FuelLaps_N), from the race at every change and every clock second.
// The line turns amber near the stint's maximum and red past it; each rise beeps once. A car in
// the pit has ended its stint: its line counts the stop, green once the minimum stop is met.
class PitWallView {
public:
    PitWallView(core::Console& console, engine::RaceEngine& engine,
                const widgets::PerCar<widgets::CarPanel*>& cars);

    void showAll();
    void show(int slot);

private:
    core::Console& c_;
    engine::RaceEngine& engine_;
    widgets::PerCar<widgets::CarPanel*> cars_;
    // The stint alert each car last showed: a beep only when it rises.
    std::array<timing::Alert, core::kSlotCount> shown_{};
    std::array<bool, core::kSlotCount> minimumMetShown_{};
};

}  // namespace kaltero::console
