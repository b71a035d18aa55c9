#pragma once

#include <QString>

namespace kaltero::showcase {

// Writes sample Car.ini, Course.ini and Drivers.ini (five cars, two courses, six drivers) into
// folder, each only when it is not there yet, so an operator's own files are never replaced.
// Returns false when a file could not be written.
bool writeSampleMasterData(const QString& folder);

}  // namespace kaltero::showcase
