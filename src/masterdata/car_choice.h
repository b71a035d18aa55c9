#pragma once

#include <QString>

namespace kaltero::masterdata {

struct CarRecord;

// What choosing a car for a slot sets, from the car's tank capacity and economy as texts.
struct CarChoice {
    QString tankText;           // the tank capacity as shown
    float TankCapacity = 0.0F;  // litres
    QString economyText;        // the economy as shown: km/l, general number form
    float FuelEconomy = 0.0F;   // metres per litre: km/l x 1000
};

// ("60", "8.50") -> {"60", 60, "8.5", 8500}. A column without a number, or one too large for a
// single, gives 0 (and "0" as the economy's text).
CarChoice chooseCar(QStringView tankColumn, QStringView economyColumn);
// The same from a car of Car.ini. {"Car A", "", 60, 8.5} -> {"60", 60, "8.5", 8500}
CarChoice chooseCar(const CarRecord& car);

}  // namespace kaltero::masterdata
