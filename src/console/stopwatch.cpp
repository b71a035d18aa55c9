#include "console/stopwatch.h"

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "timing/time_text.h"
#include "widgets/controls.h"

#include <QLabel>
#include <QPushButton>

namespace kaltero::console {

using timing::FormatLapTime;

Stopwatch::Stopwatch(core::Console& console, widgets::Controls& ui) : c_(console), ui_(ui) {
    QObject::connect(ui.Btn_OtherLap, &QPushButton::clicked, [this] { onStartStop(); });
    ui.Time_OtherLap->onTimeout([this] { onTick(); });
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        switch (change.op) {
            case model::Op::Resumed:
                show();
                [[fallthrough]];
            case model::Op::Started:
                // Timed on the race's tick counter: usable only while it counts.
                ui_.Btn_OtherLap->setEnabled(true);
                break;
            case model::Op::Stopped:
                ui_.Btn_OtherLap->setEnabled(false);
                break;
            case model::Op::StopwatchStarted:
            case model::Op::StopwatchStopped:
                show();
                break;
            default:
                break;
        }
    });
}

void Stopwatch::onStartStop() {
    if (c_.state.StopwatchRunning) {
        c_.race.stopStopwatch(c_.TickCnt());
    } else {
        c_.race.startStopwatch(c_.TickCnt());
    }
}

void Stopwatch::show() {
    auto& ui = ui_;
    const auto& st = c_.state;
    if (st.StopwatchRunning) {
        ui.Time_OtherLap->setInterval(engine::RaceEngine::kLapTimerMs);
        ui.Time_OtherLap->start();
        ui.Btn_OtherLap->setText(QStringLiteral("Stop"));
        onTick();
        return;
    }
    ui.Time_OtherLap->stop();
    ui.Btn_OtherLap->setText(QStringLiteral("Start"));
    ui.Lbl_OtherLap->setText(FormatLapTime(st.OtherStopTick - st.OtherStartTick, c_.settings));
}

void Stopwatch::onTick() {
    ui_.Lbl_OtherLap->setText(FormatLapTime(c_.TickCnt() - c_.state.OtherStartTick, c_.settings));
}

}  // namespace kaltero::console
