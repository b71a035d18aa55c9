#pragma once

#include "console/settings_panel.h"
#include "timing/race_clock.h"
#include "timing/run_control.h"

namespace kaltero::console {

// Every handler of the console window, connected to its controls.
class Handlers {
public:
    explicit Handlers(core::Console& console);

    // Window load, in its order: master data, captions, grids, own address, address check.
    void Form_Load();

private:
    core::Console& c_;
    SettingsPanel settings_;
    timing::RunControl run_;
    timing::RaceClock clock_;
};

}  // namespace kaltero::console
