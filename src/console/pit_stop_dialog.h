#pragma once

#include "core/slot_state.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;

namespace kaltero::platform {
class Prompts;
}

namespace kaltero::console {

// 「ピットストップ」: a stop the operator enters or corrects - the car, the lap, the start as race
// time h:mm:ss from the start (as the stop table shows it) and the length in seconds. 登録 hands
// the stop on and closes; an unusable entry, or a stop refused with a reason, is told and the
// dialog stays. A field left as shown keeps the stop's own figure (a stop timed to the tick is
// not cut to whole seconds), and 登録 with nothing changed changes nothing.
class PitStopDialog final : public QDialog {
    Q_OBJECT

public:
    // Takes the stop, or gives the reason it cannot be.
    using Take = std::function<std::optional<QString>(int slot, const core::PitStop& stop)>;

    // `slots`: the cars to choose from; a correction (one car) cannot move the stop to another.
    PitStopDialog(const QList<int>& slots, int slot, const core::PitStop& shown,
                  qint32 TicksPerSecond, platform::Prompts& prompts, Take take,
                  QWidget* parent = nullptr);

private:
    void confirm();

    qint32 ticksPerSecond_;
    core::PitStop shown_;
    int shownSlot_;
    platform::Prompts& prompts_;
    Take take_;
    QComboBox* car_ = nullptr;
    QLineEdit* lap_ = nullptr;
    QLineEdit* start_ = nullptr;
    QLineEdit* length_ = nullptr;
};

}  // namespace kaltero::console
