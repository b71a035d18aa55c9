#include "console/handlers.h"

#include "core/console_context.h"
#include "core/number_text.h"
#include "engine/race_engine.h"
#include "platform/clock.h"
#include "platform/udp_link.h"
#include "timing/time_text.h"
#include "widgets/choice_list.h"
#include "widgets/controls.h"
#include "widgets/frame.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

Handlers::Handlers(core::Console& console, engine::RaceEngine& engine, widgets::Controls& ui)
    : c_(console),
      engine_(engine),
      ui_(ui),
      settings_(console, ui.Main),
      run_(console, engine, ui),
      corrections_(console, ui.Car),
      lapRepairs_(console, ui.Car),
      addressing_(console, ui.Car),
      drivers_(console, ui.Car),
      messages_(console, ui.Car),
      fuel_(console, ui.Car),
      blink_(console, ui.Cmb_Course, ui.Car),
      report_(console),
      masterData_(console, ui.Main),
      choice_(console, ui),
      carView_(console, ui.Car),
      pitWallView_(console, engine, ui.Car) {
    applyInputConventions(ui.Car);
    QObject::connect(ui.Btn_Start, &QPushButton::clicked, [this] { run_.onStartStop(); });
    QObject::connect(ui.Btn_Write, &QPushButton::clicked, [this] { report_.saveResults(); });
    connectEditors();
    engine_.link().onReportTaken([this](int s) { messages_.showCarMessage(s); });
}

void Handlers::connectEditors() {
    auto& ui = ui_;
    QObject::connect(ui.Btn_Mess, &QPushButton::clicked,
                     [this] { settings_.openMessageSettings(); });
    QObject::connect(&settings_, &SettingsPanel::saved, [this] { run_.showLapUnits(); });
    QObject::connect(ui.Btn_Car, &QPushButton::clicked, [this] { masterData_.openCarEditor(); });
    QObject::connect(ui.Btn_Cource, &QPushButton::clicked,
                     [this] { masterData_.openCourseEditor(); });
    QObject::connect(ui.Btn_Drivers, &QPushButton::clicked,
                     [this] { masterData_.openDriverEditor(); });
    // The choices offer the master files' records.
    ui.Cmb_Course->setChoices(masterData_.courseChoices());
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->Cmb_Car->setChoices(masterData_.carChoices());
        ui.Car[s]->Cmb_Driver->setChoices(masterData_.driverChoices(s));
    }
}

void Handlers::onLoad() {
    auto& ui = ui_;
    masterData_.LoadDriversFile(false);
    masterData_.LoadCourseFile(false);
    masterData_.LoadCarFile(false);
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->Lbl_IP->clear();
    }
    engine_.bindAddressCheck();
    blink_.start();
}

}  // namespace kaltero::console
