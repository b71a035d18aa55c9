#include "console/pit_wall_view.h"

#include "core/console_context.h"
#include "engine/race_engine.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "timing/pit_wall_text.h"
#include "widgets/colours.h"

#include <QLabel>

namespace kaltero::console {

using timing::Alert;

namespace {

void showColour(QLabel* label, Alert alert, bool minimumMet) {
    label->setAutoFillBackground(alert != Alert::None || minimumMet);
    if (minimumMet) {
        widgets::setBackground(label, widgets::kMinimumMet);
        widgets::setTextColour(label, Qt::black);
    } else if (alert == Alert::None) {
        label->setPalette(QPalette());
    } else {
        widgets::setBackground(label,
                               alert == Alert::Near ? widgets::kNearLimit : widgets::kPastLimit);
        widgets::setTextColour(label, alert == Alert::Near ? QColor(Qt::black) : widgets::kWhite);
    }
}

void setText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

}  // namespace

bool movesPitWall(const model::Change& change) {
    using model::Op;
    return change.op != Op::MessageReceived && change.op != Op::MessageTyped &&
           change.op != Op::StandingsUpdated && change.op != Op::ClockUpdated;
}

PitWallView::PitWallView(core::Console& console, engine::RaceEngine& engine,
                         const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), engine_(engine), cars_(cars) {
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (!movesPitWall(change)) {
            return;
        }
        if (change.slot >= 0 && change.slot < core::kSlotCount) {
            show(change.slot);
        } else {
            showAll();
        }
    });
    QObject::connect(&engine_, &engine::RaceEngine::clockTicked, [this] { showAll(); });
}

void PitWallView::showAll() {
    for (int s = 0; s < core::kSlotCount; ++s) {
        show(s);
    }
}

void PitWallView::show(int s) {
    auto* panel = cars_[s];
    const auto& car = c_.state.car[s];
    Alert alert = Alert::None;
    bool minimumMet = false;
    if (!car.TakesPart) {
        setText(panel->Lbl_PitWall, {});
        setText(panel->Lbl_FuelLaps, {});
    } else {
        const qint32 tps = c_.settings.TicksPerSecond;
        const timing::CarWall wall = timing::carWall(car, c_.state, tps, c_.TickCnt());
        setText(panel->Lbl_PitWall, timing::stintText(wall, tps) + u'\n' +
                                        timing::stopsText(wall, tps, c_.state.rules.MinPitStops));
        setText(panel->Lbl_FuelLaps, timing::fuelLapsText(wall.fuel));
        alert = wall.stintAlert;
        minimumMet = wall.inPit && wall.inPit->minimumMet();
    }
    if (alert != shown_[s] || minimumMet != minimumMetShown_[s]) {
        showColour(panel->Lbl_PitWall, alert, minimumMet);
        if (alert > shown_[s]) {
            c_.prompts.beep();
        }
        shown_[s] = alert;
        minimumMetShown_[s] = minimumMet;
    }
}

}  // namespace kaltero::console
