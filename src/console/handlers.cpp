#include "console/handlers.h"

#include "console/window_context.h"
#include "core/number_text.h"
#include "platform/clock.h"
#include "platform/udp_link.h"
#include "timing/time_text.h"
#include "widgets/choice_list.h"
#include "widgets/frame.h"
#include "widgets/grid.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kaltero::console {

using core::kSlotCount;

Handlers::Handlers(WindowContext& console)
    : c_(console),
      settings_(console, console.ui.Main),
      run_(console),
      clock_(console),
      corrections_(console),
      stopwatch_(console),
      lapRepairs_(console),
      addressing_(console),
      drivers_(console),
      messages_(console),
      fuel_(console),
      blink_(console),
      report_(console),
      masterData_(console, console.ui.Main),
      choice_(console),
      carView_(console),
      standingsView_(console),
      pitWallView_(console) {
    applyInputConventions(console);
    auto& ui = c_.ui;
    QObject::connect(ui.Btn_Start, &QPushButton::clicked, [this] { run_.onStartStop(); });
    connectEditors();
    c_.engine.link().onReportTaken([this](int s) { messages_.showCarMessage(s); });
}

void Handlers::connectEditors() {
    auto& ui = c_.ui;
    QObject::connect(ui.Btn_Mess, &QPushButton::clicked,
                     [this] { settings_.openMessageSettings(); });
    QObject::connect(&settings_, &SettingsPanel::saved, [this] {
        for (int s = 0; s < kSlotCount; ++s) {
            c_.ui.Car[s]->Lbl_Time->setText(timing::FormatLapTime(0, c_.settings));
        }
    });
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
    auto& ui = c_.ui;
    masterData_.LoadDriversFile(false);
    masterData_.LoadCourseFile(false);
    masterData_.LoadCarFile(false);
    ui.Lbl_LocalIP->setText(u"IP : " + platform::UdpLink::localIP());
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->Lbl_IP->clear();
        ui.Car[s]->Lbl_Time->setText(timing::FormatLapTime(0, c_.settings));
        auto* drivers = ui.Car[s]->Spd_DriverInfo;
        drivers->setHeader(core::driver_grid::kName, QStringLiteral("ドライバ"));
        drivers->setHeader(core::driver_grid::kBest, QStringLiteral("Best Lap"));
        drivers->setHeader(core::driver_grid::kAverage, QStringLiteral("Ave Lap"));
        drivers->setRowCount(0);
    }
    const QDate today = c_.clock.now().date();
    ui.Txt_Date->setText(
        QStringLiteral("%1/%2/%3").arg(today.year()).arg(today.month()).arg(today.day()));
    c_.engine.bindAddressCheck();
    blink_.start();
}

}  // namespace kaltero::console
