#pragma once

#include "console/rules_table.h"

#include <QWidget>

class QTableView;

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// The rules in force, in the pit-wall window: the settings panel is closed while timing, and a
// rule found wrong during a race is corrected here. 規定変更 puts the rules in force at once
// (the race journals them, the page shows them) and keeps them for the next Start.
class PitWallRules final : public QWidget {
    Q_OBJECT

public:
    PitWallRules(core::Console& console, QWidget* parent);

private:
    void setRules();

    core::Console& c_;
    RulesTableModel rules_;
    QTableView* table_ = nullptr;
};

}  // namespace kaltero::console
