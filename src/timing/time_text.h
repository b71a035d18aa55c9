#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>
#include <optional>

#include "core/settings.h"

namespace kaltero::timing {

// Lap-time text M'SS"FFF (FF at 1/100) of a tick count. Minutes are not limited to 59 and have no
// leading zeros; every field is formatted on its own, so a negative field carries its own "-".
// At 1/1000:  83456 -> 1'23"456, 3600000 -> 60'00"000, -1500 -> 0'-01"-500, -61000 -> -1'-01"000
// At 1/100:   8345 -> 1'23"45
// Defined for every 32-bit input.
QString FormatLapTime(qint32 ticks, const core::Settings& settings);

// The console's settings in the units of the race's ticks: the precision the race was started at,
// to its end and after, whatever is set meanwhile; the console's own for a race of an older
// journal, which kept none.
core::Settings raceUnits(const core::Settings& settings, const core::RaceState& race);

// A lap's time as shown: the operator's edit as typed, else its ticks in the race's units, else
// (no report closed it) nothing.
QString lapTimeText(const core::Lap& lap, const core::Settings& units);

// Duration text H:MM:SS, hours not limited to 23.
//   3725 -> "1:02:05", 90000 -> "25:00:00"
QString FormatHMS(qint64 seconds);

// Ticks of a lap-time text typed into the lap grid, or nothing when the text is invalid.
// The text is split at the last "'" and the last '"' (a later mark replaces an earlier one);
// minutes, seconds and sub-second pieces must each be a plain number (sign, decimal point and
// blanks around it allowed). The sub-second piece counts ticks, not a fraction of a second,
// and no piece is range-checked.
// At 1/1000:  1'23"456 -> 83456, 1'23"5 -> 83005, 0'75"000 -> 75000, 1'23 -> {}, 1'23" -> {}
std::optional<double> ParseLapTime(QStringView text, const core::Settings& settings);

// Time of day on the 12-hour clock for the clock label.
//   14:05:09 -> "pm 02:05:09", 00:30:00 -> "am 12:30:00", 12:00:00 -> "pm 12:00:00"
QString clockText(QTime time);

// Start time label: 09:05:30 -> "Start時間 09:05".
QString startTimeText(const QDateTime& start);

// Remaining race time label from the signed whole seconds to the end time; after the end it
// shows the overrun.  3725 -> "残り 1:02:05", -65 -> "残り 0:01:05"
QString remainTimeText(qint64 secondsToEnd);

}  // namespace kaltero::timing
