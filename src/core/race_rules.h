#pragma once

#include <QString>

namespace kaltero::core {

// The rules of an endurance race the pit wall watches, and how it tells a pit stop from a pass.
// A limit of 0 is not used.
struct RaceRules {
    // A car within reach of the pit longer than this is stopped in the pit, not passing by.
    qint32 PitStopSeconds = 20;
    qint32 MaxStintMinutes = 0;
    qint32 MaxDrivingMinutes = 0;  // per driver, the whole race
    qint32 MinDrivingMinutes = 0;  // per driver, the whole race
    qint32 MinPitStopSeconds = 0;
    qint32 MinPitStops = 0;
    // Sent to the car from this many minutes before its stint's maximum.
    QString StintMessage =
        QStringLiteral("スティント上限が近づいています。ピットインしてください。");
    qint32 StintMessageMinutes = 5;
    // Whose driving time a stop in the pit is: 0 no one's (time on track only), 1 the driver
    // who drives out, 2 split at the moment the driver change was entered.
    qint32 PitTimeRule = 0;

    friend bool operator==(const RaceRules&, const RaceRules&) = default;
};

}  // namespace kaltero::core
