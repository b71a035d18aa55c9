#include "console/corrections.h"

#include "core/console_context.h"
#include "core/number_text.h"
#include "model/race_model.h"
#include "platform/prompts.h"

#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

namespace {
// Lap numbers travel with three digits; a larger count would also ask the grid for rows by
// the million, which the console does not survive.
constexpr qint32 kMaxLaps = 999;
}  // namespace

Corrections::Corrections(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), cars_(cars) {
    for (int s = 0; s < kSlotCount; ++s) {
        QObject::connect(cars_[s]->Btn_LapChg, &QPushButton::clicked,
                         [this, s] { onLapCountCorrected(s); });
    }
}

void Corrections::onLapCountCorrected(int s) {
    const auto& car = c_.state.car[s];
    cars_[s]->closeDriverPanel();
    const QString answer =
        c_.prompts.inputBox(QStringLiteral("今何周目ですか？"), QStringLiteral("Ｌａｐ修正"),
                            QString::number(car.LapCnt));
    const qint32 n = core::roundToInt32(core::leadingNumber(answer)).value_or(0);
    if (n == 0 || n == car.LapCnt) {
        return;
    }
    // A lap count below zero would leave the grid and the count out of step.
    if (n < 0 || n > kMaxLaps) {
        c_.prompts.beep();
        return;
    }
    if (n < car.LapCnt) {
        const QString question = u"測定された" + core::fullWidthDigits(n) +
                                 u"周値以降のＬＡＰ内容が削除されます。よろしいですか？";
        if (!c_.prompts.askYesNo(question, QStringLiteral("Ｌａｐ値確認"),
                                 platform::PromptIcon::Critical)) {
            return;
        }
    }
    c_.race.correctLapCount(s, n);
}

}  // namespace kaltero::console
