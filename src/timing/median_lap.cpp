#include "timing/median_lap.h"

#include <algorithm>

namespace kaltero::timing {

std::optional<qint64> medianLapTicks(const QList<core::Lap>& laps) {
    QList<qint64> ticks;
    ticks.reserve(laps.size());
    for (const core::Lap& lap : laps) {
        if (lap.timed && !lap.acrossRestart && lap.ticks > 0) {
            ticks.append(lap.ticks);
        }
    }
    if (ticks.isEmpty()) {
        return std::nullopt;
    }
    const qsizetype mid = ticks.size() / 2;
    std::nth_element(ticks.begin(), ticks.begin() + mid, ticks.end());
    if (ticks.size() % 2 == 1) {
        return ticks[mid];
    }
    const qint64 below = *std::max_element(ticks.begin(), ticks.begin() + mid);
    return (below + ticks[mid]) / 2;
}

}  // namespace kaltero::timing
