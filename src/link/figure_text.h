#pragma once

#include <QString>
#include <optional>

#include "core/settings.h"
#include "core/slot_state.h"

namespace kaltero::link {

// How the console shows the figures the statistics rule works out. Times are lap-time texts.

// The car's best: "2周目 1'22\"500"; "-" without a lap of any time.
QString bestLapText(qint32 ticks, qint32 lapNo, const core::Settings& settings);
// A driver's best: "1'22\"000-3L"; "-" without a lap of any time.
QString driverBestText(qint32 ticks, qint32 lapNo, const core::Settings& settings);
// An average lap: its time; "-" without one.
QString averageText(std::optional<qint32> ticks, const core::Settings& settings);
// "あと7周", "あと-1周" after the end; empty until worked out.
QString predictedLapsText(std::optional<qint64> laps);

// A car's five figures as shown beside its laps; all empty before its first lap of the race.
struct CarFigureTexts {
    QString best;
    QString average;
    QString predicted;
    QString driverBest;
    QString driverAverage;
};
CarFigureTexts carFigureTexts(const core::CarSlot& car, const core::Settings& settings);

// A row of the driver table: best and average, both empty before the driver's first lap. Times
// read at the precision they were timed at, whatever the console's is now.
struct DriverFigureTexts {
    QString best;
    QString average;
};
DriverFigureTexts driverFigureTexts(const core::DriverFigures& row, const core::Settings& settings);

}  // namespace kaltero::link
