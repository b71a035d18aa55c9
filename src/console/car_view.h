#pragma once

#include "widgets/car_panel.h"

#include "core/slot_state.h"

#include <array>
#include <memory>

namespace kaltero::model {
struct Change;
}

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

class LapTableModel;

// Shows each car's lap count and figures from the race whenever it changes, and gives each
// car's lap grid the car's laps as a model. An operator's edit in the grid goes to the race
// through the model; a lap time the race refuses is told, and the grid shows the lap as it was.
class CarView {
public:
    CarView(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars);
    ~CarView();

    CarView(const CarView&) = delete;
    CarView& operator=(const CarView&) = delete;

    LapTableModel& laps(int slot) { return *laps_[slot]; }

private:
    void show(const model::Change& change);
    void showFigures(int slot);
    // Puts the grid's cursor on the lap's row, as the operator would to edit it.
    void moveTo(int slot, int col, int lapNo);

    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
    std::array<std::unique_ptr<LapTableModel>, core::kSlotCount> laps_;
};

}  // namespace kaltero::console
