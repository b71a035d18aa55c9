#include "car_choice.h"

#include "core/number_text.h"
#include "field_rules.h"

#include <cmath>
#include <limits>

namespace kaltero::masterdata {

QString entryColumn(QStringView entry, int column) {
    qsizetype start = 0;
    for (int i = 0; i < column; ++i) {
        const qsizetype tab = entry.indexOf(u'\t', start);
        if (tab < 0) {
            return {};
        }
        start = tab + 1;
    }
    qsizetype end = entry.indexOf(u'\t', start);
    if (end < 0) {
        end = entry.size();
    }
    return entry.sliced(start, end - start).toString();
}

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

qint32 courseLengthFrom(QStringView lengthColumn) {
    return longNumber(lengthColumn);
}

}  // namespace kaltero::masterdata
