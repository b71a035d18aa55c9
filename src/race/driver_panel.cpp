#include "race/driver_panel.h"

#include "core/console_context.h"
#include "platform/choice_list.h"
#include "platform/clock.h"
#include "platform/frame.h"
#include "platform/grid.h"
#include "platform/two_state_button.h"

#include <QCheckBox>
#include <QLineEdit>

namespace kaltero::race {

using core::kSlotCount;

DriverPanel::DriverPanel(core::Console& console) : c_(console) {
    auto& ui = c_.ui;
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Time_DriverInfo[s]->setInterval(kOpenMs);
        ui.Time_DriverInfo[s]->onTimeout([this, s] { Time_DriverInfo_Timer(s); });
        QObject::connect(ui.Cmb_Driver[s], &platform::ChoiceList::entryChosen,
                         [this, s] { Cmb_Driver_Click(s); });
        QObject::connect(ui.Cmb_Driver[s], &platform::ChoiceList::lostFocus,
                         [this, s] { c_.ui.Cmb_Driver[s]->setBackground(Qt::white); });
        QObject::connect(ui.Btn_DriverInfo[s], &QAbstractButton::clicked,
                         [this, s] { Btn_DriverInfo_Click(s); });
    }
    c_.hooks.CloseDriverPanel = [this](int s) { Time_DriverInfo_Timer(s); };
}

void DriverPanel::Cmb_Driver_Click(int s) {
    auto& ui = c_.ui;
    auto& car = c_.state.car[s];
    ui.Chk_ChgCnter[s]->setChecked(false);
    c_.hooks.Chk_ChgCnter_Click(s);
    ui.Txt_ZanRunCnt[s]->setText(QStringLiteral("0"));
    ui.Txt_ZanRunCnt[s]->setEnabled(false);
    const QString driver = ui.Cmb_Driver[s]->currentText();
    auto* table = ui.Spd_DriverInfo[s];
    car.DrvInfoRow = 0;
    for (int r = 1; r <= table->rowCount(); ++r) {
        if (table->cellText(1, r) == driver) {
            car.DrvInfoRow = r;
            return;
        }
    }
    table->setRowCount(table->rowCount() + 1);
    table->setCellText(1, table->rowCount(), driver);
    car.DrvInfoRow = table->rowCount();
}

void DriverPanel::Btn_DriverInfo_Click(int s) {
    auto& ui = c_.ui;
    if (ui.Btn_DriverInfo[s]->state()) {
        ui.Frm_DriverLap[s]->show();
        ui.Time_DriverInfo[s]->start();
    } else {
        ui.Frm_DriverLap[s]->hide();
        ui.Time_DriverInfo[s]->stop();
    }
}

void DriverPanel::Time_DriverInfo_Timer(int s) {
    auto& ui = c_.ui;
    ui.Time_DriverInfo[s]->stop();
    ui.Frm_DriverLap[s]->hide();
    ui.Btn_DriverInfo[s]->setState(false);
}

}  // namespace kaltero::race
