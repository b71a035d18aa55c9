#pragma once

#include "console/pit_wall_tables.h"
#include "core/slot_state.h"

#include <QList>
#include <QWidget>
#include <array>
#include <optional>
#include <utility>

class QTableView;

namespace kaltero::core {
struct Console;
}
namespace kaltero::engine {
class RaceEngine;
}

namespace kaltero::console {

// 「ピットウォール」: each car's latest lap to pit, the stints, every driver who may drive a car
// against the limits and the pit stops of every car taking part, read-only tables redrawn at
// every change of the race and every clock second. Under the stops: 追加 / 修正 / 削除, the
// operator's entries and corrections of stops, which keep to the stop chosen whatever rows
// come before it; then the laps and stops to check; beside the tables the rules, correctable
// during the race.
class PitWallWindow final : public QWidget {
    Q_OBJECT

public:
    PitWallWindow(core::Console& console, engine::RaceEngine& raceEngine, QWidget* parent);

    void redraw();
    // The stop in the stop table's current row: slot and index in the car's stops.
    std::optional<std::pair<int, int>> currentStop() const;

private:
    void addStop();
    void correctStop();
    void removeStop();
    // The operator's stop for the car, in place of `replacing` (none: a new one): taken, or
    // refused with the reason.
    std::optional<QString> takeStop(int slot, const std::optional<core::PitStop>& replacing,
                                    const core::PitStop& stop);

    core::Console& c_;
    // By WallTable; the laps and stops to check are what the pit's network may have made of them.
    std::array<WallTableModel*, kWallTableCount> tables_{};
    QTableView* stopView_ = nullptr;
    // The stop shown in each row of the stop table.
    QList<StopRow> stopRows_;
};

}  // namespace kaltero::console
