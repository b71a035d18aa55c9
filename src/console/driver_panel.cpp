#include "console/driver_panel.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "race/fuel.h"
#include "widgets/choice_list.h"
#include "widgets/controls.h"
#include "widgets/frame.h"
#include "widgets/two_state_button.h"

namespace kaltero::console {

using race::countdownSwitch;

using core::kSlotCount;

DriverPanel::DriverPanel(core::Console& console, widgets::Controls& ui) : c_(console), ui_(ui) {
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->Time_DriverInfo->setInterval(kOpenMs);
        ui.Car[s]->Time_DriverInfo->onTimeout([this, s] { onDriverTableTimeout(s); });
        QObject::connect(ui.Car[s]->Cmb_Driver, &widgets::ChoiceList::entryChosen,
                         [this, s] { onDriverChosen(s); });
        QObject::connect(ui.Car[s]->Btn_DriverInfo, &QAbstractButton::clicked,
                         [this, s] { toggleDriverTable(s); });
    }
}

void DriverPanel::onDriverChosen(int s) {
    // While timing the moment counts: a stop's time may be split at it.
    c_.race.chooseDriver(s, ui_.Car[s]->Cmb_Driver->currentText(),
                         countdownSwitch(false, c_.settings.CheckDefaultLaps).text,
                         c_.race.timing() ? std::optional(c_.TickCnt()) : std::nullopt);
}

void DriverPanel::toggleDriverTable(int s) {
    auto& ui = ui_;
    if (ui.Car[s]->Btn_DriverInfo->state()) {
        ui.Car[s]->Frm_DriverLap->show();
        ui.Car[s]->Time_DriverInfo->start();
    } else {
        ui.Car[s]->Frm_DriverLap->hide();
        ui.Car[s]->Time_DriverInfo->stop();
    }
}

void DriverPanel::onDriverTableTimeout(int s) {
    ui_.Car[s]->closeDriverPanel();
}

}  // namespace kaltero::console
