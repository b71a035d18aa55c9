#pragma once

#include "core/settings.h"
#include "core/slot_state.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kaltero::race {

// One CSV field quoted by RFC 4180 where it needs it: a comma, a quote or a line break puts the
// field in quotes, and a quote inside is doubled.
//   abc -> abc;  a,b -> "a,b";  say "hi" -> "say ""hi"""
QString csvField(const QString& text);

// The laps of every car that took part, one row per lap, after a header row: car number, car
// name, lap, lap time in milliseconds, lap-time text, driver, remarks, message log and the
// wall-clock time the lap ended, and last the time the car stood in the pit during the lap. A
// lap counted but never timed has its time fields empty, a lap without a pit stop its last one.
QStringList csvLines(const core::RaceState& race, const core::Settings& settings);

// The CSV file: UTF-8 with a byte-order mark (spreadsheets then read the Japanese text), rows
// ended by CR LF.
QByteArray csvBytes(const core::RaceState& race, const core::Settings& settings);

}  // namespace kaltero::race
