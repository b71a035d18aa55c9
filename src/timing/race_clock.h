#pragma once

#include <QtGlobal>

class QLineEdit;

namespace kaltero::core {
struct Console;
}

namespace kaltero::timing {

// The time of day, the remaining race time and the race length boxes.
class RaceClock {
public:
    explicit RaceClock(core::Console& console);

    // Every second: clock, remaining time (red before the end, white after) and RemainTicks.
    void onClockSecond();
    void onRaceLengthEntering(QLineEdit* box);
    void onRaceLengthEntered(QLineEdit* box);

private:
    core::Console& c_;
    // The box's value when the operator entered it.
    qint32 RunHOld = 0;
    qint32 RunNOld = 0;
};

}  // namespace kaltero::timing
