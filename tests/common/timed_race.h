#pragma once

#include "core/settings.h"
#include "link/lap_closing.h"
#include "model/race_model.h"

namespace kaltero::testing {

// A race on the model alone, timed in milliseconds (three fraction digits), its figures worked
// out as the car link works them out, every operation kept for a rebuild.
struct TimedRace {
    TimedRace() {
        settings.TicksPerSecond = 1000;
        settings.FractionFormat = QStringLiteral("000");
        settings.MsPerTick = 1;
        race.setFigureRule(
            [this](const QList<core::Lap>& laps, const core::CarSlot& car, qint32 remain) {
                return link::figuresOfLap(laps, car, remain, settings);
            });
        QObject::connect(&race, &model::RaceModel::changed, [this](const model::Change& c) {
            if (c.isOperation()) {
                operations << c;
            }
        });
    }

    core::Settings settings;
    model::RaceModel race;
    QList<model::Change> operations;
};

}  // namespace kaltero::testing
