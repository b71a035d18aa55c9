#include "console/pit_wall_rules.h"

#include "console/settings_rows.h"
#include "core/console_context.h"
#include "core/settings.h"
#include "model/race_model.h"
#include "platform/prompts.h"
#include "widgets/widget_build.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kaltero::console {

using namespace Qt::StringLiterals;

namespace {

constexpr int kValueColumn = 1;

QString ruleText(const core::RaceRules& rules, const core::RuleRow& row) {
    return row.count ? QString::number(rules.*row.count) : rules.*row.text;
}

}  // namespace

PitWallRules::PitWallRules(core::Console& console, QWidget* parent) : QWidget(parent), c_(console) {
    const auto& rows = core::ruleRows();
    table_ = widgets::named(new QTableWidget(int(rows.size()), 2, this), u"Tbl_Rules"_s);
    table_->setHorizontalHeaderLabels({u"項目"_s, u"設定値"_s});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < int(rows.size()); ++r) {
        auto* label = new QTableWidgetItem(settingsRowLabel(rows[r].panelRow));
        label->setFlags(label->flags() & ~Qt::ItemIsEditable);
        table_->setItem(r, 0, label);
        table_->setItem(r, kValueColumn, new QTableWidgetItem);
    }
    table_->resizeColumnToContents(0);
    auto* set = widgets::button(u"規定変更"_s, this, u"Btn_RulesSet"_s);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(set);
    buttons->addStretch();
    col->addLayout(buttons);
    connect(set, &QPushButton::clicked, this, [this] { setRules(); });
    connect(&c_.race, &model::RaceModel::changed, this, [this](const model::Change& change) {
        if (change.op == model::Op::RulesSet || change.op == model::Op::Started) {
            showRules();
        }
    });
    showRules();
}

void PitWallRules::showRules() {
    const auto& rows = core::ruleRows();
    for (int r = 0; r < int(rows.size()); ++r) {
        table_->item(r, kValueColumn)->setText(ruleText(c_.state.rules, rows[r]));
    }
}

void PitWallRules::setRules() {
    const auto& rows = core::ruleRows();
    core::PanelRows typed;
    for (int r = 0; r < int(rows.size()); ++r) {
        typed[std::size_t(rows[r].panelRow - 1)] = table_->item(r, kValueColumn)->text();
    }
    const core::RulesEntry entry = core::rulesFromRows(c_.state.rules, typed);
    if (entry.badRow != 0) {
        c_.prompts.message(settingsRefusal(entry.badRow), {}, platform::PromptIcon::None);
        for (int r = 0; r < int(rows.size()); ++r) {
            if (rows[r].panelRow == entry.badRow) {
                table_->setCurrentCell(r, kValueColumn);
            }
        }
        return;
    }
    c_.race.setRules(entry.rules);
    // The next Start takes the rules from the settings: the correction holds for it too.
    c_.settings.rules = entry.rules;
    WriteAllSettings(c_.settings, c_.paths.SettingsFile);
    showRules();
}

}  // namespace kaltero::console
