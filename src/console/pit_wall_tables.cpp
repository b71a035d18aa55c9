#include "console/pit_wall_tables.h"

#include "core/settings.h"
#include "model/race_model.h"
#include "timing/lap_check.h"
#include "timing/pit_wall_text.h"
#include "timing/time_text.h"
#include "widgets/colours.h"

#include <algorithm>

namespace kaltero::console {

using namespace Qt::StringLiterals;
using timing::Alert;

WallTableModel::WallTableModel(const QStringList& heads, QObject* parent)
    : QAbstractTableModel(parent), heads_(heads) {}

void WallTableModel::show(const QList<WallRow>& rows) {
    const int stay = int(std::min(rows.size(), rows_.size()));
    if (rows.size() < rows_.size()) {
        beginRemoveRows({}, stay, int(rows_.size()) - 1);
        rows_.resize(stay);
        endRemoveRows();
    }
    for (int r = 0; r < stay; ++r) {
        if (rows_[r] != rows[r]) {
            rows_[r] = rows[r];
            Q_EMIT dataChanged(index(r, 0), index(r, columnCount() - 1));
        }
    }
    if (rows.size() > rows_.size()) {
        beginInsertRows({}, stay, int(rows.size()) - 1);
        rows_.append(rows.mid(stay));
        endInsertRows();
    }
}

int WallTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int WallTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(heads_.size());
}

QVariant WallTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const WallRow& row = rows_[index.row()];
    if (role == Qt::DisplayRole) {
        return row.cells.value(index.column());
    }
    if (role == Qt::BackgroundRole && row.mark && index.column() == columnCount() - 1) {
        return *row.mark;
    }
    return {};
}

QVariant WallTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    return heads_.value(section);
}

Qt::ItemFlags WallTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

namespace {

// What a car adds to the tables; a lap the console was down in adds nothing to a time, so a
// time is shown as what is known of it.
class CarTables {
public:
    CarTables(int slot, const core::RaceState& race, const core::Settings& units, qint32 now)
        : slot_(slot),
          car_(race.car[slot]),
          race_(race),
          units_(units),
          tps_(units.TicksPerSecond),
          caption_(core::carCaption(slot)),
          wall_(timing::carWall(car_, race, tps_, now)),
          rules_(timing::ruleTicks(race.rules, tps_)) {}

    void addTo(PitWallTables& tables) const;

private:
    QString time(qint64 ticks, bool unknown = false) const {
        return timing::wallTime(ticks, tps_) + (unknown ? u"+不明"_s : QString());
    }
    // Race time from the start, as the stop dialog takes it.
    QString raceTime(qint32 tick) const { return timing::FormatHMS(tick / std::max(tps_, 1)); }
    WallRow carRow() const;
    WallRow driverRow(const timing::DriverWall& d) const;
    WallRow stopRow(const core::PitStop& stop) const;

    const int slot_;
    const core::CarSlot& car_;
    const core::RaceState& race_;
    const core::Settings& units_;
    const qint32 tps_;
    const QString caption_;
    const timing::CarWall wall_;
    const timing::RuleTicks rules_;
};

QString driverMarks(const timing::DriverWall& d) {
    QStringList marks;
    if (d.maxAlert == Alert::Passed) {
        marks.append(u"上限超過"_s);
    } else if (d.maxAlert == Alert::Near) {
        marks.append(u"上限間近"_s);
    }
    if (d.missesMinimum) {
        marks.append(u"最小未達"_s);
    }
    return marks.join(u' ');
}

WallRow CarTables::carRow() const {
    WallRow row{{caption_, timing::latestPitText(wall_),
                 QString::number(wall_.pitStops) + u'/' + QString::number(race_.rules.MinPitStops) +
                     u"回"_s,
                 wall_.stopsOutOfReach ? u"最少ピット未達"_s : QString()}};
    if (wall_.stopsOutOfReach) {
        row.mark = widgets::kPastLimit;
    }
    return row;
}

WallRow CarTables::driverRow(const timing::DriverWall& d) const {
    WallRow row{{caption_, d.time.driver, time(d.time.ticks, d.time.unknownTime),
                 QString::number(d.time.laps), QString::number(d.time.stints), driverMarks(d)}};
    if (d.maxAlert == Alert::Passed || d.missesMinimum) {
        row.mark = widgets::kPastLimit;
    } else if (d.maxAlert == Alert::Near) {
        row.mark = widgets::kNearLimit;
    }
    return row;
}

WallRow CarTables::stopRow(const core::PitStop& stop) const {
    QStringList marks;
    if (timing::shortStop(stop, rules_)) {
        marks.append(u"短"_s);
    }
    if (stop.byOperator) {
        marks.append(u"手入力"_s);
    }
    WallRow row{{caption_, QString::number(stop.lap), raceTime(stop.startTick),
                 raceTime(stop.endTick), time(stop.length()), marks.join(u' ')}};
    if (timing::shortStop(stop, rules_)) {
        row.mark = widgets::kNearLimit;
    }
    return row;
}

void CarTables::addTo(PitWallTables& tables) const {
    tables.rows[kCars].append(carRow());
    for (const timing::Stint& stint : wall_.stints) {
        tables.rows[kStints].append(
            {{caption_, stint.driver, QString::number(stint.firstLap), QString::number(stint.laps),
              time(stint.ticks, stint.unknownTime)}});
    }
    for (const timing::DriverWall& d : wall_.drivers) {
        tables.rows[kDrivers].append(driverRow(d));
    }
    for (const core::PitStop& stop : car_.pitStops) {
        tables.rows[kStops].append(stopRow(stop));
        tables.stopRows.append({slot_, stop});
    }
    for (const timing::DoubtfulLap& d :
         timing::doubtfulLaps(car_.laps, car_.pitStops, rules_.pitStop)) {
        tables.rows[kChecks].append(
            {{caption_, QString::number(d.lapNo),
              timing::lapTimeText(car_.laps[d.lapNo - 1], units_), timing::doubtText(d.doubt)},
             widgets::kNearLimit});
    }
    for (const core::PitStop& stop : car_.pitStops) {
        if (timing::shortStop(stop, rules_)) {
            tables.rows[kChecks].append(
                {{caption_, QString::number(stop.lap), time(stop.length()), u"短いピット"_s},
                 widgets::kNearLimit});
        }
    }
}

}  // namespace

QStringList wallHeads(WallTable table) {
    switch (table) {
        case kCars:
            return {u"車輌"_s, u"最遅ピット"_s, u"ピット"_s, u"規定"_s};
        case kStints:
            return {u"車輌"_s, u"ドライバ"_s, u"開始周"_s, u"周回数"_s, u"時間"_s};
        case kDrivers:
            return {u"車輌"_s,   u"ドライバ"_s,   u"運転時間"_s,
                    u"周回数"_s, u"スティント"_s, u"規定"_s};
        case kStops:
            return {u"車輌"_s, u"周"_s, u"開始"_s, u"終了"_s, u"時間"_s, u"備考"_s};
        case kChecks:
            return {u"車輌"_s, u"周"_s, u"タイム"_s, u"理由"_s};
        default:
            return {};
    }
}

PitWallTables pitWallTables(const model::RaceModel& race, const core::Settings& settings,
                            qint32 now) {
    PitWallTables tables;
    const core::Settings units = timing::raceUnits(settings, race.state());
    for (int s : race.takingPart()) {
        CarTables(s, race.state(), units, now).addTo(tables);
    }
    return tables;
}

}  // namespace kaltero::console
