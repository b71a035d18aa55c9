#pragma once

namespace kaltero::model {
struct Change;
}

namespace kaltero::core {
struct Console;
}
#include "widgets/car_panel.h"

namespace kaltero::widgets {
class ChoiceList;
}

namespace kaltero::console {

// The car chosen for a slot and the course chosen for the console: they give the fuel model
// its tank capacity, economy and lap length.
class SlotChoice {
public:
    SlotChoice(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars,
               widgets::ChoiceList* course);

    // Copies the car's tank capacity and economy into the slot.
    void onCarChosen(int slot);
    // CourseLength from the chosen course, 0 with none.
    void onCourseLeft();

private:
    // The lists show what the race chose; the tank caption follows the car.
    void show(const model::Change& change);

    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
    widgets::ChoiceList* course_;
};

}  // namespace kaltero::console
