#pragma once

#include "core/settings.h"
#include "core/slot_state.h"
#include "link/lap_stats.h"
#include "link/standings.h"

#include <QDateTime>

namespace kaltero::link {

// A lap a car's report closes: which lap, the lap as recorded, the car's figures with it and
// the lap record the car is sent (with the flag it goes out under).
struct ClosedLap {
    qint32 lapNo = 0;
    core::Lap lap;
    LapStats figures;
    QString record;
    QString flag;
};

// The lap the car's report closes at tick `now`: its time since the lap began, the driver now
// in the car, the log of what the car was sent and what it said; the remarks stay. A report
// before any lap was counted closes lap 1. `wallNow` is the console's clock for the record.
//   lap started at 1000, report at 84456, 1 ms ticks -> lap 1 of 83456 ticks, "1'23\"456"
ClosedLap closeLap(const core::RaceState& race, int slot, const QString& carMessage, qint32 now,
                   const QDateTime& wallNow, const core::Settings& settings);

// The figures a closed lap gives its car: the statistics over its laps (the closed one in
// place) for the driver now in the car. The same rule works them out again for a race rebuilt
// from its operations.
LapStats figuresOfLap(const QList<core::Lap>& laps, const core::CarSlot& car, qint32 RemainTicks,
                      const core::Settings& settings);

// The taking-part cars of the race as the standings read them, in slot order.
QList<StandingsCar> standingsCars(const core::RaceState& race);

}  // namespace kaltero::link
