#include "console/addressing.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "widgets/choice_list.h"
#include "widgets/colours.h"
#include "widgets/frame.h"
#include "widgets/gauge.h"
#include "widgets/lap_grid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

Addressing::Addressing(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), cars_(cars) {
    for (int s = 0; s < kSlotCount; ++s) {
        QObject::connect(cars_[s]->Btn_ClientNoSet, &QPushButton::clicked,
                         [this, s] { enterAddress(s); });
        QObject::connect(cars_[s]->Btn_ClientNoSet2, &QPushButton::clicked, [this, s] {
            cars_[s]->closeDriverPanel();
            enterAddress(s);
        });
        QObject::connect(cars_[s]->Btn_ClsCar, &QPushButton::clicked, [this, s] { clearSlot(s); });
        setLook(s, false);
    }
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (const auto* set = model::recordOf<model::op::AddressSet>(change)) {
            showAddress(change.slot, set->setUp);
        } else if (change.op == model::Op::AddressCleared) {
            cars_[change.slot]->Lbl_IP->clear();
            setLook(change.slot, false);
        } else if (change.op == model::Op::Started) {
            // Start carries the whole set-up: a race rebuilt from it shows its slots from there.
            for (int s = 0; s < kSlotCount; ++s) {
                showSlot(s);
            }
        }
    });
}

void Addressing::enterAddress(int s) {
    const auto& car = c_.state.car[s];
    const QString old = car.Address;
    const QString answer =
        c_.prompts.inputBox(core::fullWidthDigits(s + 1) + u"号車搭載パソコンのＩＰ番号は？",
                            QStringLiteral("ＩＰ設定"), old);
    const bool setUp = !answer.isEmpty() && (answer != old || !car.SetUp);
    c_.race.setAddress(s, answer, setUp);
}

void Addressing::showSlot(int s) {
    const auto& car = c_.state.car[s];
    cars_[s]->Lbl_Gousya->setText(car.Address.isEmpty() ? QString() : core::carCaption(s));
    cars_[s]->Lbl_IP->setText(car.Address);
    setLook(s, car.SetUp);
}

void Addressing::showAddress(int s, bool setUp) {
    auto* panel = cars_[s];
    panel->Lbl_Gousya->setText(core::carCaption(s));
    panel->Lbl_IP->setText(c_.state.car[s].Address);
    if (setUp) {
        setLook(s, true);
    }
}

void Addressing::clearSlot(int s) {
    const QString question = core::carCaption(s) + u"の設定内容を消去します。\nよろしいですか？";
    if (!c_.prompts.askYesNo(question, QStringLiteral("消去確認"),
                             platform::PromptIcon::Critical)) {
        return;
    }
    c_.race.clearAddress(s);
}

void Addressing::setLook(int s, bool setUp) {
    cars_[s]->setBackground(setUp ? widgets::kSetUpColour : widgets::kClearedColour);
    for (QWidget* w : std::initializer_list<QWidget*>{cars_[s]->Cmb_Car, cars_[s]->Cmb_Driver,
                                                      cars_[s]->Txt_OutMess, cars_[s]->Spd_Laps,
                                                      cars_[s]->Btn_LapChg}) {
        w->setEnabled(setUp);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{
             cars_[s]->Frm_LapInfo, cars_[s]->Frm_DriverInfo, cars_[s]->Spd_Laps}) {
        w->setVisible(setUp);
    }
}

}  // namespace kaltero::console
