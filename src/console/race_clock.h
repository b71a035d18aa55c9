#pragma once

#include <QDateTime>

class QLineEdit;

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// The time of day, the remaining race time and the race length boxes.
class RaceClock {
public:
    RaceClock(core::Console& console, engine::RaceEngine& engine, widgets::Controls& ui);

    // Every second of the engine's clock: the time of day and the remaining time (red before
    // the end, white after).
    void showClock(const QDateTime& now);
    void onRaceLengthEntering(QLineEdit* box);
    void onRaceLengthEntered(QLineEdit* box);

private:
    core::Console& c_;
    engine::RaceEngine& engine_;
    widgets::Controls& ui_;
    // The box's value when the operator entered it.
    qint32 RunHOld = 0;
    qint32 RunNOld = 0;
};

}  // namespace kaltero::console
