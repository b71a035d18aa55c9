#include "console/standings_view.h"

#include "console/window_context.h"
#include "model/race_model.h"
#include "timing/time_text.h"

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
        const core::StandingsRow& row = rows[r];
        ui.Lbl_Sort_No[r]->setText(row.carName);
        ui.Lbl_Sort_LAP[r]->setText(QString::number(row.lap));
        ui.Lbl_BestTime[r]->setText(
            row.bestTicks ? timing::FormatLapTime(*row.bestTicks, c_.settings) : QString());
        ui.Lbl_BestLAP[r]->setText(QString::number(row.bestLap));
    }
}

}  // namespace kaltero::console
