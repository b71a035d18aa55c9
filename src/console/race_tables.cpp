#include "console/race_tables.h"

#include "core/number_text.h"
#include "core/slot_state.h"
#include "link/figure_text.h"
#include "model/race_model.h"
#include "timing/lap_check.h"
#include "timing/pit_wall.h"
#include "timing/time_text.h"
#include "widgets/colours.h"

#include <algorithm>

namespace kaltero::console {

namespace {

const QString kCheckMark = QStringLiteral("要確認");

bool isText(const QModelIndex& index, int role) {
    return index.isValid() && (role == Qt::DisplayRole || role == Qt::EditRole);
}

}  // namespace

int CountedRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

void CountedRowsModel::followRowCount(int now) {
    if (now > rows_) {
        beginInsertRows({}, rows_, now - 1);
        rows_ = now;
        endInsertRows();
    } else if (now < rows_) {
        beginRemoveRows({}, now, rows_ - 1);
        rows_ = now;
        endRemoveRows();
    }
}

// --- laps

LapTableModel::LapTableModel(model::RaceModel& race, int slot, const core::Settings& settings,
                             QObject* parent)
    : CountedRowsModel(parent), race_(race), slot_(slot), settings_(settings) {
    rows_ = int(race.car(slot).laps.size());
    connect(&race_, &model::RaceModel::changed, this,
            [this](const model::Change& change) { follow(change); });
}

int LapTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LapTableModel::data(const QModelIndex& index, int role) const {
    const bool doubtful =
        index.isValid() && index.column() == kRemarks && doubtful_.contains(index.row() + 1);
    if (role == Qt::BackgroundRole && doubtful) {
        return widgets::kNearLimit;
    }
    if (!isText(index, role)) {
        return {};
    }
    // A row the views still hold while its removal is announced reads empty.
    const core::Lap lap = race_.car(slot_).laps.value(index.row());
    switch (index.column()) {
        case kTime:
            return timing::lapTimeText(lap, timing::raceUnits(settings_, race_.state()));
        case kDriver:
            return lap.driver;
        case kRemarks:
            if (doubtful && role == Qt::DisplayRole) {
                return lap.remarks.isEmpty() ? kCheckMark : kCheckMark + u' ' + lap.remarks;
            }
            return lap.remarks;
        case kTicks:
            return lap.timed ? QString::number(lap.ticks) : QString();
        case kLog:
            return lap.log;
        default:
            return {};
    }
}

QVariant LapTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;  // the lap number
    }
    switch (section) {
        case kTime:
            return QStringLiteral("タイム");
        case kDriver:
            return QStringLiteral("ドライバ");
        case kRemarks:
            return QStringLiteral("備考");
        default:
            return {};
    }
}

Qt::ItemFlags LapTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == kTime || index.column() == kDriver || index.column() == kRemarks) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool LapTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return false;
    }
    const int lapNo = index.row() + 1;
    const QString text = value.toString();
    // A view commits its editor's text even when the operator typed nothing new.
    if (text == data(index, Qt::EditRole).toString()) {
        return index.column() == kTime || index.column() == kDriver || index.column() == kRemarks;
    }
    switch (index.column()) {
        case kDriver:
            race_.editLapDriver(slot_, lapNo, text);
            return true;
        case kRemarks:
            race_.editLapRemarks(slot_, lapNo, text);
            return true;
        case kTime: {
            const auto ticks =
                timing::ParseLapTime(text, timing::raceUnits(settings_, race_.state()));
            // Only a time that fits the tick counter is taken; anything else is a typo.
            const auto whole = ticks ? core::roundToInt32(*ticks) : std::nullopt;
            if (!whole) {
                return false;
            }
            race_.editLapTime(slot_, lapNo, text, *whole);
            return true;
        }
        default:
            return false;
    }
}

void LapTableModel::follow(const model::Change& change) {
    // Start empties the laps of the cars taking part: the table starts over.
    if (change.op == model::Op::Started) {
        beginResetModel();
        rows_ = int(race_.car(slot_).laps.size());
        doubtful_.clear();
        endResetModel();
        recheck();
        return;
    }
    if (change.op == model::Op::RulesSet) {
        recheck();
    }
    if (change.slot != slot_) {
        return;
    }
    // Counting, correcting, and a lap recorded or edited past the last row all move the count.
    followRowCount(int(race_.car(slot_).laps.size()));
    recheck();
    switch (change.op) {
        case model::Op::LapRecorded:
        case model::Op::LapTimeEdited:
        case model::Op::LapDriverEdited:
        case model::Op::LapRemarksEdited:
            if (change.lap >= 1 && change.lap <= rows_) {
                Q_EMIT dataChanged(index(change.lap - 1, 0), index(change.lap - 1, kLog));
            }
            break;
        // Laps from the repaired one on renumber; a correction gives its laps a driver.
        case model::Op::LapsMerged:
        case model::Op::LapSplit:
        case model::Op::LapRepairUndone:
        case model::Op::LapCorrected:
            if (rows_ > 0) {
                const int from = std::clamp(change.lap - 1, 0, rows_ - 1);
                Q_EMIT dataChanged(index(from, 0), index(rows_ - 1, kLog));
            }
            break;
        default:
            break;
    }
}

void LapTableModel::recheck() {
    const core::RaceState& st = race_.state();
    const qint64 pitStop = timing::ruleTicks(st.rules, settings_.TicksPerSecond).pitStop;
    QSet<qint32> now;
    for (const timing::DoubtfulLap& d :
         timing::doubtfulLaps(race_.car(slot_).laps, race_.car(slot_).pitStops, pitStop)) {
        now.insert(d.lapNo);
    }
    if (now == doubtful_) {
        return;
    }
    QSet<qint32> changed = now;
    changed.unite(doubtful_);
    changed.subtract(QSet<qint32>(now).intersect(doubtful_));
    doubtful_ = now;
    for (qint32 lapNo : changed) {
        if (lapNo >= 1 && lapNo <= rows_) {
            Q_EMIT dataChanged(index(lapNo - 1, kRemarks), index(lapNo - 1, kRemarks));
        }
    }
}

// --- drivers

DriverTableModel::DriverTableModel(model::RaceModel& race, int slot, const core::Settings& settings,
                                   QObject* parent)
    : CountedRowsModel(parent), race_(race), slot_(slot), settings_(settings) {
    rows_ = int(race.car(slot).drivers.size());
    connect(&race_, &model::RaceModel::changed, this,
            [this](const model::Change& change) { follow(change); });
}

int DriverTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant DriverTableModel::data(const QModelIndex& index, int role) const {
    if (!isText(index, role)) {
        return {};
    }
    const core::DriverFigures row = race_.car(slot_).drivers.value(index.row());
    switch (index.column()) {
        case kName:
            return row.name;
        case kBest:
            return link::driverFigureTexts(row, settings_).best;
        case kAverage:
            return link::driverFigureTexts(row, settings_).average;
        default:
            return {};
    }
}

QVariant DriverTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;  // the order the drivers were first chosen in
    }
    switch (section) {
        case kName:
            return QStringLiteral("ドライバ");
        case kBest:
            return QStringLiteral("Best Lap");
        case kAverage:
            return QStringLiteral("Ave Lap");
        default:
            return {};
    }
}

Qt::ItemFlags DriverTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void DriverTableModel::follow(const model::Change& change) {
    if (change.slot != slot_) {
        return;
    }
    // A driver chosen for the first time gets a row; a recorded lap gives the driver in the car
    // new figures.
    if (change.op != model::Op::DriverChosen && change.op != model::Op::LapRecorded) {
        return;
    }
    followRowCount(int(race_.car(slot_).drivers.size()));
    const int row = race_.car(slot_).DrvInfoRow - 1;
    if (change.op == model::Op::LapRecorded && row >= 0 && row < rows_) {
        Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
    }
}

// --- standings

StandingsModel::StandingsModel(model::RaceModel& race, const core::Settings& settings,
                               QObject* parent)
    : QAbstractTableModel(parent), race_(race), settings_(settings) {
    // The board is ranked anew as a whole; Start empties it.
    connect(&race_, &model::RaceModel::changed, this, [this](const model::Change& change) {
        if (change.op == model::Op::StandingsUpdated || change.op == model::Op::Started) {
            Q_EMIT dataChanged(index(0, 0), index(core::kSlotCount - 1, kColumnCount - 1));
        }
    });
}

int StandingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : core::kSlotCount;
}

int StandingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant StandingsModel::data(const QModelIndex& index, int role) const {
    if (!isText(index, role)) {
        return {};
    }
    if (index.column() == kRank) {
        return QString::number(index.row() + 1);
    }
    const auto& standings = race_.state().standings;
    if (index.row() >= standings.size()) {
        return QString();
    }
    const core::StandingsRow& row = standings[index.row()];
    switch (index.column()) {
        case kCarName:
            return row.carName;
        case kLap:
            return QString::number(row.lap);
        case kBestTime:
            return row.bestTicks ? timing::FormatLapTime(
                                       *row.bestTicks, timing::raceUnits(settings_, race_.state()))
                                 : QString();
        case kBestLap:
            return QString::number(row.bestLap);
        default:
            return {};
    }
}

QVariant StandingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    switch (section) {
        case kRank:
            return QStringLiteral("順位");
        case kCarName:
            return QStringLiteral("車輌名");
        case kLap:
            return QString();  // the lap stands beside the car's name
        case kBestTime:
            return QStringLiteral("BestTime");
        case kBestLap:
            return QStringLiteral("BestLap");
        default:
            return {};
    }
}

Qt::ItemFlags StandingsModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

}  // namespace kaltero::console
