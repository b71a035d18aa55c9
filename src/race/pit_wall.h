#pragma once

#include <QList>
#include <optional>

namespace kaltero::race {

// A car's time within reach of the pit's network: from the first report after a silence to the
// last report before the next one, in ticks.
struct ContactPeriod {
    qint32 firstTick = 0;
    qint32 lastTick = 0;
    qint32 length() const { return lastTick - firstTick; }
    friend bool operator==(const ContactPeriod&, const ContactPeriod&) = default;
};

// The contact periods of a car's reports (their ticks in order): a gap longer than NoCommTicks,
// the silence that counts a lap, ends a period. The last period stays open until such a gap.
//   reports 0, 500, 1000, 20000, 20500 with NoCommTicks 10000 -> {0..1000}, {20000..20500}
QList<ContactPeriod> contactPeriods(const QList<qint32>& reportTicks, qint32 NoCommTicks);

// A contact period longer than `pitStopTicks` is a pit stop: a pass along the straight is a few
// seconds within reach, a stop in the pit far longer.
bool isPitStop(const ContactPeriod& period, qint32 pitStopTicks);

// What the fuel still allows at the current economy: laps ("あと N 周") and the lap by which the
// car must come in.
struct FuelLaps {
    qint32 laps = 0;
    qint32 inByLap = 0;
    friend bool operator==(const FuelLaps&, const FuelLaps&) = default;
};
// Nothing without a course or an economy, or for a fuel figure that is not finite. Fuel used up
// or below zero gives 0 laps, in by the lap being driven.
//   course 4000 m, 2000 m/l (2 l a lap), 60 l in, 10 laps driven -> 40 l left: 20 laps, lap 30
std::optional<FuelLaps> fuelLaps(qint32 CourseLength, float FuelEconomy, float FuelTotal,
                                 qint32 LapCnt);

}  // namespace kaltero::race
