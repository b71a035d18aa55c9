#include "link/addressing.h"

#include "core/colours.h"
#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/choice_list.h"
#include "platform/frame.h"
#include "platform/gauge.h"
#include "platform/grid.h"
#include "platform/prompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::link {

using core::kSlotCount;

Addressing::Addressing(core::Console& console) : c_(console) {
    auto& ui = c_.ui;
    for (int s = 0; s < kSlotCount; ++s) {
        QObject::connect(ui.Btn_ClientNoSet[s], &QPushButton::clicked,
                         [this, s] { enterAddress(s); });
        QObject::connect(ui.Btn_ClientNoSet2[s], &QPushButton::clicked, [this, s] {
            core::closeDriverPanel(c_.ui, s);
            enterAddress(s);
        });
        QObject::connect(ui.Btn_ClsCar[s], &QPushButton::clicked,
                         [this, s] { Btn_ClsCar_Click(s); });
        setLook(s, false);
    }
}

void Addressing::enterAddress(int s) {
    auto& ui = c_.ui;
    const auto& car = c_.state.car[s];
    const QString old = car.Address;
    const QString answer =
        c_.prompts.inputBox(core::fullWidthDigits(s + 1) + u"号車搭載パソコンのＩＰ番号は？",
                            QStringLiteral("ＩＰ設定"), old);
    const bool setUp = !answer.isEmpty() && (answer != old || !car.SetUp);
    c_.race.setAddress(s, answer, setUp);
    ui.Lbl_Gousya[s]->setText(core::carCaption(s));
    ui.Lbl_IP[s]->setText(answer);
    ui.Lbl_AllGas[s]->clear();
    ui.Lbl_ZanGas[s]->clear();
    if (setUp) {
        setLook(s, true);
        ui.Meter_Gas[s]->setValue(0);
    }
}

void Addressing::Btn_ClsCar_Click(int s) {
    auto& ui = c_.ui;
    const QString question = core::carCaption(s) + u"の設定内容を消去します。\nよろしいですか？";
    if (!c_.prompts.askYesNo(question, QStringLiteral("消去確認"),
                             platform::PromptIcon::Critical)) {
        return;
    }
    c_.race.clearAddress(s);
    ui.Lbl_IP[s]->clear();
    setLook(s, false);
}

void Addressing::setLook(int s, bool setUp) {
    auto& ui = c_.ui;
    ui.Frm_Runner[s]->setBackground(setUp ? core::kSetUpColour : core::kClearedColour);
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui.Cmb_Car[s], ui.Cmb_Driver[s], ui.Txt_OutMess[s],
                                         ui.Spd_Laps[s], ui.Btn_LapChg[s]}) {
        w->setEnabled(setUp);
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui.Frm_LapInfo[s], ui.Frm_DriverInfo[s], ui.Spd_Laps[s]}) {
        w->setVisible(setUp);
    }
}

}  // namespace kaltero::link
