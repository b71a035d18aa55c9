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
#include "widgets/grid.h"

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
      settings_(console, ui),
      run_(console, engine, ui),
      corrections_(console, ui.Car),
      lapRepairs_(console, ui.Car),
      addressing_(console, ui.Car),
      drivers_(console, ui.Car),
      messages_(console, ui.Car),
      fuel_(console, ui.Car),
      blink_(console, ui.Cmb_Course, ui.Car),
      report_(console),
      masterData_(console, ui),
      choice_(console, ui),
      carView_(console, ui.Car),
      pitWallView_(console, engine, ui.Car) {
    applyInputConventions(ui.Car);
    QObject::connect(ui.Btn_Start, &QPushButton::clicked, [this] { run_.onStartStop(); });
    QObject::connect(ui.Btn_Write, &QPushButton::clicked, [this] { report_.saveResults(); });
    engine_.link().onReportTaken([this](int s) { messages_.showCarMessage(s); });
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
    const auto setHeaders = [](widgets::Grid* grid, const QStringList& texts) {
        for (int c = 1; c <= texts.size(); ++c) {
            grid->setHeader(c, texts[c - 1]);
        }
    };
    setHeaders(ui.Spd_Drivers,
               {QStringLiteral("ドライバ名"), QStringLiteral("対象車"), QStringLiteral(" ")});
    setHeaders(ui.Spd_Course,
               {QStringLiteral("コース名"), QStringLiteral("全長(単位m)"), QStringLiteral(" ")});
    setHeaders(ui.Spd_Car,
               {QStringLiteral("車輌名"), QStringLiteral("所有者"), QStringLiteral("タンク容量"),
                QStringLiteral("平均燃費(Km/l)"), QStringLiteral(" ")});
    settings_.layOut();
    blink_.start();
}

}  // namespace kaltero::console
