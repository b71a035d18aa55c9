#include "console/handlers.h"

#include "core/console_context.h"
#include "core/number_text.h"
#include "engine/race_engine.h"
#include "platform/clock.h"
#include "platform/udp_link.h"
#include "timing/time_text.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/run_buttons.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

Handlers::Handlers(core::Console& console, engine::RaceEngine& engine, QWidget* window,
                   const widgets::PerCar<widgets::CarPanel*>& cars,
                   const widgets::RunButtons& buttons, widgets::ChoiceList* course)
    : c_(console),
      engine_(engine),
      cars_(cars),
      buttons_(buttons),
      course_(course),
      settings_(console, window),
      run_(console, engine, cars, buttons),
      corrections_(console, cars),
      lapRepairs_(console, cars),
      addressing_(console, cars),
      drivers_(console, cars),
      messages_(console, cars),
      fuel_(console, cars),
      blink_(console, course, cars),
      report_(console),
      masterData_(console, window),
      choice_(console, cars, course),
      carView_(console, cars),
      pitWallView_(console, engine, cars) {
    applyInputConventions(cars);
    QObject::connect(buttons_.Btn_Start, &QPushButton::clicked, [this] { run_.onStartStop(); });
    QObject::connect(buttons_.Btn_Write, &QPushButton::clicked, [this] { report_.saveResults(); });
    connectEditors();
    engine_.link().onReportTaken([this](int s) { messages_.showCarMessage(s); });
}

void Handlers::connectEditors() {
    QObject::connect(buttons_.Btn_Mess, &QPushButton::clicked,
                     [this] { settings_.openMessageSettings(); });
    QObject::connect(&settings_, &SettingsPanel::saved, [this] { run_.showLapUnits(); });
    QObject::connect(buttons_.Btn_Car, &QPushButton::clicked,
                     [this] { masterData_.openCarEditor(); });
    QObject::connect(buttons_.Btn_Cource, &QPushButton::clicked,
                     [this] { masterData_.openCourseEditor(); });
    QObject::connect(buttons_.Btn_Drivers, &QPushButton::clicked,
                     [this] { masterData_.openDriverEditor(); });
    // The choices offer the master files' records.
    course_->setChoices(masterData_.courseChoices());
    for (int s = 0; s < kSlotCount; ++s) {
        cars_[s]->Cmb_Car->setChoices(masterData_.carChoices());
        cars_[s]->Cmb_Driver->setChoices(masterData_.driverChoices(s));
    }
}

void Handlers::onLoad() {
    masterData_.LoadDriversFile(false);
    masterData_.LoadCourseFile(false);
    masterData_.LoadCarFile(false);
    engine_.bindAddressCheck();
    blink_.start();
}

}  // namespace kaltero::console
