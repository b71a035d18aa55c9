#pragma once

namespace kaltero::model {
struct Change;
}

namespace kaltero::console {

struct WindowContext;

// Btn_Start, and the window as the run shows it: which cars are timed, the running lap times,
// the buttons a run locks. The timing itself is the engine's.
class RunControl {
public:
    explicit RunControl(WindowContext& console);

    // Btn_Start pressed: Start while idle, otherwise Stop (asked unless the last car's stop
    // already ended the run).
    void onStartStop();

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

    WindowContext& c_;
};

}  // namespace kaltero::console
