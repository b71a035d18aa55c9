#pragma once

#include <QList>
#include <QString>

#include "core/settings.h"

namespace kaltero::link {

// One data row of a car's lap grid, as far as the statistics read it.
struct LapRow {
    QString driver;  // column 2: driver when the lap was recorded
    QString ticks;   // column 4: lap time in ticks, as the cell holds it
};

// A car's figures after a recomputation, and the texts of its five figure labels.
struct LapStats {
    qint32 BestLapTicks = 0;  // kNoLapTicks when there is no lap
    qint32 BestLapNo = 0;
    QString BestLapTxt;
    qint32 AveLapTicks = 0;
    qint32 DrvBestLapTicks = 0;  // kNoLapTicks when the driver has no lap
    qint32 DrvBestLapNo = 0;
    qint32 DrvTotalTicks = 0;
    qint32 DrvLapCnt = 0;

    QString Lbl_BestLapTm;      // "12周目 1'23\"456" or "-"
    QString Lbl_AveLapTm;       // "1'23\"456" or "-"
    QString Lbl_YosoSyu;        // "あと7周"; the previous text when there is no average
    QString Lbl_DrvrBestLapTm;  // "1'23\"456-12L" or "-"
    QString Lbl_DrvrAveLapTm;   // "1'23\"456" or "-"
};

// Recomputes a car's figures from its whole lap grid (rows 1..n in order).
//
// Every lap cell is read by its leading number; a row whose cell is empty (counted but not yet
// timed) is no lap. The car's best is the earliest of the fastest laps, its average the sum
// over the timed laps truncated; the current driver's figures cover the rows carrying exactly that
// name, the driver average rounded half to even. Predicted laps = floor(RemainTicks / average).
//   laps 83000, 82500, 82500 -> best "2周目 1'22\"500", average 82666;
//   RemainTicks 600000 -> "あと7周", RemainTicks -5000 -> "あと-1周"
//
// Unlike a plain 32-bit tally, no grid content can overflow or divide by zero: cells are held to
// the 32-bit range, sums are kept wide and figures clamped to 32 bits, and the predicted laps keep
// the previous text whenever the average is 0 (not only when the sum is).
LapStats UpdateLapStats(const QList<LapRow>& rows, const QString& driver, qint32 RemainTicks,
                        const QString& Lbl_YosoSyu, const core::Settings& settings);

}  // namespace kaltero::link
