#include "console/car_view.h"

#include "console/race_tables.h"
#include "core/console_context.h"
#include "link/figure_text.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "widgets/lap_grid.h"

#include <QLabel>

namespace kaltero::console {

using core::lap_grid::kTime;

CarView::CarView(core::Console& console, const widgets::PerCar<widgets::CarPanel*>& cars)
    : c_(console), cars_(cars) {
    // The models follow the race before the cursor moves, so the lap's row is there.
    for (int s = 0; s < core::kSlotCount; ++s) {
        laps_[s] = std::make_unique<LapTableModel>(c_.race, s, c_.settings);
        auto* grid = cars_[s]->Spd_Laps;
        grid->setModel(laps_[s].get());
        QObject::connect(grid, &widgets::LapGrid::gotFocus,
                         [this, s] { cars_[s]->closeDriverPanel(); });
        // The race keeps the lap as it was, and the grid shows it so.
        QObject::connect(grid, &widgets::LapGrid::editRefused, [this](int col, int /*row*/) {
            if (col == core::lap_grid::kTime) {
                c_.prompts.message(QStringLiteral("入力が不正です。"), {},
                                   platform::PromptIcon::Critical);
            }
        });
    }
    QObject::connect(&c_.race, &model::RaceModel::changed,
                     [this](const model::Change& change) { show(change); });
}

void CarView::show(const model::Change& change) {
    const int s = change.slot;
    switch (change.op) {
        case model::Op::Started:
            for (int t : c_.race.takingPart()) {
                cars_[t]->Lbl_LapCnt->setText(QStringLiteral("1周目"));
                showFigures(t);
            }
            break;
        case model::Op::LapCounted:
            moveTo(s, 1, change.lap);
            break;
        case model::Op::LapRecorded:
            moveTo(s, kTime, change.lap);
            showFigures(s);
            cars_[s]->Lbl_LapCnt->setText(QString::number(qint64(change.lap) + 1) + u"周目");
            break;
        case model::Op::LapCorrected:
            cars_[s]->Lbl_LapCnt->setText(QString::number(change.lap) + u"周目");
            moveTo(s, kTime, change.lap);
            break;
        case model::Op::LapsMerged:
        case model::Op::LapSplit:
        case model::Op::LapRepairUndone: {
            // The lap being driven: the one after the last recorded, or the one counted.
            const core::CarSlot& car = c_.state.car[s];
            const bool recorded = !car.laps.isEmpty() && car.laps.last().timed;
            cars_[s]->Lbl_LapCnt->setText(QString::number(qint64(car.LapCnt) + (recorded ? 1 : 0)) +
                                          u"周目");
            showFigures(s);
            moveTo(s, kTime, change.lap);
            break;
        }
        default:
            break;
    }
}

// A grid whose model goes shows nothing more.
CarView::~CarView() = default;

void CarView::showFigures(int s) {
    const link::CarFigureTexts texts = link::carFigureTexts(c_.state.car[s], c_.settings);
    cars_[s]->Lbl_BestLapTm->setText(texts.best);
    cars_[s]->Lbl_AveLapTm->setText(texts.average);
    cars_[s]->Lbl_YosoSyu->setText(texts.predicted);
    cars_[s]->Lbl_DrvrBestLapTm->setText(texts.driverBest);
    cars_[s]->Lbl_DrvrAveLapTm->setText(texts.driverAverage);
}

void CarView::moveTo(int s, int col, int lapNo) {
    auto* grid = cars_[s]->Spd_Laps;
    grid->setCurrent(col, lapNo);
    grid->activateCurrent();
}

}  // namespace kaltero::console
