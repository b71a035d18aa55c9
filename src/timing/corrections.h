#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::timing {

class RunControl;

// The operator's corrections during a run: lap count, stop of one car, lap times typed into
// the lap grid, and the free stopwatch for a car nobody follows.
class Corrections {
public:
    Corrections(core::Console& console, RunControl& run);

    void Btn_LapChg_Click(int slot);
    void Btn_RunStop_Click(int slot);
    void Spd_Laps_Change(int slot, int col, int row);
    void Btn_OtherLap_Click();
    void Time_OtherLap_Timer();
    // The stopwatch as the race holds it running: a resumed race shows it going on.
    void showStopwatchRunning();
    // A car the operator stopped: its laps stay editable, its link is closed.
    void showStopped(int slot);

private:
    core::Console& c_;
    RunControl& run_;
};

}  // namespace kaltero::timing
