#include "car_choice.h"

#include "car_file.h"
#include "core/number_text.h"
#include "field_rules.h"

#include <cmath>
#include <limits>

namespace kaltero::masterdata {

CarChoice chooseCar(QStringView tankColumn, QStringView economyColumn) {
    CarChoice choice;
    choice.tankText = tankColumn.toString();
    choice.TankCapacity = singleNumber(tankColumn);

    double kmPerLitre = core::leadingNumber(economyColumn);
    const double metresPerLitre = kmPerLitre * 1000.0;
    if (!std::isfinite(metresPerLitre) ||
        std::fabs(metresPerLitre) > std::numeric_limits<float>::max()) {
        kmPerLitre = 0.0;
    }
    choice.economyText = core::generalNumber(kmPerLitre);
    choice.FuelEconomy = static_cast<float>(kmPerLitre * 1000.0);
    return choice;
}

CarChoice chooseCar(const CarRecord& car) {
    return chooseCar(singleText(car.tankCapacity), singleText(car.economy));
}

}  // namespace kaltero::masterdata
