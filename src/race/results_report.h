#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace kaltero::race {

// One row of a car's lap grid, as the grid shows it.
struct ReportLap {
    QString time;        // column 1, lap-time text; a row without one is not written
    QString driver;      // column 2
    QString remarks;     // column 3
    QString messageLog;  // column 5
};

// One row of a car's driver grid.
struct ReportDriver {
    QString name;
    QString bestLap;
    QString averageLap;
};

// One car slot as the console shows it.
struct ReportSlot {
    QString address;        // the car PC's address; an empty one leaves the slot out of the report
    QString title;          // "１号車" .. "５号車"
    QString carName;        // empty when no car is chosen
    QList<ReportLap> laps;  // row 1 first: the position is the lap number
    QList<ReportDriver> drivers;
};

// Everything the results report copies from the console.
struct ReportInputs {
    QString eventName;
    QString date;
    QString weather;
    QString temperature;
    std::array<ReportSlot, 5> slots;
};

// The report's lines, without line ends: the event data, then per slot with an address its
// title, car, laps ("3,1'23\"456,山田,,msg, in") and driver summary, each block between rule
// lines. Fields are joined with "," as they stand: a remark with a comma stays one field of text.
QStringList reportLines(const ReportInputs& in);

// The report file's content: the lines in code page 932, each ended by CR LF.
QByteArray reportBytes(const ReportInputs& in);

}  // namespace kaltero::race
