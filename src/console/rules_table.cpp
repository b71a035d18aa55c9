#include "console/rules_table.h"

#include "console/settings_rows.h"
#include "core/settings.h"
#include "model/race_model.h"

#include <algorithm>

namespace kaltero::console {

using namespace Qt::StringLiterals;

namespace {

QString ruleText(const core::RaceRules& rules, const core::RuleRow& row) {
    return row.count ? QString::number(rules.*row.count) : rules.*row.text;
}

}  // namespace

RulesTableModel::RulesTableModel(model::RaceModel& race, QObject* parent)
    : QAbstractTableModel(parent), race_(race) {
    showRules();
    connect(&race_, &model::RaceModel::changed, this, [this](const model::Change& change) {
        if (change.op == model::Op::RulesSet || change.op == model::Op::Started) {
            showRules();
        }
    });
}

int RulesTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(core::ruleRows().size());
}

int RulesTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant RulesTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return index.column() == kLabel
               ? settingsRowLabel(core::ruleRows()[std::size_t(index.row())].panelRow)
               : typed_.value(index.row());
}

QVariant RulesTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    return section == kLabel ? u"項目"_s : u"設定値"_s;
}

Qt::ItemFlags RulesTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    const Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    return index.column() == kValue ? f | Qt::ItemIsEditable : f;
}

bool RulesTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        index.column() != kValue) {
        return false;
    }
    typed_[index.row()] = value.toString();
    Q_EMIT dataChanged(index, index);
    return true;
}

std::optional<RulesTableModel::Refusal> RulesTableModel::apply() {
    const auto& rows = core::ruleRows();
    core::PanelRows panel;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        panel[std::size_t(rows[r].panelRow - 1)] = typed_.value(int(r));
    }
    const core::RulesEntry entry = core::rulesFromRows(race_.state().rules, panel);
    if (entry.badRow != 0) {
        const auto bad = std::find_if(rows.begin(), rows.end(), [&entry](const core::RuleRow& row) {
            return row.panelRow == entry.badRow;
        });
        return Refusal{int(bad - rows.begin()), settingsRefusal(entry.badRow)};
    }
    race_.setRules(entry.rules);
    showRules();  // as the race holds them, whatever way they were typed
    return std::nullopt;
}

void RulesTableModel::showRules() {
    typed_.clear();
    for (const core::RuleRow& row : core::ruleRows()) {
        typed_.append(ruleText(race_.state().rules, row));
    }
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0, kValue), index(rowCount() - 1, kValue));
    }
}

}  // namespace kaltero::console
