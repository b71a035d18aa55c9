#include "console/car_view.h"

#include "console/window_context.h"
#include "link/figure_text.h"
#include "model/race_model.h"
#include "widgets/grid.h"

#include <QLabel>

namespace kaltero::console {

using core::lap_grid::kDriver;
using core::lap_grid::kLog;
using core::lap_grid::kRemarks;
using core::lap_grid::kTicks;
using core::lap_grid::kTime;

CarView::CarView(WindowContext& console) : c_(console) {
    QObject::connect(&c_.race, &model::RaceModel::changed,
                     [this](const model::Change& change) { show(change); });
}

void CarView::show(const model::Change& change) {
    auto& ui = c_.ui;
    const int s = change.slot;
    switch (change.op) {
        case model::Op::Started:
            for (int t : c_.race.takingPart()) {
                ui.Car[t]->Lbl_LapCnt->setText(QStringLiteral("1周目"));
                ui.Car[t]->Spd_Laps->setRowCount(0);
                showFigures(t);
            }
            break;
        case model::Op::LapCounted:
            ui.Car[s]->Spd_Laps->setRowCount(c_.state.car[s].LapCnt);
            moveTo(s, 1, change.lap);
            break;
        case model::Op::LapRecorded:
            showLap(s, change.lap);
            moveTo(s, kTime, change.lap);
            showFigures(s);
            ui.Car[s]->Lbl_LapCnt->setText(QString::number(qint64(change.lap) + 1) + u"周目");
            break;
        case model::Op::LapCorrected:
            ui.Car[s]->Lbl_LapCnt->setText(QString::number(change.lap) + u"周目");
            ui.Car[s]->Spd_Laps->setRowCount(change.lap);
            moveTo(s, kTime, change.lap);
            break;
        case model::Op::LapTimeEdited:
        case model::Op::LapDriverEdited:
        case model::Op::LapRemarksEdited:
            showLap(s, change.lap);
            break;
        default:
            break;
    }
}

void CarView::showLap(int s, int lapNo) {
    auto* grid = c_.ui.Car[s]->Spd_Laps;
    const core::Lap lap = c_.state.car[s].laps.value(lapNo - 1);
    // The grid always holds the counted laps; make sure the row exists before writing it.
    if (grid->rowCount() < lapNo) {
        grid->setRowCount(lapNo);
    }
    grid->setCellText(kTime, lapNo, lap.timeText);
    grid->setCellText(kDriver, lapNo, lap.driver);
    grid->setCellText(kRemarks, lapNo, lap.remarks);
    grid->setCellText(kTicks, lapNo, lap.timed ? QString::number(lap.ticks) : QString());
    grid->setCellText(kLog, lapNo, lap.log);
}

void CarView::showFigures(int s) {
    auto& ui = c_.ui;
    const link::CarFigureTexts texts = link::carFigureTexts(c_.state.car[s], c_.settings);
    ui.Car[s]->Lbl_BestLapTm->setText(texts.best);
    ui.Car[s]->Lbl_AveLapTm->setText(texts.average);
    ui.Car[s]->Lbl_YosoSyu->setText(texts.predicted);
    ui.Car[s]->Lbl_DrvrBestLapTm->setText(texts.driverBest);
    ui.Car[s]->Lbl_DrvrAveLapTm->setText(texts.driverAverage);
}

void CarView::moveTo(int s, int col, int lapNo) {
    auto* grid = c_.ui.Car[s]->Spd_Laps;
    grid->setCurrent(col, lapNo);
    grid->activateCurrent();
}

}  // namespace kaltero::console
