#include "console/fuel_panel.h"

#include "core/console_context.h"
#include "core/number_text.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/prompts.h"
#include "race/fuel.h"
#include "widgets/colours.h"
#include "widgets/field_events.h"
#include "widgets/gauge.h"
#include "widgets/widget_build.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using namespace race;

using core::kSlotCount;

FuelPanel::FuelPanel(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), cars_(cars) {
    for (int s = 0; s < kSlotCount; ++s) {
        connectCar(s);
    }
    QObject::connect(&c_.race, &model::RaceModel::changed,
                     [this](const model::Change& change) { show(change); });
}

void FuelPanel::connectCar(int s) {
    cars_[s]->Time_GasBlk->setInterval(kBlinkMs);
    cars_[s]->Time_GasBlk->onTimeout([this, s] { onFuelBlink(s); });
    QObject::connect(cars_[s]->Btn_Kyuyu, &QAbstractButton::clicked, [this, s] { onRefuelled(s); });
    // The race follows the box however it is set; the operator's click also starts the
    // countdown from its default.
    QObject::connect(cars_[s]->Chk_ChgCnter, &QAbstractButton::toggled, [this, s](bool on) {
        if (on != c_.state.car[s].CountdownOn) {
            c_.race.switchCountdown(s, on, cars_[s]->Txt_ZanRunCnt->text());
        }
    });
    QObject::connect(cars_[s]->Chk_ChgCnter, &QAbstractButton::clicked,
                     [this, s] { onCountdownSwitched(s); });
    QObject::connect(cars_[s]->Txt_ZanRunCnt, &QLineEdit::textChanged,
                     [this, s](const QString& t) { c_.race.editCountdown(s, t); });
    widgets::onFieldEvents(cars_[s]->Txt_InGasl, {.lostFocus = [this, s] { onRefuelEntered(s); }});
    widgets::onFieldEvents(cars_[s]->Txt_Nenpi, {.lostFocus = [this, s] { onEconomyEntered(s); }});
    widgets::onFieldEvents(cars_[s]->Txt_ZanRunCnt,
                           {.lostFocus = [this, s] { onCountdownEntered(s); }});
    // Every car starts with its countdown off.
    showCountdown(s);
}

void FuelPanel::show(const model::Change& change) {
    switch (change.op) {
        case model::Op::Started:
            // The set-up the race starts with: a race rebuilt from it draws it anew.
            for (int s = 0; s < kSlotCount; ++s) {
                showEconomy(s, false);
                cars_[s]->Lbl_AllGas->setText(core::generalNumber(c_.state.car[s].FuelTotal));
                showCountdown(s);
            }
            for (int s : c_.race.takingPart()) {
                // No estimate without a course, an economy or a tank: no figure either.
                cars_[s]->Lbl_ZanGas->clear();
                UpdateFuelView(s);
            }
            break;
        case model::Op::LapCounted:
            UpdateFuelView(change.slot);
            showCountdown(change.slot);
            break;
        // The lap count the fuel is reckoned from moved.
        case model::Op::LapCorrected:
        case model::Op::LapsMerged:
        case model::Op::LapSplit:
        case model::Op::LapRepairUndone:
            UpdateFuelView(change.slot);
            break;
        case model::Op::Refuelled:
            cars_[change.slot]->Lbl_AllGas->setText(
                core::generalNumber(c_.state.car[change.slot].FuelTotal));
            UpdateFuelView(change.slot);
            break;
        case model::Op::AddressSet:
            showNewAddress(change.slot, model::recordOf<model::op::AddressSet>(change)->setUp);
            break;
        case model::Op::CountdownSwitched:
        case model::Op::DriverChosen:
            showCountdown(change.slot);
            break;
        case model::Op::CarChosen:
            showEconomy(change.slot, true);
            break;
        case model::Op::EconomyEdited:
            showEconomy(change.slot, false);
            break;
        default:
            break;
    }
}

void FuelPanel::showNewAddress(int s, bool setUp) {
    // A new car PC starts with no fuel in.
    auto* panel = cars_[s];
    panel->Lbl_AllGas->clear();
    panel->Lbl_ZanGas->clear();
    if (setUp) {
        panel->Meter_Gas->setValue(0);
    }
}

void FuelPanel::showEconomy(int s, bool chosen) {
    // A typed figure that already says the race's economy stays as typed ("8.50").
    auto* box = cars_[s]->Txt_Nenpi;
    const float economy = c_.state.car[s].FuelEconomy;
    if (chosen || float(core::leadingNumber(box->text()) * 1000.0) != economy) {
        widgets::showText(box, core::generalNumber(economy / 1000.0));
    }
}

void FuelPanel::UpdateFuelView(int s) {
    const auto& car = c_.state.car[s];
    const auto view = fuelView({.CourseLength = c_.state.CourseLength,
                                .FuelEconomy = car.FuelEconomy,
                                .TankCapacity = car.TankCapacity,
                                .FuelTotal = car.FuelTotal,
                                .LapCnt = car.LapCnt,
                                .tankCaption = car.TankTxt});
    if (!view) {
        return;
    }
    if (view->blink) {
        // Already blinking: keep its rhythm rather than restart the second.
        if (!cars_[s]->Time_GasBlk->isActive()) {
            cars_[s]->Time_GasBlk->start();
        }
    } else {
        cars_[s]->Time_GasBlk->stop();
        cars_[s]->Meter_Gas->setForeground(widgets::kGaugeYellow);
    }
    cars_[s]->Lbl_ZanGas->setText(view->fuelLeftText);
    cars_[s]->Meter_Gas->setValue(view->percent);
}

void FuelPanel::onFuelBlink(int s) {
    auto* gauge = cars_[s]->Meter_Gas;
    gauge->setForeground(widgets::gaugeBlinkStep(gauge->foreground()));
}

void FuelPanel::onRefuelled(int s) {
    const auto& car = c_.state.car[s];
    cars_[s]->closeDriverPanel();
    const auto taken =
        refuel(cars_[s]->Txt_InGasl->text(), car.FuelTotal, c_.state.CourseLength, car.FuelEconomy);
    if (!taken) {
        c_.prompts.beep();
        return;
    }
    c_.race.refuel(s, taken->FuelTotal);
    // The amount stays, so the same refuelling can be entered again with one press.
    cars_[s]->Txt_InGasl->setFocus();
}

void FuelPanel::onRefuelEntered(int s) {
    auto* box = cars_[s]->Txt_InGasl;
    if (const auto fix = checkRefuelText(box->text())) {
        c_.prompts.beep();
        box->setText(fix->text);
    }
}

void FuelPanel::onEconomyEntered(int s) {
    auto* box = cars_[s]->Txt_Nenpi;
    const FuelEconomyCheck check = checkFuelEconomyText(box->text());
    if (check.fix) {
        c_.prompts.beep();
        box->setText(check.fix->text);
    }
    // Taken at once, shown from the next refuelling, lap or start.
    c_.race.editEconomy(s, check.FuelEconomy);
}

void FuelPanel::onCountdownEntered(int s) {
    auto* box = cars_[s]->Txt_ZanRunCnt;
    if (const auto fix = checkCountdownText(box->text())) {
        c_.prompts.beep();
        box->setText(fix->text);
        if (fix->keepFocus) {
            box->setFocus();
        }
    }
}

void FuelPanel::onCountdownSwitched(int s) {
    const bool on = cars_[s]->Chk_ChgCnter->isChecked();
    c_.race.switchCountdown(s, on, countdownSwitch(on, c_.settings.CheckDefaultLaps).text);
}

void FuelPanel::showCountdown(int s) {
    const auto& car = c_.state.car[s];
    const CountdownView view = countdownSwitch(car.CountdownOn, c_.settings.CheckDefaultLaps);
    cars_[s]->Chk_ChgCnter->setChecked(car.CountdownOn);
    cars_[s]->Txt_ZanRunCnt->setText(car.CountdownTxt);
    cars_[s]->Txt_ZanRunCnt->setEnabled(view.enabled);
    const QColor caption = view.captionsOn ? widgets::kCountdownOn : widgets::kCountdownOff;
    widgets::setTextColour(cars_[s]->Lbl_AutoMess1, caption);
    widgets::setTextColour(cars_[s]->Lbl_AutoMess2, caption);
}

}  // namespace kaltero::console
