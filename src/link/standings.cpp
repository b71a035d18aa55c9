#include "link/standings.h"

#include <algorithm>

namespace kaltero::link {

qint64 currentLap(qint32 LapCnt, bool LapPending) {
    return LapPending ? qint64(LapCnt) : qint64(LapCnt) + 1;
}

bool ranksAhead(const RankKey& a, const RankKey& b) {
    if (a.lap != b.lap) {
        return a.lap > b.lap;
    }
    if (a.best != b.best) {
        return !a.best || (b.best && *a.best < *b.best);
    }
    return a.slot < b.slot;
}

RankKey rankKeyOf(const core::CarSlot& car, int slot) {
    return {currentLap(car.LapCnt, car.LapPending),
            car.HasFigures ? std::optional(car.BestLapTicks) : std::nullopt, slot};
}

Standings UpdateStandings(const QList<StandingsCar>& cars) {
    Standings out;
    const qsizetype count = std::min<qsizetype>(cars.size(), 10);
    if (count < 2) {
        return out;
    }
    const auto slotOf = [&cars](qsizetype i) {
        return cars[i].slot >= 0 && cars[i].slot <= 9 ? cars[i].slot : int(i);
    };
    const auto keyOf = [&](qsizetype i) {
        return RankKey{currentLap(cars[i].LapCnt, cars[i].LapPending), cars[i].BestLapTicks,
                       slotOf(i)};
    };
    QList<qsizetype> order;
    for (qsizetype i = 0; i < count; ++i) {
        order << i;
    }
    std::sort(order.begin(), order.end(),
              [&](qsizetype a, qsizetype b) { return ranksAhead(keyOf(a), keyOf(b)); });
    for (const qsizetype i : std::as_const(order)) {
        const StandingsCar& car = cars[i];
        out.rows << StandingsRow{.slot = slotOf(i),
                                 .carName = car.carName,
                                 .lap = currentLap(car.LapCnt, car.LapPending),
                                 .bestTicks = car.BestLapTicks,
                                 .bestLap = car.BestLapNo};
    }
    return out;
}

}  // namespace kaltero::link
