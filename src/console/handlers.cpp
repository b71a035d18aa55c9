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
      settings_(console),
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
      masterData_(console),
      choice_(console),
      carView_(console),
      pitWallView_(console) {
    applyInputConventions(console);
    auto& ui = c_.ui;
    QObject::connect(ui.Btn_Start, &QPushButton::clicked, [this] { run_.onStartStop(); });
    c_.engine.link().onReportTaken([this](int s) { messages_.showCarMessage(s); });
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
    }
    const QDate today = c_.clock.now().date();
    ui.Txt_Date->setText(
        QStringLiteral("%1/%2/%3").arg(today.year()).arg(today.month()).arg(today.day()));
    c_.engine.bindAddressCheck();
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
