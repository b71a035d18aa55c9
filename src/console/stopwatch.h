#pragma once

namespace kaltero::console {

struct WindowContext;

// The free stopwatch for a car nobody follows: Start / Stop (while the race is timed) and its
// running time, kept by the race, so a resumed race shows it running on.
class Stopwatch {
public:
    explicit Stopwatch(WindowContext& console);

    void onStartStop();
    void onTick();

private:
    // The stopwatch as the race holds it: running (also in a resumed race) or stopped.
    void show();

    WindowContext& c_;
};

}  // namespace kaltero::console
