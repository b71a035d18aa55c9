#pragma once

namespace kaltero::console {

struct WindowContext;

// The operator's corrections during a run: lap count, stop of one car, a lap time typed into
// the lap grid that the race refuses, and the free stopwatch for a car nobody follows.
class Corrections {
public:
    explicit Corrections(WindowContext& console);

    void onLapCountCorrected(int slot);
    void stopOneCar(int slot);
    void onStopwatchStartStop();
    void onStopwatchTick();

private:
    // The stopwatch as the race holds it: running (also in a resumed race) or stopped.
    void showStopwatch();

    WindowContext& c_;
};

}  // namespace kaltero::console
