#pragma once

namespace kaltero::model {
struct Change;
}

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}
#include "widgets/car_panel.h"

namespace kaltero::widgets {
struct RunButtons;
}

namespace kaltero::console {

// Btn_Start and each car's 中止, and the window as the run shows it: which cars are timed, the
// running lap times, the buttons a run locks. The timing itself is the engine's.
class RunControl {
public:
    RunControl(core::Console& console, engine::RaceEngine& engine,
               const widgets::PerCar<widgets::CarPanel*>& cars, const widgets::RunButtons& buttons);

    // Btn_Start pressed: Start while idle, otherwise Stop (asked unless the last car's stop
    // already ended the run).
    void onStartStop();
    // The lap clocks at zero in the units the settings hold (1/100 or 1/1000).
    void showLapUnits();
    // 中止 of one car: asked first; the others run on.
    void stopOneCar(int slot);

private:
    void start();
    void stop();
    void show(const model::Change& change);
    // The window as a run shows it: buttons, standings rows, start time, each car's panel.
    void showRunning();
    void showIdle();
    // A car the operator stopped: its laps stay editable, its message no longer blinks.
    void showStopped(int slot);
    void standOut(int slot);
    void showTakingPart(int slot);

    core::Console& c_;
    engine::RaceEngine& engine_;
    widgets::PerCar<widgets::CarPanel*> cars_;
    const widgets::RunButtons& buttons_;
};

}  // namespace kaltero::console
