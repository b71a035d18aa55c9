#include "link/figure_text.h"

#include "timing/time_text.h"

namespace kaltero::link {

namespace {

// The console's settings with the precision of figures timed at `ticksPerSecond` (1000 or 100).
core::Settings atPrecision(qint32 ticksPerSecond, const core::Settings& settings) {
    if (ticksPerSecond <= 0 || ticksPerSecond == settings.TicksPerSecond) {
        return settings;
    }
    core::Settings timedAt = settings;
    timedAt.TicksPerSecond = ticksPerSecond;
    timedAt.FractionFormat = QString(QString::number(ticksPerSecond).size() - 1, u'0');
    return timedAt;
}

}  // namespace

QString bestLapText(qint32 ticks, qint32 lapNo, const core::Settings& settings) {
    return ticks == core::kNoLapTicks ? QStringLiteral("-")
                                      : QString::number(lapNo) + QStringLiteral("周目 ") +
                                            timing::FormatLapTime(ticks, settings);
}

QString driverBestText(qint32 ticks, qint32 lapNo, const core::Settings& settings) {
    return ticks == core::kNoLapTicks
               ? QStringLiteral("-")
               : timing::FormatLapTime(ticks, settings) + u'-' + QString::number(lapNo) + u'L';
}

QString averageText(std::optional<qint32> ticks, const core::Settings& settings) {
    return ticks ? timing::FormatLapTime(*ticks, settings) : QStringLiteral("-");
}

QString predictedLapsText(std::optional<qint64> laps) {
    return laps ? QStringLiteral("あと") + QString::number(*laps) + QStringLiteral("周")
                : QString();
}

CarFigureTexts carFigureTexts(const core::CarSlot& car, const core::Settings& settings) {
    if (!car.HasFigures) {
        return {};
    }
    return {.best = bestLapText(car.BestLapTicks, car.BestLapNo, settings),
            .average = averageText(car.AveLapTicks, settings),
            .predicted = predictedLapsText(car.PredictedLaps),
            .driverBest = driverBestText(car.DrvBestLapTicks, car.DrvBestLapNo, settings),
            .driverAverage = averageText(car.DrvAveLapTicks, settings)};
}

DriverFigureTexts driverFigureTexts(const core::DriverFigures& row,
                                    const core::Settings& settings) {
    if (!row.hasFigures) {
        return {};
    }
    const core::Settings timedAt = atPrecision(row.ticksPerSecond, settings);
    return {.best = driverBestText(row.bestTicks, row.bestLapNo, timedAt),
            .average = averageText(row.averageTicks, timedAt)};
}

}  // namespace kaltero::link
