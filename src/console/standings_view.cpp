#include "console/standings_view.h"

#include "console/window_context.h"
#include "model/race_model.h"

#include <QLabel>

namespace kaltero::console {

StandingsView::StandingsView(WindowContext& console) : c_(console) {
    QObject::connect(&c_.race, &model::RaceModel::changed, [this](const model::Change& change) {
        if (change.op == model::Op::StandingsUpdated) {
            show();
        }
    });
}

void StandingsView::show() {
    auto& ui = c_.ui;
    const auto& rows = c_.state.standings;
    for (int r = 0; r < rows.size() && r < core::kSlotCount; ++r) {
        ui.Lbl_Sort_No[r]->setText(rows[r].carName);
        ui.Lbl_Sort_LAP[r]->setText(rows[r].lap);
        ui.Lbl_BestTime[r]->setText(rows[r].bestTime);
        ui.Lbl_BestLAP[r]->setText(rows[r].bestLap);
    }
}

}  // namespace kaltero::console
