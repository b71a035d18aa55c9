#pragma once

#include <QDateTime>

class QLabel;
class QLineEdit;
class QWidget;

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}
namespace kaltero::model {
struct Change;
}

namespace kaltero::console {

// The header's frame 走行時間: the race length boxes, the start time, the remaining race time
// and the time of day. The length as typed is the race's; the clocks follow the engine's.
class RaceClock {
public:
    RaceClock(core::Console& console, engine::RaceEngine& engine, QWidget* parent);

    // The frame, for the window to lay out.
    QWidget* frame() const { return frame_; }

    // Every second of the engine's clock: the time of day and the remaining time (red before
    // the end, white after).
    void showClock(const QDateTime& now);
    void onRaceLengthEntering(QLineEdit* box);
    void onRaceLengthEntered(QLineEdit* box);

private:
    void build(QWidget* parent);
    void followRaceLength(QLineEdit* box);
    void show(const model::Change& change);

    core::Console& c_;
    QWidget* frame_ = nullptr;
    QLineEdit* Txt_RunH = nullptr;
    QLineEdit* Txt_RunN = nullptr;
    QLabel* Lbl_StTime = nullptr;
    QLabel* Lbl_ZanTime = nullptr;
    QLabel* Lbl_SysTime = nullptr;
    // The box's value when the operator entered it.
    qint32 RunHOld = 0;
    qint32 RunNOld = 0;
};

}  // namespace kaltero::console
