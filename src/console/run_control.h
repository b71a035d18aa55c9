#pragma once

namespace kaltero::console {

struct WindowContext;

// Start and stop of a timed run, the per-car lap display and the silence rule.
class RunControl {
public:
    explicit RunControl(WindowContext& console);

    // Btn_Start pressed: Start while idle, otherwise Stop.
    void onStartStop();
    // Goes on timing the race rebuilt from the journal: the tick counter counts from the race's
    // own start by the wall clock, the taking-part cars are listened to as at Start.
    void resume();
    // Every 99 ms per taking-part car: running lap time, and a lap counted after silence.
    void onLapTimer(int slot);

    // A car the operator stopped: its laps stay editable, its link is closed.
    void showStopped(int slot);

    // Listens for address checks while idle. A port another program holds is told once.
    void bindAddressCheck();

    // The running lap time's refresh, also the stopwatch's.
    static constexpr int kLapTimerMs = 99;

private:
    void start();
    // The window as a run shows it: buttons, standings rows, start time.
    void showRunning();
    void stop();
    // False when the car's port cannot be had.
    bool takePart(int slot);
    void standOut(int slot);

    WindowContext& c_;
    bool checkPortTold_ = false;
};

}  // namespace kaltero::console
