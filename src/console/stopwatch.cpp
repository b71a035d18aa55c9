#include "console/stopwatch.h"

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "timing/time_text.h"
#include "widgets/frame.h"
#include "widgets/widget_build.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace kaltero::console {

using timing::FormatLapTime;

Stopwatch::Stopwatch(core::Console& console, QWidget* parent)
    : c_(console), Time_OtherLap(console.clock.makeTimer()) {
    build(parent);
    QObject::connect(Btn_OtherLap, &QPushButton::clicked, [this] { onStartStop(); });
    Time_OtherLap->onTimeout([this] { onTick(); });
    QObject::connect(&c_.race, &model::RaceModel::changed, frame_,
                     [this](const model::Change& change) {
                         switch (change.op) {
                             case model::Op::Resumed:
                                 show();
                                 [[fallthrough]];
                             case model::Op::Started:
                                 // Timed on the race's tick counter: usable only while it counts.
                                 Btn_OtherLap->setEnabled(true);
                                 break;
                             case model::Op::Stopped:
                                 Btn_OtherLap->setEnabled(false);
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

Stopwatch::~Stopwatch() = default;

void Stopwatch::build(QWidget* parent) {
    frame_ =
        widgets::frame(QStringLiteral("気になる車のLap？"), parent, QStringLiteral("Frm_OtherLap"));
    auto* row = new QHBoxLayout(frame_);
    Lbl_OtherLap =
        widgets::label(QStringLiteral("0'00\"000"), frame_, QStringLiteral("Lbl_OtherLap"));
    widgets::setBigFont(Lbl_OtherLap, 14);
    Btn_OtherLap = widgets::button(QStringLiteral("Start"), frame_, QStringLiteral("Btn_OtherLap"));
    Btn_OtherLap->setEnabled(false);
    row->addWidget(Lbl_OtherLap, 1);
    row->addWidget(Btn_OtherLap);
}

void Stopwatch::onStartStop() {
    if (c_.state.StopwatchRunning) {
        c_.race.stopStopwatch(c_.TickCnt());
    } else {
        c_.race.startStopwatch(c_.TickCnt());
    }
}

void Stopwatch::show() {
    const auto& st = c_.state;
    if (st.StopwatchRunning) {
        Time_OtherLap->setInterval(engine::RaceEngine::kLapTimerMs);
        Time_OtherLap->start();
        Btn_OtherLap->setText(QStringLiteral("Stop"));
        onTick();
        return;
    }
    Time_OtherLap->stop();
    Btn_OtherLap->setText(QStringLiteral("Start"));
    Lbl_OtherLap->setText(FormatLapTime(st.OtherStopTick - st.OtherStartTick, c_.settings));
}

void Stopwatch::onTick() {
    Lbl_OtherLap->setText(FormatLapTime(c_.TickCnt() - c_.state.OtherStartTick, c_.settings));
}

}  // namespace kaltero::console
