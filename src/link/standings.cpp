#include "link/standings.h"

#include <algorithm>

namespace kaltero::link {

qint64 currentLap(qint32 LapCnt, bool LapPending) {
    return LapPending ? qint64(LapCnt) : qint64(LapCnt) + 1;
}

QString sortKey(qint64 currentLap, const QString& BestLapTxt, int slot) {
    // Lap counts never go below 0; a lower value would make a four-digit part sort wrongly.
    const qint64 lap = std::max<qint64>(currentLap, 0);
    const QString lapPart =
        lap <= 999 ? QStringLiteral("%1").arg(999 - lap, 3, 10, QLatin1Char('0'))
                   : u'-' + QStringLiteral("%1").arg(9'999'999'999 - lap, 10, 10, QLatin1Char('0'));
    return lapPart + BestLapTxt + QString::number(slot);
}

Standings UpdateStandings(const QList<StandingsCar>& cars) {
    Standings out;
    // The slot is one digit at the end of the key, so ten cars at most.
    const qsizetype count = std::min<qsizetype>(cars.size(), 10);
    if (count < 2) {
        return out;
    }
    // Each key travels with the position of its car, so that a rank row never has to read the
    // slot back out of the key.
    const auto slotOf = [&cars](qsizetype i) {
        return cars[i].slot >= 0 && cars[i].slot <= 9 ? cars[i].slot : int(i);
    };
    QList<qsizetype> order;
    for (qsizetype i = 0; i < count; ++i) {
        const StandingsCar& car = cars[i];
        out.SortKey << sortKey(currentLap(car.LapCnt, car.LapPending), car.BestLapTxt, slotOf(i));
        order << i;
    }

    // Exchange sort: swap the first pair out of order and start again from the front.
    const qsizetype last = count - 1;
    qsizetype k = 0;
    do {
        if (out.SortKey[k] > out.SortKey[k + 1]) {
            out.SortKey.swapItemsAt(k, k + 1);
            order.swapItemsAt(k, k + 1);
            k = 0;
        } else {
            ++k;
        }
    } while (k != last);

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
