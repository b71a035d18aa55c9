#include "console/settings_panel.h"

#include "console/settings_rows.h"
#include "core/console_context.h"
#include "core/number_text.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "timing/time_text.h"
#include "widgets/controls.h"
#include "widgets/frame.h"
#include "widgets/grid.h"

#include <QLabel>
#include <QPushButton>

namespace kaltero::console {

using namespace core;

namespace {
constexpr int kValueColumn = 2;

}  // namespace

SettingsPanel::SettingsPanel(core::Console& console, widgets::Controls& ui) : c_(console), ui_(ui) {
    QObject::connect(ui.Btn_Mess, &QPushButton::clicked, [this] { openMessageSettings(); });
    QObject::connect(ui.Btn_MessOk, &QPushButton::clicked, [this] { confirmMessageSettings(); });
    QObject::connect(ui.Btn_MessCancel, &QPushButton::clicked, [this] { cancelMessageSettings(); });
    // Only the values are edited: the cursor never rests on the labels.
    QObject::connect(ui.Spd_Mess, &widgets::Grid::leaveCell,
                     [](int, int, int newCol, int, bool* cancel) {
                         if (newCol != kValueColumn) {
                             *cancel = true;
                         }
                     });
}

void SettingsPanel::layOut() {
    auto* grid = ui_.Spd_Mess;
    grid->setColumnCount(2);
    grid->setRowCount(kPanelRowCount);
    grid->setHeader(1, QStringLiteral("項目"));
    grid->setHeader(2, QStringLiteral("設定値"));
    const QStringList& labels = settingsRowLabels();
    for (int row = 1; row <= labels.size(); ++row) {
        grid->setCellText(1, row, labels[row - 1]);
    }
    grid->setColumnLocked(1, true);
    grid->setColumnText(kValueColumn);
    widgets::Grid::CellFormat precision;
    precision.kind = widgets::Grid::CellKind::Choice;
    precision.items = {QStringLiteral("1/100"), QStringLiteral("1/1000")};
    grid->setCellFormat(kValueColumn, 1, precision);
    widgets::Grid::CellFormat seconds;
    seconds.kind = widgets::Grid::CellKind::Integer;
    seconds.minimum = 1;
    seconds.maximum = 99;
    grid->setCellFormat(kValueColumn, 2, seconds);
    // The rules' counts: whole numbers, 0 for a rule not used.
    widgets::Grid::CellFormat count;
    count.kind = widgets::Grid::CellKind::Integer;
    count.minimum = 0;
    count.maximum = 99999;
    for (const core::RuleRow& row : core::ruleRows()) {
        if (row.count) {
            count.maximum = row.most;
            grid->setCellFormat(kValueColumn, row.panelRow, count);
        }
    }
    grid->setColumnWidthChars(1, 36);
    grid->setColumnWidthChars(2, 40);
}

void SettingsPanel::openMessageSettings() {
    auto& ui = ui_;
    auto* grid = ui.Spd_Mess;
    const Settings& s = c_.settings;
    grid->setCellText(kValueColumn, 2, QString::number(s.NoCommSeconds));
    grid->setCellText(kValueColumn, 3, s.AutoMess3);
    grid->setCellText(kValueColumn, 4, s.AutoMess2);
    grid->setCellText(kValueColumn, 5, s.AutoMess1);
    grid->setCellText(kValueColumn, 6, s.AutoMess0);
    grid->setCellText(kValueColumn, 7, QString::number(s.CheckDefaultLaps));
    for (const core::RuleRow& row : core::ruleRows()) {
        grid->setCellText(kValueColumn, row.panelRow,
                          row.count ? QString::number(s.rules.*row.count) : s.rules.*row.text);
    }
    grid->setCellText(kValueColumn, 1, s.Precision);
    grid->setCurrent(kValueColumn, 1);
    grid->activateCurrent();

    QWidget* panel = ui.Frm_Mess;
    panel->move((ui.Main->width() - panel->width()) / 2, (ui.Main->height() - panel->height()) / 2);
    panel->show();
    panel->raise();
    for (auto* frame : ui.Car) {
        frame->setEnabled(false);
    }
    ui.Frm_Main->setEnabled(false);
    grid->setFocus();
}

void SettingsPanel::confirmMessageSettings() {
    auto& ui = ui_;
    auto* grid = ui.Spd_Mess;
    PanelRows rows;
    for (int row = 1; row <= kPanelRowCount; ++row) {
        rows[row - 1] = grid->cellText(kValueColumn, row);
    }
    const PanelResult entry = settingsFromPanel(c_.settings, rows);
    // The precision of row 1 is taken at once, even when the seconds are refused.
    c_.settings = entry.settings;
    // A race being timed keeps its units; the precision set takes effect at the next Start.
    if (c_.race.timing() && c_.state.TicksPerSecond > 0) {
        c_.settings.timeAt(c_.state.TicksPerSecond);
    }
    if (!entry.ok) {
        c_.prompts.message(settingsRefusal(entry.badRow), {}, platform::PromptIcon::None);
        grid->setCurrent(kValueColumn, entry.badRow);
        grid->activateCurrent();
        grid->setFocus();
        return;
    }
    WriteAllSettings(c_.settings, c_.paths.SettingsFile);
    // The rules hold for the race from now on (and for the next Start).
    c_.race.setRules(c_.settings.rules);
    ui.Frm_Mess->hide();
    for (int s = 0; s < kSlotCount; ++s) {
        ui.Car[s]->setEnabled(true);
        ui.Car[s]->Lbl_Time->setText(timing::FormatLapTime(0, c_.settings));
    }
    ui.Frm_Main->setEnabled(true);
}

void SettingsPanel::cancelMessageSettings() {
    close();
}

void SettingsPanel::close() {
    auto& ui = ui_;
    ui.Frm_Mess->hide();
    for (auto* frame : ui.Car) {
        frame->setEnabled(true);
    }
    ui.Frm_Main->setEnabled(true);
}

}  // namespace kaltero::console
