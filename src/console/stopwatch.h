#pragma once

#include <memory>

class QLabel;
class QPushButton;
class QWidget;

namespace kaltero::core {
struct Console;
}
namespace kaltero::platform {
class Timer;
}

namespace kaltero::console {

// The frame 気になる車のLap？: the free stopwatch for a car nobody follows. Start / Stop (while
// the race is timed) and its running time, kept by the race, so a resumed race shows it
// running on.
class Stopwatch {
public:
    Stopwatch(core::Console& console, QWidget* parent);
    ~Stopwatch();

    // The frame, for the window to lay out.
    QWidget* frame() const { return frame_; }

    void onStartStop();
    void onTick();

private:
    void build(QWidget* parent);
    // The stopwatch as the race holds it: running (also in a resumed race) or stopped.
    void show();

    core::Console& c_;
    QWidget* frame_ = nullptr;
    QLabel* Lbl_OtherLap = nullptr;
    QPushButton* Btn_OtherLap = nullptr;
    std::unique_ptr<platform::Timer> Time_OtherLap;
};

}  // namespace kaltero::console
