#include "console/settings_panel.h"

#include "console/settings_rows.h"
#include "core/console_context.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "widgets/editor_dialog.h"

namespace kaltero::console {

using namespace core;
using widgets::EditorColumn;
using widgets::EditorDialog;
using widgets::EditorTable;

namespace {

// The labels, then the values: the cursor rests only on the values.
constexpr int kValueColumn = 1;

QList<EditorColumn> columns() {
    widgets::CellFormat label;
    label.locked = true;
    return {{QStringLiteral("項目"), label, 36}, {QStringLiteral("設定値"), {}, 40}};
}

}  // namespace

SettingsPanel::SettingsPanel(core::Console& console, QWidget* window)
    : c_(console),
      dialog_(new EditorDialog(QStringLiteral("環境設定"),
                               {QStringLiteral("Frm_Mess"), QStringLiteral("Spd_Mess"),
                                QStringLiteral("Btn_MessOk"), QStringLiteral("Btn_MessCancel")},
                               columns(), window)) {
    layOut();
    dialog_->resize(760, 460);
    connect(dialog_, &EditorDialog::confirmed, this, &SettingsPanel::confirmMessageSettings);
}

void SettingsPanel::layOut() {
    EditorTable* table = dialog_->table();
    QList<QStringList> rows;
    for (const QString& label : settingsRowLabels()) {
        rows.append({label, QString()});
    }
    table->setRows(rows);
    table->setCellFormat(
        0, kValueColumn,
        widgets::choiceFormat({QStringLiteral("1/100"), QStringLiteral("1/1000")}));
    table->setCellFormat(1, kValueColumn, widgets::integerFormat(1, 99));
    // The rules' counts: whole numbers, 0 for a rule not used.
    for (const core::RuleRow& row : core::ruleRows()) {
        if (row.count) {
            table->setCellFormat(row.panelRow - 1, kValueColumn,
                                 widgets::integerFormat(0, row.most));
        }
    }
}

void SettingsPanel::openMessageSettings() {
    EditorTable* table = dialog_->table();
    const Settings& s = c_.settings;
    const auto show = [table](int row, const QString& text) {
        table->setText(row - 1, kValueColumn, text);
    };
    show(1, s.Precision);
    show(2, QString::number(s.NoCommSeconds));
    show(3, s.AutoMess3);
    show(4, s.AutoMess2);
    show(5, s.AutoMess1);
    show(6, s.AutoMess0);
    show(7, QString::number(s.CheckDefaultLaps));
    for (const core::RuleRow& row : core::ruleRows()) {
        show(row.panelRow, row.count ? QString::number(s.rules.*row.count) : s.rules.*row.text);
    }
    dialog_->openCentred();
    dialog_->showCell(0, kValueColumn);
}

void SettingsPanel::confirmMessageSettings() {
    PanelRows rows;
    for (int row = 0; row < kPanelRowCount; ++row) {
        rows[row] = dialog_->table()->text(row, kValueColumn);
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
        dialog_->showCell(entry.badRow - 1, kValueColumn);
        return;
    }
    WriteAllSettings(c_.settings, c_.paths.SettingsFile);
    // The rules hold for the race from now on (and for the next Start).
    c_.race.setRules(c_.settings.rules);
    dialog_->accept();
    Q_EMIT saved();
}

}  // namespace kaltero::console
