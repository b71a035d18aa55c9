#pragma once

#include "core/slot_state.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>

namespace kaltero::core {
struct Settings;
}

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::console {

// One row of a pit-wall table: its cells' texts and the colour of its last cell (a mark).
struct WallRow {
    QStringList cells;
    std::optional<QColor> mark = std::nullopt;
    bool operator==(const WallRow&) const = default;
};

// A read-only table of the pit-wall window as last worked out from the race. Rows that stay are
// told of as changed, not replaced, so the operator's current row stays where it was; the mark
// is the last cell's background.
class WallTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    WallTableModel(const QStringList& heads, QObject* parent = nullptr);

    void show(const QList<WallRow>& rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const QStringList heads_;
    QList<WallRow> rows_;
};

// The stop a row of the stop table shows: its car and the stop.
using StopRow = std::pair<int, core::PitStop>;

// The tables of the pit-wall window, top down: each car's latest lap to pit, the stints, the
// drivers against the limits, the stops and the laps and stops to check (要確認).
enum WallTable { kCars, kStints, kDrivers, kStops, kChecks, kWallTableCount };
// A table's column headings.
QStringList wallHeads(WallTable table);

// Every table of the pit-wall window as the race stands at tick `now`, cars in slot order, and
// the stop each row of the stop table shows.
struct PitWallTables {
    std::array<QList<WallRow>, kWallTableCount> rows;
    QList<StopRow> stopRows;
};
PitWallTables pitWallTables(const model::RaceModel& race, const core::Settings& settings,
                            qint32 now);

}  // namespace kaltero::console
