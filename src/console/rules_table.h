#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <optional>

namespace kaltero::model {
class RaceModel;
struct Change;
}  // namespace kaltero::model

namespace kaltero::console {

// The rules as the pit-wall window corrects them during a race: a row per rule, its label and
// its value. A value typed in waits for apply() (規定変更), which checks the values together and
// puts them in force through the race's operation. Rules set or started anew replace what was
// typed.
class RulesTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kLabel, kValue, kColumnCount };

    // A value apply() refused: its row and what the operator is told.
    struct Refusal {
        int row = 0;
        QString reason;
    };

    explicit RulesTableModel(model::RaceModel& race, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes the operator's text for a value as typed.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Puts the values typed in force, or refuses the first wrong one and changes nothing.
    std::optional<Refusal> apply();

private:
    // The rules in force, in place of anything typed.
    void showRules();

    model::RaceModel& race_;
    QStringList typed_;
};

}  // namespace kaltero::console
