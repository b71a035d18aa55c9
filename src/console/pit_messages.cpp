#include "console/pit_messages.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "widgets/colours.h"
#include "widgets/widget_build.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::console {

using core::kSlotCount;

PitMessages::PitMessages(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), cars_(cars) {
    for (int s = 0; s < kSlotCount; ++s) {
        cars_[s]->Time_MessBlk->setInterval(kBlinkMs);
        cars_[s]->Time_MessBlk->onTimeout([this, s] { onMessageBlink(s); });
        widgets::setBackground(cars_[s]->Lbl_InMess, widgets::kSetUpColour);
        QObject::connect(cars_[s]->Txt_OutMess, &QLineEdit::textChanged,
                         [this, s](const QString& t) { c_.race.typeMessage(s, t); });
    }
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (change.op == model::Op::LapCounted || change.op == model::Op::MessageTyped) {
            widgets::showText(cars_[change.slot]->Txt_OutMess, c_.state.car[change.slot].OutMsg);
        } else if (change.op == model::Op::Started) {
            // The messages of the set-up the race starts with.
            for (int s = 0; s < kSlotCount; ++s) {
                widgets::showText(cars_[s]->Txt_OutMess, c_.state.car[s].OutMsg);
                cars_[s]->Lbl_InMess->setText(c_.state.car[s].InMsg);
            }
        } else if (change.op == model::Op::MessageReceived) {
            cars_[change.slot]->Lbl_InMess->setText(c_.state.car[change.slot].InMsg);
        } else if (change.op == model::Op::Stopped) {
            for (int s = 0; s < kSlotCount; ++s) {
                cars_[s]->Txt_OutMess->setText(c_.state.car[s].OutMsg);
                cars_[s]->Lbl_InMess->setText(c_.state.car[s].InMsg);
                stopBlink(s);
            }
        } else if (change.op == model::Op::CarStopped) {
            stopBlink(change.slot);
        } else if (change.op == model::Op::Resumed) {
            // A car the operator had stopped before the restart stays still.
            for (int s = 0; s < kSlotCount; ++s) {
                if (c_.state.car[s].TakesPart && !c_.state.car[s].Running) {
                    stopBlink(s);
                }
            }
        }
    });
}

void PitMessages::showCarMessage(int s) {
    auto* panel = cars_[s];
    const QString& message = c_.state.car[s].InMsg;
    panel->Lbl_InMess->setText(message);
    if (message.isEmpty()) {
        panel->Time_MessBlk->stop();
        widgets::setBackground(panel->Lbl_InMess, widgets::kWhite);
    } else {
        panel->Time_MessBlk->start();
    }
}

void PitMessages::stopBlink(int s) {
    cars_[s]->Time_MessBlk->stop();
    widgets::setBackground(cars_[s]->Lbl_InMess, widgets::kSetUpColour);
}

void PitMessages::onMessageBlink(int s) {
    QLabel* label = cars_[s]->Lbl_InMess;
    widgets::setBackground(label, widgets::background(label) == widgets::kMessageColour
                                      ? widgets::kSetUpColour
                                      : widgets::kMessageColour);
}

}  // namespace kaltero::console
