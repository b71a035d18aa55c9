#pragma once

#include "core/settings.h"

#include <QAbstractTableModel>
#include <QSet>

namespace kaltero::model {
class RaceModel;
struct Change;
}  // namespace kaltero::model

namespace kaltero::console {

// The race's tables as item models: they read the race and follow its operations, so a view
// never holds a copy of its own. Every cell reads as the text the window shows (DisplayRole and
// EditRole alike).

// A table whose rows follow a list the race has already changed when it announces the change:
// rows come and go by comparing the list with the rows the views were last told of.
class CountedRowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;

protected:
    // The rows at the end come or go until the views hold `now` rows.
    void followRowCount(int now);

    int rows_ = 0;
};

// One car's laps, lap 1 in row 0. The columns are the lap grid's, counted from 0: time text,
// driver, remarks, then the lap time in ticks ("" while untimed) and the lap's log, which the
// window keeps hidden. Time, driver and remarks are edited through the race's operations. A lap
// to check shows 要確認 before its remarks, on the warning colour; the remarks edited stay the
// operator's own.
class LapTableModel : public CountedRowsModel {
    Q_OBJECT

public:
    enum Column { kTime, kDriver, kRemarks, kTicks, kLog, kColumnCount };

    LapTableModel(model::RaceModel& race, int slot, const core::Settings& settings,
                  QObject* parent = nullptr);

    int slot() const { return slot_; }

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A time is taken only when it reads as a lap time that fits the tick counter; otherwise
    // nothing changes and the answer is false. Text the lap already holds records no edit.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    void follow(const model::Change& change);
    // The laps to check (要確認) worked out again; rows whose mark changed are redrawn.
    void recheck();

    model::RaceModel& race_;
    const int slot_;
    const core::Settings& settings_;
    QSet<qint32> doubtful_;  // lap numbers
};

// One car's driver table: name, best and average as the driver panel shows them. Read-only.
class DriverTableModel : public CountedRowsModel {
    Q_OBJECT

public:
    enum Column { kName, kBest, kAverage, kColumnCount };

    DriverTableModel(model::RaceModel& race, int slot, const core::Settings& settings,
                     QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void follow(const model::Change& change);

    model::RaceModel& race_;
    const int slot_;
    const core::Settings& settings_;
};

// The standings board, one row per rank position: the rank, then for a car ranked there as last
// worked out its name, the lap being driven (shown with the name, under its heading), best time
// ("" before the car's first lap) and its lap. A position no car holds shows its rank alone.
// Read-only.
class StandingsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kRank, kCarName, kLap, kBestTime, kBestLap, kColumnCount };

    StandingsModel(model::RaceModel& race, const core::Settings& settings,
                   QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    model::RaceModel& race_;
    const core::Settings& settings_;
};

}  // namespace kaltero::console
