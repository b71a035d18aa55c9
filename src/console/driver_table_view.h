#pragma once

#include "console/race_tables.h"

#include <QTableView>

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// One car's driver table "Spd_DriverInfo_N" in its driver panel: a row per driver chosen for
// the car, with the figures of the laps the driver drove, drawn from the driver table model.
class DriverTableView final : public QTableView {
    Q_OBJECT

public:
    DriverTableView(core::Console& console, int slot, QWidget* parent);

private:
    DriverTableModel drivers_;
};

}  // namespace kaltero::console
