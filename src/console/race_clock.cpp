#include "console/race_clock.h"

#include "core/console_context.h"
#include "core/number_text.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "timing/race_length.h"
#include "timing/time_text.h"
#include "widgets/colours.h"
#include "widgets/controls.h"
#include "widgets/field_events.h"
#include "widgets/widget_build.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using namespace timing;

RaceClock::RaceClock(core::Console& console, engine::RaceEngine& engine, widgets::Controls& ui)
    : c_(console), engine_(engine), ui_(ui) {
    QObject::connect(&engine_, &engine::RaceEngine::clockTicked,
                     [this](const QDateTime& now) { showClock(now); });
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        // A Start carries the race length with the rest of the set-up.
        if (change.op == model::Op::RaceLengthEdited || change.op == model::Op::Started) {
            widgets::showText(ui_.Txt_RunH, c_.state.RunH);
            widgets::showText(ui_.Txt_RunN, c_.state.RunN);
        }
    });
    for (QLineEdit* box : {ui.Txt_RunH, ui.Txt_RunN}) {
        widgets::onFieldEvents(box, {.gotFocus = [this, box] { onRaceLengthEntering(box); },
                                     .lostFocus = [this, box] { onRaceLengthEntered(box); }});
        // The race length as typed is the race's; its end moves only when a box is left.
        QObject::connect(box, &QLineEdit::textChanged, [this] {
            c_.race.editRaceLength(ui_.Txt_RunH->text(), ui_.Txt_RunN->text(), std::nullopt);
        });
    }
}

void RaceClock::showClock(const QDateTime& now) {
    auto& ui = ui_;
    const auto& st = c_.state;
    ui.Lbl_SysTime->setText(clockText(now.time()));
    if (!st.EndTimeSet) {
        return;
    }
    const qint64 seconds = secondsToEnd(now, st.RaceEndTime);
    // Red while the race runs to its end, white once it runs over.
    widgets::setTextColour(ui.Lbl_ZanTime,
                           now < st.RaceEndTime ? QColor(0xFF, 0, 0) : widgets::kWhite);
    ui.Lbl_ZanTime->setText(remainTimeText(seconds));
}

void RaceClock::onRaceLengthEntering(QLineEdit* box) {
    const qint32 value = core::roundToInt32(core::leadingNumber(box->text())).value_or(0);
    (box == ui_.Txt_RunH ? RunHOld : RunNOld) = value;
}

void RaceClock::onRaceLengthEntered(QLineEdit* box) {
    auto& ui = ui_;
    const auto& st = c_.state;
    if (!isRaceLengthText(box->text())) {
        c_.prompts.beep();
        box->setText(QStringLiteral("0"));
        box->setFocus();
        return;
    }
    const qint32 old = box == ui.Txt_RunH ? RunHOld : RunNOld;
    if (core::roundToInt32(core::leadingNumber(box->text())) == old || !c_.race.timing()) {
        return;
    }
    c_.race.editRaceLength(st.RunH, st.RunN, raceEndTime(st.RunH, st.RunN, st.RaceStartTime));
}

}  // namespace kaltero::console
