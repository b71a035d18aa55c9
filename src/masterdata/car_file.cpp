#include "car_file.h"

#include "field_rules.h"
#include "record_file.h"

namespace kaltero::masterdata {
namespace {

constexpr int kColumns = 4;

}  // namespace

CarRecord carFromFields(const QStringList& fields) {
    return CarRecord{cellAt(fields, 0), cellAt(fields, 1), singleNumber(cellAt(fields, 2)),
                     singleNumber(cellAt(fields, 3))};
}

QString carLine(const CarRecord& car) {
    return car.name + u',' + car.owner + u',' + singleText(car.tankCapacity) + u',' +
           singleText(car.economy);
}

std::optional<QList<CarRecord>> readCarFile(const QString& path) {
    const auto lines = readRecordFields(path);
    if (!lines) {
        return std::nullopt;
    }
    QList<CarRecord> cars;
    for (const QStringList& fields : *lines) {
        cars.append(carFromFields(fields));
    }
    return cars;
}

std::optional<CarRecord> carFromGridRow(const QStringList& cells) {
    CarRecord car{nameCell(cellAt(cells, 0)), nameCell(cellAt(cells, 1)),
                  singleNumber(cellAt(cells, 2)), singleNumber(cellAt(cells, 3))};
    if (car.name.isEmpty()) {
        return std::nullopt;
    }
    return car;
}

bool writeCarFile(const QString& path, const QList<QStringList>& gridRows) {
    QStringList lines;
    for (const QStringList& row : gridRows) {
        if (const auto car = carFromGridRow(row)) {
            lines.append(carLine(*car));
        }
    }
    return writeRecordLines(path, lines);
}

QList<QStringList> carGridRows(const QList<CarRecord>& cars) {
    QList<QStringList> rows;
    for (const CarRecord& car : cars) {
        rows.append({car.name, car.owner, singleText(car.tankCapacity), singleText(car.economy)});
    }
    return paddedGridRows(rows, kColumns);
}

CarFileLoad loadCarFile(const QString& path, bool GridOnly) {
    const auto cars = readCarFile(path);
    const QList<CarRecord> records = cars.value_or(QList<CarRecord>{});
    CarFileLoad load;
    load.gridRows = carGridRows(records);
    if (!GridOnly) {
        load.cars = records;
    }
    load.readable = cars.has_value();
    return load;
}

}  // namespace kaltero::masterdata
