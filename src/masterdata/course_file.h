#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kaltero::masterdata {

// One line of Course.ini: name,length in metres.
struct CourseRecord {
    QString name;
    qint32 length = 0;

    friend bool operator==(const CourseRecord&, const CourseRecord&) = default;
};

// A record from the fields of one line; missing fields read empty or 0, extra ones are ignored.
CourseRecord courseFromFields(const QStringList& fields);
// {"Course A", 5807} -> "Course A,5807"
QString courseLine(const CourseRecord& course);

// The courses of Course.ini in file order; a missing file is created empty. Empty optional
// when the file exists but cannot be read.
std::optional<QList<CourseRecord>> readCourseFile(const QString& path);

// The record an editor row (cells of columns 1..2: name, length) stands for; empty when its
// name is empty once commas and blanks are dealt with. {"Course A", "5,807"} -> {"Course A", 5807}
std::optional<CourseRecord> courseFromGridRow(const QStringList& cells);
// Writes Course.ini from the editor's rows in row order, skipping rows without a name.
// False when the file could not be written; the old file is then left as it was.
bool writeCourseFile(const QString& path, const QList<QStringList>& gridRows);

// The course as its list shows it: name(length m). {"Course A", 5807} -> "Course A(5807m)"
QString courseCaption(const CourseRecord& course);
// Cell texts of the course editor: one row per record, padded with empty rows to kEditorRows.
QList<QStringList> courseGridRows(const QList<CourseRecord>& courses);

// What loading Course.ini gives the console window.
struct CourseFileLoad {
    QList<QStringList> gridRows;
    // The courses for the course list; empty optional with GridOnly.
    std::optional<QList<CourseRecord>> courses;
    // False when the file exists but could not be read; the grid and list are then empty.
    bool readable = true;
};
CourseFileLoad loadCourseFile(const QString& path, bool GridOnly);

}  // namespace kaltero::masterdata
