#include "link/lap_stats.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/number_text.h"
#include "core/slot_state.h"
#include "timing/time_text.h"

namespace kaltero::link {

namespace {

constexpr double kLowest = std::numeric_limits<qint32>::min();
constexpr double kHighest = std::numeric_limits<qint32>::max();

// Nearest integer, halves to even (the rounding every whole-number conversion here uses).
double roundHalfEven(double value) {
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5) {
        return down;
    }
    if (diff > 0.5) {
        return down + 1.0;
    }
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

// A 32-bit figure from a whole number that may lie outside the range.
qint32 toTicks(double whole) {
    return qint32(std::clamp(whole, kLowest, kHighest));
}

// A lap cell's value. No lap can be longer than a 32-bit tick count; a cell holding more (or
// something that is no number at all) is held to that range instead of overflowing a figure.
double cellValue(const QString& cell) {
    const double v = core::leadingNumber(cell);
    if (std::isnan(v)) {
        return 0.0;
    }
    return std::clamp(v, kLowest, kHighest);
}

// A row the lap count added (silence rule or a raised correction) holds no time until a
// report fills it; it is no lap yet and must not become the best lap or pull the average down.
bool hasTime(const LapRow& row) {
    return !row.ticks.trimmed().isEmpty();
}

}  // namespace

LapStats UpdateLapStats(const QList<LapRow>& rows, const QString& driver, qint32 RemainTicks,
                        const QString& Lbl_YosoSyu, const core::Settings& settings) {
    LapStats out;
    out.BestLapTicks = core::kNoLapTicks;
    out.DrvBestLapTicks = core::kNoLapTicks;

    // Sums are rounded to a whole number at every step, as a 32-bit tally would be, but held in
    // a double: 999 laps of any 32-bit length stay exact there instead of overflowing.
    double sum = 0.0;
    qint32 timedLaps = 0;
    double driverSum = 0.0;
    qint32 driverLaps = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!hasTime(rows[i])) {
            continue;
        }
        ++timedLaps;
        const qint32 rowNo = qint32(std::min<qsizetype>(i + 1, std::numeric_limits<qint32>::max()));
        const double v = cellValue(rows[i].ticks);
        sum = roundHalfEven(sum + v);
        if (v < out.BestLapTicks) {
            out.BestLapTicks = toTicks(roundHalfEven(v));
            out.BestLapNo = rowNo;
        }
        if (rows[i].driver == driver) {
            driverSum = roundHalfEven(driverSum + v);
            driverLaps =
                driverLaps < std::numeric_limits<qint32>::max() ? driverLaps + 1 : driverLaps;
            if (v < out.DrvBestLapTicks) {
                out.DrvBestLapTicks = toTicks(roundHalfEven(v));
                out.DrvBestLapNo = rowNo;
            }
        }
    }

    out.Lbl_BestLapTm = out.BestLapTicks == core::kNoLapTicks
                            ? QStringLiteral("-")
                            : QString::number(out.BestLapNo) + QStringLiteral("周目 ") +
                                  timing::FormatLapTime(out.BestLapTicks, settings);
    out.BestLapTxt = timing::FormatLapTime(out.BestLapTicks, settings);

    out.Lbl_YosoSyu = Lbl_YosoSyu;
    if (sum != 0.0) {
        out.AveLapTicks = toTicks(std::trunc(sum / std::max<qint32>(timedLaps, 1)));
        out.Lbl_AveLapTm = timing::FormatLapTime(out.AveLapTicks, settings);
        // A sum of a few ticks over many laps truncates to an average of 0: no prediction then.
        if (out.AveLapTicks != 0) {
            const double predicted = std::floor(double(RemainTicks) / out.AveLapTicks);
            out.Lbl_YosoSyu =
                QStringLiteral("あと") + QString::number(qint64(predicted)) + QStringLiteral("周");
        }
    } else {
        out.Lbl_AveLapTm = QStringLiteral("-");
    }

    out.Lbl_DrvrBestLapTm = out.DrvBestLapTicks == core::kNoLapTicks
                                ? QStringLiteral("-")
                                : timing::FormatLapTime(out.DrvBestLapTicks, settings) + u'-' +
                                      QString::number(out.DrvBestLapNo) + u'L';

    out.DrvTotalTicks = toTicks(driverSum);
    out.DrvLapCnt = std::max<qint32>(driverLaps, 1);
    out.Lbl_DrvrAveLapTm =
        out.AveLapTicks != 0
            ? timing::FormatLapTime(toTicks(roundHalfEven(driverSum / out.DrvLapCnt)), settings)
            : QStringLiteral("-");
    return out;
}

}  // namespace kaltero::link
