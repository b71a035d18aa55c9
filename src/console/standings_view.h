#pragma once

#include "console/race_tables.h"

#include <QTableView>

namespace kaltero::core {
struct Console;
}

namespace kaltero::model {
struct Change;
}

namespace kaltero::console {

// The standings board "Spd_Standings" (走行車輌状況): a position per car taking part in the
// race, five before the first Start, drawn from the standings model as the race ranks its cars.
// It looks as the board of captions it stands for: no grid, no frame, no focus, nothing to edit.
class StandingsView final : public QTableView {
    Q_OBJECT

public:
    StandingsView(core::Console& console, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void follow(const model::Change& change);

    const core::Console& c_;
    StandingsModel standings_;
};

}  // namespace kaltero::console
