#pragma once

#include <QString>

namespace kaltero::core {

// Where the console's files live: always beside the executable, never the working folder.
struct Paths {
    QString SettingsFile;
    QString CarFile;
    QString CourseFile;
    QString DriversFile;
    QString JournalFile;
};

Paths pathsIn(const QString& programFolder);

}  // namespace kaltero::core
