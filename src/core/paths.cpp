#include "paths.h"

#include <QDir>

namespace kaltero::core {

Paths pathsIn(const QString& programFolder) {
    const QDir dir(programFolder);
    return Paths{
        .SettingsFile = dir.filePath(QStringLiteral("Kaltero.ini")),
        .CarFile = dir.filePath(QStringLiteral("Car.ini")),
        .CourseFile = dir.filePath(QStringLiteral("Course.ini")),
        .DriversFile = dir.filePath(QStringLiteral("Drivers.ini")),
        .JournalFile = dir.filePath(QStringLiteral("Kaltero.db")),
    };
}

}  // namespace kaltero::core
