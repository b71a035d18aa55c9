#include "console/run_control.h"

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "timing/race_length.h"
#include "timing/time_text.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/run_buttons.h"

#include <QLabel>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;
using timing::FormatLapTime;

RunControl::RunControl(core::Console& console, engine::RaceEngine& engine,
                       const widgets::PerCar<widgets::CarPanel*>& cars,
                       const widgets::RunButtons& buttons)
    : c_(console), engine_(engine), cars_(cars), buttons_(buttons) {
    QObject::connect(&engine_, &engine::RaceEngine::lapClockTicked, [this](int s) {
        cars_[s]->Lbl_Time->setText(
            FormatLapTime(c_.TickCnt() - c_.state.car[s].LapStartTick, c_.settings));
    });
    QObject::connect(&c_.race, &model::RaceModel::changed,
                     [this](const model::Change& change) { show(change); });
    for (int s = 0; s < kSlotCount; ++s) {
        QObject::connect(cars_[s]->Btn_RunStop, &QPushButton::clicked,
                         [this, s] { stopOneCar(s); });
    }
    showLapUnits();
}

void RunControl::showLapUnits() {
    for (int s = 0; s < kSlotCount; ++s) {
        cars_[s]->Lbl_Time->setText(FormatLapTime(0, c_.settings));
    }
}

void RunControl::onStartStop() {
    if (c_.race.timing()) {
        stop();
    } else {
        start();
    }
}

void RunControl::start() {
    if (engine_.start()) {
        return;
    }
    for (int s = 0; s < kSlotCount; ++s) {
        standOut(s);
    }
    c_.prompts.message(QStringLiteral("計測する車輌の登録がされていません。"), {},
                       platform::PromptIcon::None);
    for (int s = 0; s < kSlotCount; ++s) {
        cars_[s]->setEnabled(true);
    }
}

void RunControl::stop() {
    if (!c_.state.StopNoAsk &&
        !c_.prompts.askYesNo(QStringLiteral("ストップしますか？"), QStringLiteral("Stop確認"),
                             platform::PromptIcon::Critical)) {
        return;
    }
    engine_.stop();
}

void RunControl::stopOneCar(int s) {
    cars_[s]->closeDriverPanel();
    if (!c_.prompts.askYesNo(core::carCaption(s) + u"の計測を中止しますか？",
                             QStringLiteral("Stop確認"), platform::PromptIcon::Critical)) {
        return;
    }
    engine_.stopCar(s);
}

void RunControl::show(const model::Change& change) {
    switch (change.op) {
        case model::Op::Started:
        case model::Op::Resumed:
            showRunning();
            break;
        case model::Op::Stopped:
            showIdle();
            break;
        case model::Op::CarStopped:
            showStopped(change.slot);
            break;
        default:
            break;
    }
}

void RunControl::showRunning() {
    const auto& st = c_.state;
    buttons_.Btn_Start->setText(QStringLiteral("Stop"));
    for (int s = 0; s < kSlotCount; ++s) {
        if (st.car[s].TakesPart && !st.car[s].Running) {
            showStopped(s);  // a resumed race's car the operator had stopped
        } else if (!st.car[s].Running) {
            standOut(s);
        } else {
            showTakingPart(s);
        }
    }
    for (QPushButton* b : {buttons_.Btn_End, buttons_.Btn_Write, buttons_.Btn_Cource,
                           buttons_.Btn_Drivers, buttons_.Btn_Car, buttons_.Btn_Mess}) {
        b->setEnabled(false);
    }
    for (int s = 0; s < kSlotCount; ++s) {
        cars_[s]->Btn_ClientNoSet2->setEnabled(false);
        cars_[s]->Btn_ClsCar->setEnabled(false);
    }
}

void RunControl::standOut(int s) {
    cars_[s]->setEnabled(false);
    cars_[s]->Btn_RunStop->setEnabled(false);
}

void RunControl::showStopped(int s) {
    cars_[s]->Btn_RunStop->setEnabled(false);
}

void RunControl::showTakingPart(int s) {
    auto* panel = cars_[s];
    panel->Btn_RunStop->setEnabled(true);
    panel->setEnabled(true);
}

void RunControl::showIdle() {
    buttons_.Btn_Start->setText(QStringLiteral("Start"));
    for (int s = 0; s < kSlotCount; ++s) {
        auto* panel = cars_[s];
        panel->Btn_RunStop->setEnabled(true);
        panel->setEnabled(true);
        panel->Lbl_Time->setText(FormatLapTime(0, c_.settings));
        panel->Btn_ClientNoSet2->setEnabled(true);
        panel->Btn_ClsCar->setEnabled(true);
    }
    for (QPushButton* b : {buttons_.Btn_End, buttons_.Btn_Write, buttons_.Btn_Cource,
                           buttons_.Btn_Drivers, buttons_.Btn_Car, buttons_.Btn_Mess}) {
        b->setEnabled(true);
    }
}

}  // namespace kaltero::console
