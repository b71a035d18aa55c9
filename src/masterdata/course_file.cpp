#include "course_file.h"

#include "field_rules.h"
#include "record_file.h"

namespace kaltero::masterdata {
namespace {

constexpr int kColumns = 2;

}  // namespace

CourseRecord courseFromFields(const QStringList& fields) {
    return CourseRecord{cellAt(fields, 0), longNumber(cellAt(fields, 1))};
}

QString courseLine(const CourseRecord& course) {
    return course.name + u',' + QString::number(course.length);
}

std::optional<QList<CourseRecord>> readCourseFile(const QString& path) {
    const auto lines = readRecordFields(path);
    if (!lines) {
        return std::nullopt;
    }
    QList<CourseRecord> courses;
    for (const QStringList& fields : *lines) {
        courses.append(courseFromFields(fields));
    }
    return courses;
}

std::optional<CourseRecord> courseFromGridRow(const QStringList& cells) {
    CourseRecord course{nameCell(cellAt(cells, 0)), longCell(cellAt(cells, 1))};
    if (course.name.isEmpty()) {
        return std::nullopt;
    }
    return course;
}

bool writeCourseFile(const QString& path, const QList<QStringList>& gridRows) {
    QStringList lines;
    for (const QStringList& row : gridRows) {
        if (const auto course = courseFromGridRow(row)) {
            lines.append(courseLine(*course));
        }
    }
    return writeRecordLines(path, lines);
}

QString courseCaption(const CourseRecord& course) {
    return shownName(course.name) + u'(' + QString::number(course.length) + u"m)";
}

QList<QStringList> courseGridRows(const QList<CourseRecord>& courses) {
    QList<QStringList> rows;
    for (const CourseRecord& course : courses) {
        rows.append({course.name, QString::number(course.length)});
    }
    return paddedGridRows(rows, kColumns);
}

CourseFileLoad loadCourseFile(const QString& path, bool GridOnly) {
    const auto courses = readCourseFile(path);
    const QList<CourseRecord> records = courses.value_or(QList<CourseRecord>{});
    CourseFileLoad load;
    load.gridRows = courseGridRows(records);
    if (!GridOnly) {
        load.courses = records;
    }
    load.readable = courses.has_value();
    return load;
}

}  // namespace kaltero::masterdata
