#include "race/pit_wall.h"

#include <cmath>
#include <limits>

namespace kaltero::race {

QList<ContactPeriod> contactPeriods(const QList<qint32>& reportTicks, qint32 NoCommTicks) {
    QList<ContactPeriod> periods;
    for (const qint32 tick : reportTicks) {
        // 64-bit difference: ticks of a long race never overflow the gap.
        if (periods.isEmpty() || qint64(tick) - periods.last().lastTick > NoCommTicks) {
            periods.append({tick, tick});
        } else {
            periods.last().lastTick = tick;
        }
    }
    return periods;
}

bool isPitStop(const ContactPeriod& period, qint32 pitStopTicks) {
    return period.length() > pitStopTicks;
}

std::optional<FuelLaps> fuelLaps(qint32 CourseLength, float FuelEconomy, float FuelTotal,
                                 qint32 LapCnt) {
    if (CourseLength <= 0 || !std::isfinite(FuelEconomy) || FuelEconomy <= 0.0F ||
        !std::isfinite(FuelTotal)) {
        return std::nullopt;
    }
    const double perLap = double(CourseLength) / double(FuelEconomy);
    const double left = double(FuelTotal) - perLap * LapCnt;
    const double laps = left > 0.0 ? std::floor(left / perLap) : 0.0;
    // A lap count beyond the tick counter's range is no figure a race can reach.
    if (laps > double(std::numeric_limits<qint32>::max() - LapCnt)) {
        return std::nullopt;
    }
    return FuelLaps{qint32(laps), LapCnt + qint32(laps)};
}

}  // namespace kaltero::race
