#pragma once

#include <QString>

namespace kaltero::masterdata {

// Column `column` of a choice-list entry whose columns are separated by TAB; empty when the
// entry has fewer columns. ("Car A\t60\t8.5", 2) -> "8.5"
QString entryColumn(QStringView entry, int column);

// What choosing a car for a slot sets, from the chosen entry's column 1 (tank) and 2 (economy).
struct CarChoice {
    QString tankText;           // the tank capacity as shown: column 1 as it stands
    float TankCapacity = 0.0F;  // litres
    QString economyText;        // the economy as shown: km/l, general number form
    float FuelEconomy = 0.0F;   // metres per litre: km/l x 1000
};

// ("60", "8.50") -> {"60", 60, "8.5", 8500}. A column without a number, or one too large for a
// single, gives 0 (and "0" as the economy's text).
CarChoice chooseCar(QStringView tankColumn, QStringView economyColumn);

// CourseLength from the chosen course entry's column 1: its leading number rounded half to even;
// 0 with no course chosen (empty text) or a length beyond 32 bits. "5807" -> 5807, "" -> 0
qint32 courseLengthFrom(QStringView lengthColumn);

}  // namespace kaltero::masterdata
