#pragma once

namespace kaltero::console {

struct WindowContext;

class RunControl;

// The operator's corrections during a run: lap count, stop of one car, lap times typed into
// the lap grid, and the free stopwatch for a car nobody follows.
class Corrections {
public:
    Corrections(WindowContext& console, RunControl& run);

    void onLapCountCorrected(int slot);
    void stopOneCar(int slot);
    void onLapCellEdited(int slot, int col, int row);
    void onStopwatchStartStop();
    void onStopwatchTick();
    // The stopwatch as the race holds it running: a resumed race shows it going on.
    void showStopwatchRunning();

private:
    WindowContext& c_;
    RunControl& run_;
};

}  // namespace kaltero::console
