#include "timing/corrections.h"

#include "core/colours.h"
#include "core/console_context.h"
#include "core/number_text.h"
#include "platform/clock.h"
#include "platform/frame.h"
#include "platform/grid.h"
#include "platform/prompts.h"
#include "platform/udp_link.h"
#include "timing/run_control.h"
#include "timing/time_text.h"

#include <QLabel>
#include <QPushButton>

namespace kaltero::timing {

using core::kSlotCount;

namespace {
constexpr int kStopwatchMs = 99;
// Lap numbers travel with three digits; a larger count would also ask the grid for rows by
// the million, which the console does not survive.
constexpr qint32 kMaxLaps = 999;
}  // namespace

Corrections::Corrections(core::Console& console, RunControl& run) : c_(console), run_(run) {
    auto& ui = c_.ui;
    for (int s = 0; s < kSlotCount; ++s) {
        QObject::connect(ui.Btn_LapChg[s], &QPushButton::clicked,
                         [this, s] { Btn_LapChg_Click(s); });
        QObject::connect(ui.Btn_RunStop[s], &QPushButton::clicked,
                         [this, s] { Btn_RunStop_Click(s); });
        auto* laps = ui.Spd_Laps[s];
        QObject::connect(laps, &platform::Grid::gotFocus,
                         [this, s] { c_.hooks.CloseDriverPanel(s); });
        // The text a cell shows when the operator enters it is what an invalid edit gets back.
        QObject::connect(
            laps, &platform::Grid::leaveCell, [this, s](int, int, int newCol, int newRow, bool*) {
                c_.state.car[s].LapCellOld = c_.ui.Spd_Laps[s]->cellText(newCol, newRow);
            });
        QObject::connect(laps, &platform::Grid::cellChanged,
                         [this, s](int col, int row) { Spd_Laps_Change(s, col, row); });
    }
    QObject::connect(ui.Btn_OtherLap, &QPushButton::clicked, [this] { Btn_OtherLap_Click(); });
    ui.Time_OtherLap->onTimeout([this] { Time_OtherLap_Timer(); });
}

void Corrections::Btn_LapChg_Click(int s) {
    auto& ui = c_.ui;
    auto& car = c_.state.car[s];
    c_.hooks.CloseDriverPanel(s);
    const QString answer =
        c_.prompts.inputBox(QStringLiteral("今何周目ですか？"), QStringLiteral("Ｌａｐ修正"),
                            QString::number(car.LapCnt));
    const qint32 n = core::roundToInt32(core::leadingNumber(answer)).value_or(0);
    if (n == 0 || n == car.LapCnt) {
        return;
    }
    // A lap count below zero would leave the grid and the count out of step.
    if (n < 0 || n > kMaxLaps) {
        c_.prompts.beep();
        return;
    }
    if (n < car.LapCnt) {
        const QString question = u"測定された" + core::fullWidthDigits(n) +
                                 u"周値以降のＬＡＰ内容が削除されます。よろしいですか？";
        if (!c_.prompts.askYesNo(question, QStringLiteral("Ｌａｐ値確認"),
                                 platform::PromptIcon::Critical)) {
            return;
        }
    }
    car.LapCnt = n;
    ui.Lbl_LapCnt[s]->setText(QString::number(n) + u"周目");
    car.LapFlag = QStringLiteral("C");
    car.LapPending = true;
    auto* laps = ui.Spd_Laps[s];
    laps->setRowCount(n);
    laps->setCurrent(core::lap_grid::kTime, n);
    laps->activateCurrent();
}

void Corrections::Btn_RunStop_Click(int s) {
    auto& ui = c_.ui;
    c_.hooks.CloseDriverPanel(s);
    if (!c_.prompts.askYesNo(ui.Frm_Runner[s]->title() + u"の計測を中止しますか？",
                             QStringLiteral("Stop確認"), platform::PromptIcon::Critical)) {
        return;
    }
    ui.Time_Lap[s]->stop();
    ui.Time_Lap[s]->setInterval(0);
    ui.Winsock[s]->close();
    ui.Time_MessBlk[s]->stop();
    core::setBackground(ui.Lbl_InMess[s], core::kSetUpColour);
    ui.Btn_RunStop[s]->setEnabled(false);
    const bool anyRunning = std::any_of(ui.Btn_RunStop.begin(), ui.Btn_RunStop.end(),
                                        [](QPushButton* b) { return b->isEnabled(); });
    if (!anyRunning && c_.timing()) {
        c_.state.StopNoAsk = true;
        run_.Btn_Start_Click();
    } else {
        c_.state.StopNoAsk = false;
    }
}

void Corrections::Spd_Laps_Change(int s, int col, int row) {
    if (col != core::lap_grid::kTime) {
        return;
    }
    auto* laps = c_.ui.Spd_Laps[s];
    const auto ticks = ParseLapTime(laps->cellText(core::lap_grid::kTime, row), c_.settings);
    // Only a time that fits the tick counter is taken; anything else is refused like a typo.
    const auto whole = ticks ? core::roundToInt32(*ticks) : std::nullopt;
    if (whole) {
        laps->setCellText(core::lap_grid::kTicks, row, QString::number(*whole));
        // A later typo brings this entry back.
        c_.state.car[s].LapCellOld = laps->cellText(core::lap_grid::kTime, row);
        return;
    }
    c_.prompts.message(QStringLiteral("入力が不正です。"), {}, platform::PromptIcon::Critical);
    laps->setCellText(core::lap_grid::kTime, row, textBeforeEdit(s, row));
}

QString Corrections::textBeforeEdit(int s, int row) const {
    // The text saved when the cursor entered the cell can be out of date: the silence puts the
    // cursor on a new, empty lap row and the car's report fills that row in afterwards without
    // moving it. Column 4 always holds the lap as recorded; a saved text that does not read as
    // that lap gives way to the lap's own time text.
    const QString& saved = c_.state.car[s].LapCellOld;
    const QString recorded = c_.ui.Spd_Laps[s]->cellText(core::lap_grid::kTicks, row);
    if (recorded.isEmpty()) {
        return saved;
    }
    const auto ticks = core::roundToInt32(core::leadingNumber(recorded));
    const auto savedTicks = ParseLapTime(saved, c_.settings);
    if (!ticks || (savedTicks && core::roundToInt32(*savedTicks) == ticks)) {
        return saved;
    }
    return FormatLapTime(*ticks, c_.settings);
}

void Corrections::Btn_OtherLap_Click() {
    auto& ui = c_.ui;
    auto& st = c_.state;
    if (ui.Btn_OtherLap->text() == u"Start") {
        st.OtherStartTick = c_.TickCnt();
        ui.Time_OtherLap->setInterval(kStopwatchMs);
        ui.Time_OtherLap->start();
        ui.Btn_OtherLap->setText(QStringLiteral("Stop"));
        return;
    }
    st.OtherStopTick = c_.TickCnt();
    ui.Time_OtherLap->stop();
    ui.Btn_OtherLap->setText(QStringLiteral("Start"));
    ui.Lbl_OtherLap->setText(FormatLapTime(st.OtherStopTick - st.OtherStartTick, c_.settings));
}

void Corrections::Time_OtherLap_Timer() {
    c_.ui.Lbl_OtherLap->setText(FormatLapTime(c_.TickCnt() - c_.state.OtherStartTick, c_.settings));
}

}  // namespace kaltero::timing
