#include "console/driver_panel.h"

#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "race/fuel.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/two_state_button.h"

namespace kaltero::console {

using race::countdownSwitch;

using core::kSlotCount;

DriverPanel::DriverPanel(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), cars_(cars) {
    for (int s = 0; s < kSlotCount; ++s) {
        cars_[s]->Time_DriverInfo->setInterval(kOpenMs);
        cars_[s]->Time_DriverInfo->onTimeout([this, s] { onDriverTableTimeout(s); });
        QObject::connect(cars_[s]->Cmb_Driver, &widgets::ChoiceList::entryChosen,
                         [this, s] { onDriverChosen(s); });
        QObject::connect(cars_[s]->Btn_DriverInfo, &QAbstractButton::clicked,
                         [this, s] { toggleDriverTable(s); });
    }
}

void DriverPanel::onDriverChosen(int s) {
    // While timing the moment counts: a stop's time may be split at it.
    c_.race.chooseDriver(s, cars_[s]->Cmb_Driver->currentText(),
                         countdownSwitch(false, c_.settings.CheckDefaultLaps).text,
                         c_.race.timing() ? std::optional(c_.TickCnt()) : std::nullopt);
}

void DriverPanel::toggleDriverTable(int s) {
    if (cars_[s]->Btn_DriverInfo->state()) {
        cars_[s]->Frm_DriverLap->show();
        cars_[s]->Time_DriverInfo->start();
    } else {
        cars_[s]->Frm_DriverLap->hide();
        cars_[s]->Time_DriverInfo->stop();
    }
}

void DriverPanel::onDriverTableTimeout(int s) {
    cars_[s]->closeDriverPanel();
}

}  // namespace kaltero::console
