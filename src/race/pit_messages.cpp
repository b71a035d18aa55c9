#include "race/pit_messages.h"

#include "core/colours.h"
#include "core/console_context.h"
#include "link/protocol.h"
#include "model/race_model.h"
#include "platform/clock.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::race {

using core::kSlotCount;

PitMessages::PitMessages(core::Console& console) : c_(console) {
    auto& ui = c_.ui;
    QObject::connect(ui.Txt_AllOutMess, &QLineEdit::textChanged,
                     [this] { onAllCarMessageTyped(); });
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->Time_MessBlk->setInterval(kBlinkMs);
        ui.Car[s]->Time_MessBlk->onTimeout([this, s] { onMessageBlink(s); });
        core::setBackground(ui.Car[s]->Lbl_InMess, core::kSetUpColour);
        QObject::connect(ui.Car[s]->Txt_OutMess, &QLineEdit::textChanged,
                         [this, s](const QString& t) { c_.race.typeMessage(s, t); });
    }
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (change.op == model::Op::LapCounted) {
            c_.ui.Car[change.slot]->Txt_OutMess->setText(c_.state.car[change.slot].OutMsg);
        } else if (change.op == model::Op::Stopped) {
            for (int s = 0; s < kSlotCount; ++s) {
                c_.ui.Car[s]->Txt_OutMess->setText(c_.state.car[s].OutMsg);
                c_.ui.Car[s]->Lbl_InMess->setText(c_.state.car[s].InMsg);
            }
        }
    });
}

void PitMessages::onAllCarMessageTyped() {
    const QString typed = c_.ui.Txt_AllOutMess->text();
    c_.race.typeAllCarMessage(typed, link::buildAllCarMsg(typed));
}

void PitMessages::onMessageBlink(int s) {
    QLabel* label = c_.ui.Car[s]->Lbl_InMess;
    core::setBackground(label, core::background(label) == core::kMessageColour
                                   ? core::kSetUpColour
                                   : core::kMessageColour);
}

}  // namespace kaltero::race
