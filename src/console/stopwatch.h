#pragma once

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// The free stopwatch for a car nobody follows: Start / Stop (while the race is timed) and its
// running time, kept by the race, so a resumed race shows it running on.
class Stopwatch {
public:
    Stopwatch(core::Console& console, widgets::Controls& ui);

    void onStartStop();
    void onTick();

private:
    // The stopwatch as the race holds it: running (also in a resumed race) or stopped.
    void show();

    core::Console& c_;
    widgets::Controls& ui_;
};

}  // namespace kaltero::console
