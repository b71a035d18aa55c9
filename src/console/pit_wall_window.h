#pragma once

#include <QList>
#include <QStandardItemModel>
#include <QWidget>
#include <optional>
#include <utility>

class QTableView;

namespace kaltero::console {

struct WindowContext;

// 「ピットウォール」: the stints, the drivers against the limits and the pit stops of every car
// taking part, read-only tables redrawn at every change of the race and every clock second.
// Under the stops: 追加 / 修正 / 削除, the operator's entries and corrections of stops; then the
// laps and stops to check.
class PitWallWindow final : public QWidget {
    Q_OBJECT

public:
    PitWallWindow(WindowContext& console, QWidget* parent);

    void redraw();
    // The stop in the stop table's current row: slot and index in the car's stops.
    std::optional<std::pair<int, int>> currentStop() const;

    static constexpr int kStintColumns = 5;
    static constexpr int kDriverColumns = 6;
    static constexpr int kStopColumns = 6;
    static constexpr int kCheckColumns = 4;

private:
    void addStop();
    void correctStop();
    void removeStop();

    WindowContext& c_;
    QStandardItemModel stints_{0, kStintColumns};
    QStandardItemModel drivers_{0, kDriverColumns};
    QStandardItemModel stops_{0, kStopColumns};
    // Laps and stops to check (要確認): what the pit's network may have made of them.
    QStandardItemModel checks_{0, kCheckColumns};
    QTableView* stopView_ = nullptr;
    // The stop shown in each row of the stop table.
    QList<std::pair<int, int>> stopRows_;
};

}  // namespace kaltero::console
