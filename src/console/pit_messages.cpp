#include "console/pit_messages.h"

#include "console/window_context.h"
#include "link/protocol.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "widgets/colours.h"
#include "widgets/widget_build.h"

#include <QLabel>
#include <QLineEdit>

namespace kaltero::console {

using core::kSlotCount;

PitMessages::PitMessages(WindowContext& console) : c_(console) {
    auto& ui = c_.ui;
    QObject::connect(ui.Txt_AllOutMess, &QLineEdit::textChanged,
                     [this] { onAllCarMessageTyped(); });
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->Time_MessBlk->setInterval(kBlinkMs);
        ui.Car[s]->Time_MessBlk->onTimeout([this, s] { onMessageBlink(s); });
        widgets::setBackground(ui.Car[s]->Lbl_InMess, widgets::kSetUpColour);
        QObject::connect(ui.Car[s]->Txt_OutMess, &QLineEdit::textChanged,
                         [this, s](const QString& t) { c_.race.typeMessage(s, t); });
    }
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (change.op == model::Op::LapCounted || change.op == model::Op::MessageTyped) {
            widgets::showText(c_.ui.Car[change.slot]->Txt_OutMess,
                              c_.state.car[change.slot].OutMsg);
        } else if (change.op == model::Op::AllCarMessageTyped) {
            widgets::showText(c_.ui.Txt_AllOutMess, c_.state.AllCarTyped);
        } else if (change.op == model::Op::Started) {
            // The messages of the set-up the race starts with.
            widgets::showText(c_.ui.Txt_AllOutMess, c_.state.AllCarTyped);
            for (int s = 0; s < kSlotCount; ++s) {
                widgets::showText(c_.ui.Car[s]->Txt_OutMess, c_.state.car[s].OutMsg);
                c_.ui.Car[s]->Lbl_InMess->setText(c_.state.car[s].InMsg);
            }
        } else if (change.op == model::Op::MessageReceived) {
            c_.ui.Car[change.slot]->Lbl_InMess->setText(c_.state.car[change.slot].InMsg);
        } else if (change.op == model::Op::Stopped) {
            for (int s = 0; s < kSlotCount; ++s) {
                c_.ui.Car[s]->Txt_OutMess->setText(c_.state.car[s].OutMsg);
                c_.ui.Car[s]->Lbl_InMess->setText(c_.state.car[s].InMsg);
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

void PitMessages::onAllCarMessageTyped() {
    const QString typed = c_.ui.Txt_AllOutMess->text();
    c_.race.typeAllCarMessage(typed, link::buildAllCarMsg(typed));
}

void PitMessages::showCarMessage(int s) {
    auto* panel = c_.ui.Car[s];
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
    c_.ui.Car[s]->Time_MessBlk->stop();
    widgets::setBackground(c_.ui.Car[s]->Lbl_InMess, widgets::kSetUpColour);
}

void PitMessages::onMessageBlink(int s) {
    QLabel* label = c_.ui.Car[s]->Lbl_InMess;
    widgets::setBackground(label, widgets::background(label) == widgets::kMessageColour
                                      ? widgets::kSetUpColour
                                      : widgets::kMessageColour);
}

}  // namespace kaltero::console
