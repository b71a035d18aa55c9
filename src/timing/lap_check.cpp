#include "timing/lap_check.h"

#include "timing/median_lap.h"

namespace kaltero::timing {

namespace {

// Percentages in whole numbers: no rounding decides a lap at the edge.
bool below(qint64 ticks, qint64 median, qint64 percent) {
    return ticks * 100 < median * percent;
}

bool above(qint64 ticks, qint64 median, qint64 percent) {
    return ticks * 100 > median * percent;
}

bool followsStop(const core::Lap& before, qint64 pitStopTicks) {
    return before.contactReports > 0 && before.contactLastTick - before.endTick > pitStopTicks;
}

}  // namespace

QList<DoubtfulLap> doubtfulLaps(const QList<core::Lap>& laps, const QList<core::PitStop>& stops,
                                qint64 pitStopTicks) {
    QList<DoubtfulLap> out;
    const std::optional<qint64> median = medianLapTicks(laps);
    if (!median) {
        return out;
    }
    QList<qint64> stood(laps.size());
    for (const core::PitStop& stop : stops) {
        if (stop.lap >= 1 && stop.lap <= laps.size()) {
            stood[stop.lap - 1] += stop.length();
        }
    }
    for (qsizetype i = 0; i < laps.size(); ++i) {
        const core::Lap& lap = laps[i];
        if (!lap.timed || lap.acrossRestart || lap.ticks <= 0) {
            continue;
        }
        const auto lapNo = qint32(i + 1);
        if (below(lap.ticks, *median, 60)) {
            out.append({lapNo, LapDoubt::Short});
        } else if (above(lap.ticks - stood[i], *median, 160)) {
            out.append({lapNo, LapDoubt::Long});
        } else if (i > 0 && followsStop(laps[i - 1], pitStopTicks) && lap.silenceTicks > 0 &&
                   below(lap.silenceTicks, *median, 60)) {
            out.append({lapNo, LapDoubt::HoleInStop});
        }
    }
    return out;
}

QString doubtText(LapDoubt doubt) {
    switch (doubt) {
        case LapDoubt::Short:
            return QStringLiteral("短い周");
        case LapDoubt::Long:
            return QStringLiteral("長い周");
        case LapDoubt::HoleInStop:
            return QStringLiteral("ピット中の途切れ");
    }
    return {};
}

}  // namespace kaltero::timing
