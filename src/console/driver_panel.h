#pragma once

#include "widgets/car_panel.h"

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// Driver changes, and each car's driver panel, open for 30 seconds.
class DriverPanel {
public:
    DriverPanel(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars);

    void onDriverChosen(int slot);
    void toggleDriverTable(int slot);
    // Closes the panel: after 30 s, or when the operator turns to another field of the car.
    void onDriverTableTimeout(int slot);

    static constexpr int kOpenMs = 30'000;

private:
    core::Console& c_;
    widgets::PerCar<widgets::CarPanel*> cars_;
};

}  // namespace kaltero::console
