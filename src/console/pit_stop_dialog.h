#pragma once

#include "core/slot_state.h"

#include <QDialog>
#include <QList>
#include <functional>

class QComboBox;
class QLineEdit;

namespace kaltero::platform {
class Prompts;
}

namespace kaltero::console {

// 「ピットストップ」: a stop the operator enters or corrects - the car, the lap, the start as race
// time h:mm:ss from the start and the length in seconds. OK hands the stop on and closes; an
// unusable entry is told and the dialog stays.
class PitStopDialog final : public QDialog {
    Q_OBJECT

public:
    using Take = std::function<void(int slot, const core::PitStop& stop)>;

    // `slots`: the cars to choose from; a correction (one car) cannot move the stop to another.
    PitStopDialog(const QList<int>& slots, int slot, const core::PitStop& shown,
                  qint32 TicksPerSecond, platform::Prompts& prompts, Take take,
                  QWidget* parent = nullptr);

private:
    void confirm();

    qint32 ticksPerSecond_;
    platform::Prompts& prompts_;
    Take take_;
    QComboBox* car_ = nullptr;
    QLineEdit* lap_ = nullptr;
    QLineEdit* start_ = nullptr;
    QLineEdit* length_ = nullptr;
};

}  // namespace kaltero::console
