#include "link/lap_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/number_text.h"
#include "core/slot_state.h"
#include "timing/time_text.h"

namespace kaltero::link {

namespace {

// A 32-bit figure from a wide sum or quotient.
qint32 toTicks(double whole) {
    return qint32(std::clamp(whole, double(std::numeric_limits<qint32>::min()),
                             double(std::numeric_limits<qint32>::max())));
}

}  // namespace

LapStats UpdateLapStats(const QList<core::Lap>& laps, const QString& driver, qint32 RemainTicks,
                        std::optional<qint64> PredictedLaps, const core::Settings& settings) {
    LapStats out;
    out.BestLapTicks = core::kNoLapTicks;
    out.DrvBestLapTicks = core::kNoLapTicks;
    out.TicksPerSecond = settings.TicksPerSecond;

    // Sums are kept wide: 999 laps of any 32-bit length stay exact instead of overflowing.
    qint64 sum = 0;
    qint32 timedLaps = 0;
    qint64 driverSum = 0;
    qint32 driverLaps = 0;
    for (qsizetype i = 0; i < laps.size(); ++i) {
        // A lap the console was down in is shown and kept, but its time is not known.
        if (!laps[i].timed || laps[i].acrossRestart) {
            continue;
        }
        ++timedLaps;
        const qint32 rowNo = qint32(std::min<qsizetype>(i + 1, std::numeric_limits<qint32>::max()));
        const qint32 v = laps[i].ticks;
        sum += v;
        // A lap of no time (a resumed race whose clock went wrong) is never anyone's best.
        if (v > 0 && v < out.BestLapTicks) {
            out.BestLapTicks = v;
            out.BestLapNo = rowNo;
        }
        if (laps[i].driver == driver) {
            driverSum += v;
            driverLaps =
                driverLaps < std::numeric_limits<qint32>::max() ? driverLaps + 1 : driverLaps;
            if (v > 0 && v < out.DrvBestLapTicks) {
                out.DrvBestLapTicks = v;
                out.DrvBestLapNo = rowNo;
            }
        }
    }

    out.PredictedLaps = PredictedLaps;
    if (sum != 0) {
        out.AveLapTicks = toTicks(double(sum / std::max<qint32>(timedLaps, 1)));
        // A sum of a few ticks over many laps truncates to an average of 0: no prediction then.
        if (*out.AveLapTicks != 0) {
            out.PredictedLaps = qint64(std::floor(double(RemainTicks) / *out.AveLapTicks));
        }
    }

    out.DrvTotalTicks = toTicks(double(driverSum));
    out.DrvLapCnt = std::max<qint32>(driverLaps, 1);
    if (out.AveLapTicks.value_or(0) != 0) {
        out.DrvAveLapTicks = core::roundToInt32(double(driverSum) / out.DrvLapCnt).value_or(0);
    }
    return out;
}

}  // namespace kaltero::link
