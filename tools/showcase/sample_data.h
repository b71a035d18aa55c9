#pragma once

#include <QString>

namespace kaltero::showcase {

// Writes sample Car.ini, Course.ini and Drivers.ini (five cars, two courses, six drivers) into
// folder, each only when it is not there yet, so an operator's own files are never replaced.
// Returns false when a file could not be written.
bool writeSampleMasterData(const QString& folder);

// Puts short endurance rules into folder's Kaltero.ini when it has none yet, so that a
// demonstration shows stints, their warnings and driver limits within minutes: a stint of at most
// 10 minutes, 40 minutes of driving at most and 5 at least per driver, stops of 30 s at least and 3
// stops. Returns false when the file could not be written.
bool writeSampleRules(const QString& folder);

// Points folder's console at a broker under a console name, as a standby of `follow` when
// that is not empty; a standby serves no live page of its own (the two share this machine's
// page port). Returns false when the file could not be written.
bool writeSampleRelay(const QString& folder, const QString& broker, const QString& name,
                      const QString& follow);

}  // namespace kaltero::showcase
