#pragma once

#include <QDateTime>

class QLineEdit;

namespace kaltero::console {

struct WindowContext;

// The time of day, the remaining race time and the race length boxes.
class RaceClock {
public:
    explicit RaceClock(WindowContext& console);

    // Every second of the engine's clock: the time of day and the remaining time (red before
    // the end, white after).
    void showClock(const QDateTime& now);
    void onRaceLengthEntering(QLineEdit* box);
    void onRaceLengthEntered(QLineEdit* box);

private:
    WindowContext& c_;
    // The box's value when the operator entered it.
    qint32 RunHOld = 0;
    qint32 RunNOld = 0;
};

}  // namespace kaltero::console
