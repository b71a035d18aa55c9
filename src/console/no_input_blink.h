#pragma once

#include "widgets/car_panel.h"

#include <memory>

namespace kaltero::core {
struct Console;
}
namespace kaltero::platform {
class Timer;
}
namespace kaltero::widgets {
class ChoiceList;
}

namespace kaltero::console {

// The colour of the choice lists: every second while idle the course list, and the driver and
// car lists of set-up slots, blink olive while nothing is chosen in them; a list chosen from or
// left stands on white.
class NoInputBlink {
public:
    NoInputBlink(core::Console& console, widgets::ChoiceList* course,
                 const widgets::PerCar<widgets::CarPanel*>& cars);
    ~NoInputBlink();

    // From the window's load until Start; again after Stop.
    void start();
    void onMissingInputBlink();
    const platform::Timer& timer() const { return *Time_NoInputBlk; }

private:
    void stop();

    core::Console& c_;
    widgets::ChoiceList* Cmb_Course;
    widgets::PerCar<widgets::CarPanel*> cars_;
    std::unique_ptr<platform::Timer> Time_NoInputBlk;
};

}  // namespace kaltero::console
