#include "console/standings_view.h"

#include "core/console_context.h"
#include "widgets/controls.h"

#include <QLabel>

namespace kaltero::console {

StandingsView::StandingsView(core::Console& console, widgets::Controls& ui)
    : c_(console), ui_(ui), standings_(console.race, console.settings) {
    QObject::connect(&standings_, &QAbstractItemModel::modelReset, [this] { show(); });
}

void StandingsView::show() {
    auto& ui = ui_;
    const auto text = [this](int row, int column) {
        return standings_.index(row, column).data().toString();
    };
    for (int r = 0; r < standings_.rowCount() && r < core::kSlotCount; ++r) {
        ui.Lbl_Sort_No[r]->setText(text(r, StandingsModel::kCarName));
        ui.Lbl_Sort_LAP[r]->setText(text(r, StandingsModel::kLap));
        ui.Lbl_BestTime[r]->setText(text(r, StandingsModel::kBestTime));
        ui.Lbl_BestLAP[r]->setText(text(r, StandingsModel::kBestLap));
    }
}

}  // namespace kaltero::console
