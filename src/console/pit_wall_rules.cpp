#include "console/pit_wall_rules.h"

#include "core/console_context.h"
#include "core/settings.h"
#include "platform/prompts.h"
#include "widgets/widget_build.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kaltero::console {

using namespace Qt::StringLiterals;

PitWallRules::PitWallRules(core::Console& console, QWidget* parent)
    : QWidget(parent), c_(console), rules_(console.race, this) {
    table_ = widgets::named(new QTableView(this), u"Tbl_Rules"_s);
    table_->setModel(&rules_);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->resizeColumnToContents(RulesTableModel::kLabel);
    auto* set = widgets::button(u"規定変更"_s, this, u"Btn_RulesSet"_s);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(set);
    buttons->addStretch();
    col->addLayout(buttons);
    connect(set, &QPushButton::clicked, this, [this] { setRules(); });
}

void PitWallRules::setRules() {
    if (const auto refusal = rules_.apply()) {
        c_.prompts.message(refusal->reason, {}, platform::PromptIcon::None);
        table_->setCurrentIndex(rules_.index(refusal->row, RulesTableModel::kValue));
        return;
    }
    // The next Start takes the rules from the settings: the correction holds for it too.
    c_.settings.rules = c_.state.rules;
    WriteAllSettings(c_.settings, c_.paths.SettingsFile);
}

}  // namespace kaltero::console
