#include "console/lap_repairs.h"

#include "core/console_context.h"
#include "core/number_text.h"
#include "link/lap_repair.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "timing/median_lap.h"
#include "timing/time_text.h"
#include "widgets/lap_grid.h"
#include "wording/notice_words.h"

#include <QAction>

namespace kaltero::console {

namespace {
const QString kMergeTitle = QStringLiteral("周結合");
const QString kSplitTitle = QStringLiteral("周分割");
const QString kUndoTitle = QStringLiteral("結合・分割を元に戻す");

QString lapText(qint64 lapNo) {
    return QString::number(lapNo) + u"周目";
}
}  // namespace

LapRepairs::LapRepairs(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), cars_(cars) {
    for (int s = 0; s < core::kSlotCount; ++s) {
        auto* car = cars_[s];
        QObject::connect(car->Act_LapMerge, &QAction::triggered, [this, s] { mergeSelected(s); });
        QObject::connect(car->Act_LapSplit, &QAction::triggered, [this, s] { splitSelected(s); });
        QObject::connect(car->Act_LapRepairUndo, &QAction::triggered, [this, s] { undoLast(s); });
    }
}

int LapRepairs::selectedLap(int s, const QString& title) const {
    const int lapNo = cars_[s]->Spd_Laps->activeRow();
    if (lapNo < 1) {
        c_.prompts.message(QStringLiteral("周を選んでください。"), title,
                           platform::PromptIcon::Information);
    }
    return lapNo;
}

void LapRepairs::mergeSelected(int s) {
    const core::CarSlot& car = c_.state.car[s];
    const int lapNo = selectedLap(s, kMergeTitle);
    if (lapNo < 1) {
        return;
    }
    if (const auto refusal = link::mergeRefusal(car, lapNo)) {
        c_.prompts.message(wording::words(*refusal), kMergeTitle, platform::PromptIcon::Warning);
        return;
    }
    if (!c_.prompts.askYesNo(
            lapText(lapNo) + u"と" + lapText(lapNo + 1) + u"を一つの周にします。よろしいですか？",
            kMergeTitle, platform::PromptIcon::Question)) {
        return;
    }
    c_.race.mergeLaps(s, lapNo, link::mergedLap(car, lapNo));
}

void LapRepairs::splitSelected(int s) {
    const core::CarSlot& car = c_.state.car[s];
    const int lapNo = selectedLap(s, kSplitTitle);
    if (lapNo < 1) {
        return;
    }
    // Asked before the time: a lap that cannot be split is not worth a question.
    if (const auto refusal = link::splitRefusal(car, lapNo)) {
        c_.prompts.message(wording::words(*refusal), kSplitTitle, platform::PromptIcon::Warning);
        return;
    }
    const qint64 median = timing::medianLapTicks(car.laps).value_or(0);
    const QString answer =
        c_.prompts.inputBox(lapText(lapNo) + u"を二つの周に分けます。前の周のタイムは？",
                            kSplitTitle, timing::FormatLapTime(qint32(median), c_.settings));
    if (answer.isEmpty()) {
        return;
    }
    const auto ticks = timing::ParseLapTime(answer, c_.settings);
    const auto first = ticks ? core::roundToInt32(*ticks) : std::nullopt;
    if (!first) {
        c_.prompts.message(QStringLiteral("入力が不正です。"), kSplitTitle,
                           platform::PromptIcon::Critical);
        return;
    }
    if (const auto refusal = link::splitRefusal(car, lapNo, *first)) {
        c_.prompts.message(wording::words(*refusal), kSplitTitle, platform::PromptIcon::Warning);
        return;
    }
    const link::SplitLaps parts = link::splitLaps(car, lapNo, *first);
    c_.race.splitLap(s, lapNo, parts.first, parts.second);
}

void LapRepairs::undoLast(int s) {
    const qint32 lapNo = c_.race.lapToUndo(s);
    if (lapNo == 0) {
        c_.prompts.message(QStringLiteral("元に戻す結合・分割はありません。"), kUndoTitle,
                           platform::PromptIcon::Information);
        return;
    }
    if (c_.prompts.askYesNo(lapText(lapNo) + u"の結合・分割を元に戻します。よろしいですか？",
                            kUndoTitle, platform::PromptIcon::Question)) {
        c_.race.undoLapRepair(s);
    }
}

}  // namespace kaltero::console
