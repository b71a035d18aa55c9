#include "model/race_model.h"

#include "model/change_args.h"

#include <algorithm>

namespace kaltero::model {

using core::kSlotCount;
using namespace Qt::StringLiterals;

RaceModel::RaceModel(QObject* parent) : QObject(parent) {}

QList<int> RaceModel::takingPart() const {
    QList<int> slots;
    for (int s = 0; s < kSlotCount; ++s) {
        if (s_.car[s].TakesPart) {
            slots.append(s);
        }
    }
    return slots;
}

bool RaceModel::anyRunning() const {
    return std::any_of(s_.car.begin(), s_.car.end(),
                       [](const core::CarSlot& car) { return car.Running; });
}

void RaceModel::announce(Op op, int slot, int lap, const QString& detail, const QVariantMap& args) {
    Q_EMIT changed(Change{op, slot, lap, detail, args});
}

core::Lap& RaceModel::lapAt(int slot, int lapNo) {
    auto& laps = at(slot).laps;
    if (laps.size() < lapNo) {
        laps.resize(lapNo);
    }
    return laps[lapNo - 1];
}

void RaceModel::start(const QDateTime& startTime, std::optional<QDateTime> endTime) {
    s_.RaceStartTime = startTime;
    s_.EndTimeSet = endTime.has_value();
    if (endTime) {
        s_.RaceEndTime = *endTime;
    }
    s_.LastCarIdx = -1;
    s_.StopNoAsk = false;
    s_.standings.clear();
    // Repairs of the last race's laps are not this race's to undo.
    for (auto& repairs : repairs_) {
        repairs.clear();
    }
    for (auto& car : s_.car) {
        car.LapCnt = 0;
        car.LapPending = false;
        car.RecordSentThisRun = false;
        car.InContact = false;
        car.PitSinceTick.reset();
        car.TakesPart = !car.Address.isEmpty();
        car.Running = car.TakesPart;
        if (!car.TakesPart) {
            continue;
        }
        ++s_.LastCarIdx;
        car.LapStartTick = 0;
        car.laps.clear();
        car.pitStops.clear();
        car.driverChanges.clear();
        // Nothing of the last race's figures is shown or ranked in this one.
        applyFigures(car, std::nullopt);
    }
    run_ = RunState::Timing;
    latestTick_ = 0;
    announce(Op::Started, -1, 0, startTime.toString(Qt::ISODate),
             {{u"startMs"_s, instantArg(startTime)},
              {u"endMs"_s, endTime ? instantArg(*endTime) : QVariant()},
              {u"setUp"_s, setUpArgs(s_)}});
}

void RaceModel::stop() {
    run_ = RunState::Idle;
    s_.StopNoAsk = false;
    s_.EndTimeSet = false;
    for (auto& car : s_.car) {
        car.Running = false;
        car.PitSinceTick.reset();  // a stop still open was recorded up to Stop
        car.OutMsg.clear();
        car.InMsg.clear();
    }
    announce(Op::Stopped);
}

void RaceModel::resume(qint32 tick) {
    latestTick_ = std::max(latestTick_, tick);
    for (int s = 0; s < core::kSlotCount; ++s) {
        auto& car = s_.car[s];
        // A car silent since before the restart goes on being silent from its last report.
        car.LastRcvTick = std::min(heardBefore_[s].value_or(tick), tick);
        heardBefore_[s].reset();
        car.ResumedLap = car.TakesPart;
        // What the car did while the console was down is unknown: its next report begins a
        // contact period.
        car.InContact = false;
        // A car in the pit stays there: its stop goes on from its true start.
    }
    announce(Op::Resumed, -1, 0, QString::number(tick), {{u"tick"_s, tick}});
}

void RaceModel::setStopNoAsk(bool noAsk) {
    s_.StopNoAsk = noAsk;
}

void RaceModel::editRaceLength(const QString& RunH, const QString& RunN,
                               std::optional<std::optional<QDateTime>> endTime) {
    if (!endTime && RunH == s_.RunH && RunN == s_.RunN) {
        return;
    }
    s_.RunH = RunH;
    s_.RunN = RunN;
    if (endTime) {
        s_.EndTimeSet = endTime->has_value();
        if (*endTime) {
            s_.RaceEndTime = **endTime;
        }
    }
    QVariantMap args{{u"RunH"_s, RunH}, {u"RunN"_s, RunN}};
    if (endTime) {
        args[u"endMs"_s] = *endTime ? instantArg(**endTime) : QVariant();
    }
    announce(Op::RaceLengthEdited, -1, 0, RunH + u"h " + RunN + u"min", args);
}

void RaceModel::editEventData(const core::EventData& event) {
    const core::EventData& was = s_.event;
    if (event.name == was.name && event.date == was.date && event.weather == was.weather &&
        event.temperature == was.temperature) {
        return;
    }
    s_.event = event;
    announce(Op::EventDataEdited, -1, 0,
             QStringList{event.name, event.date, event.weather, event.temperature}.join(u'/'),
             {{u"name"_s, event.name},
              {u"date"_s, event.date},
              {u"weather"_s, event.weather},
              {u"temperature"_s, event.temperature}});
}

void RaceModel::chooseCourse(const QString& name, qint32 length) {
    if (name == s_.CourseName && length == s_.CourseLength) {
        return;
    }
    s_.CourseName = name;
    s_.CourseLength = length;
    announce(Op::CourseChosen, -1, 0, name + u' ' + QString::number(length) + u'm',
             {{u"name"_s, name}, {u"length"_s, length}});
}

void RaceModel::typeAllCarMessage(const QString& typed, const QString& AllCarMsg) {
    s_.AllCarMsg = AllCarMsg;
    s_.AllCarTyped = typed;
    announce(Op::AllCarMessageTyped, -1, 0, typed,
             {{u"typed"_s, typed}, {u"AllCarMsg"_s, AllCarMsg}});
}

void RaceModel::startStopwatch(qint32 tick) {
    s_.OtherStartTick = tick;
    latestTick_ = std::max(latestTick_, tick);
    s_.StopwatchRunning = true;
    announce(Op::StopwatchStarted, -1, 0, QString::number(tick), {{u"tick"_s, tick}});
}

void RaceModel::stopStopwatch(qint32 tick) {
    s_.OtherStopTick = tick;
    latestTick_ = std::max(latestTick_, tick);
    s_.StopwatchRunning = false;
    announce(Op::StopwatchStopped, -1, 0, QString::number(tick - s_.OtherStartTick),
             {{u"tick"_s, tick}});
}

void RaceModel::setRules(const core::RaceRules& rules) {
    if (rules == s_.rules) {
        return;
    }
    s_.rules = rules;
    announce(Op::RulesSet, -1, 0, {}, rulesArgs(rules));
}

void RaceModel::updateClock(qint32 RemainTicks) {
    s_.RemainTicks = RemainTicks;
    announce(Op::ClockUpdated);
}

void RaceModel::updateStandings(const std::array<QString, kSlotCount>& SortKey,
                                const QList<core::StandingsRow>& standings) {
    s_.SortKey = SortKey;
    s_.standings = standings;
    announce(Op::StandingsUpdated);
}

void RaceModel::setAddress(int slot, const QString& address, bool setUp) {
    auto& car = at(slot);
    car.Address = address;
    car.SetUp = car.SetUp || setUp;
    car.FuelTotal = 0.0F;
    announce(Op::AddressSet, slot, 0, address, {{u"address"_s, address}, {u"setUp"_s, setUp}});
}

void RaceModel::clearAddress(int slot) {
    auto& car = at(slot);
    car.Address.clear();
    car.SetUp = false;
    announce(Op::AddressCleared, slot);
}

void RaceModel::chooseCar(int slot, const QString& name, const QString& TankTxt, float TankCapacity,
                          float FuelEconomy) {
    auto& car = at(slot);
    car.CarName = name;
    car.TankTxt = TankTxt;
    car.TankCapacity = TankCapacity;
    car.FuelEconomy = FuelEconomy;
    announce(Op::CarChosen, slot, 0, name,
             {{u"name"_s, name},
              {u"TankTxt"_s, TankTxt},
              {u"TankCapacity"_s, TankCapacity},
              {u"FuelEconomy"_s, FuelEconomy}});
}

void RaceModel::showChoices(int slot, const QString& carName, const QString& driver) {
    auto& car = at(slot);
    if (car.CarName == carName && car.Driver == driver) {
        return;
    }
    car.CarName = carName;
    car.Driver = driver;
    announce(Op::ChoicesShown, slot, 0, carName + u'/' + driver,
             {{u"carName"_s, carName}, {u"driver"_s, driver}});
}

void RaceModel::chooseDriver(int slot, const QString& name, const QString& countdownTxt,
                             std::optional<qint32> tick) {
    auto& car = at(slot);
    QVariantMap args{{u"name"_s, name}, {u"countdown"_s, countdownTxt}};
    if (tick) {
        car.driverChanges.append({*tick, name});
        args[u"tick"_s] = *tick;
    }
    car.Driver = name;
    car.CountdownOn = false;
    car.CountdownTxt = countdownTxt;
    car.DrvInfoRow = 0;
    for (qsizetype r = 0; r < car.drivers.size(); ++r) {
        if (car.drivers[r].name == name) {
            car.DrvInfoRow = qint32(r + 1);
            break;
        }
    }
    if (car.DrvInfoRow == 0) {
        car.drivers.append({.name = name});
        car.DrvInfoRow = qint32(car.drivers.size());
    }
    announce(Op::DriverChosen, slot, 0, name, args);
}

void RaceModel::listDriverEntries(int slot, const QStringList& names) {
    auto& car = at(slot);
    if (car.mayDrive == names) {
        return;
    }
    car.mayDrive = names;
    announce(Op::DriverEntriesListed, slot, 0, names.join(u'/'), {{u"names"_s, names}});
}

void RaceModel::countLap(int slot, const QString& countdownTxt) {
    auto& car = at(slot);
    QVariantMap args{{u"countdown"_s, countdownTxt}};
    // The silence ends the contact period that closed the last lap: the lap keeps it.
    if (car.InContact && car.LapCnt >= 1 && car.LapCnt <= car.laps.size()) {
        core::Lap& ended = car.laps[car.LapCnt - 1];
        if (ended.timed && ended.endTick == car.ContactStartTick) {
            ended.contactLastTick = car.LastRcvTick;
            ended.contactReports = car.ContactReports;
            args[u"contactLast"_s] = car.LastRcvTick;
            args[u"contactReports"_s] = car.ContactReports;
        }
    }
    ++car.LapCnt;
    car.laps.resize(car.LapCnt);
    car.LapPending = true;
    car.InContact = false;
    if (car.CountdownOn) {
        car.CountdownTxt = countdownTxt;
    }
    car.OutMsg.clear();
    announce(Op::LapCounted, slot, car.LapCnt, {}, args);
}

void RaceModel::receiveReport(int slot, const ReportIn& report) {
    auto& car = at(slot);
    car.RcvData = report.RcvData;
    car.CarLapNo = report.CarLapNo;
    car.AutoMsg = report.AutoMsg;
    car.SendMsg = report.SendMsg;
    // The message as the console shows it: a car that sends tens of kilobytes must not swell
    // the race's log. The lap log keeps the whole text with the lap.
    const QString shown = report.message.left(kShownMessageChars);
    if (car.InMsg != shown) {
        showMessage(slot, shown);
    }
}

void RaceModel::showMessage(int slot, const QString& message) {
    at(slot).InMsg = message;
    announce(Op::MessageReceived, slot, 0, message, {{u"message"_s, message}});
}

void RaceModel::recordLap(int slot, qint32 lapNo, const core::Lap& lap, qint32 tick,
                          const std::optional<Figures>& figures, const QString& LapRecord) {
    auto& car = at(slot);
    car.LapCnt = std::max(car.LapCnt, lapNo);
    lapAt(slot, lapNo) = lap;
    car.LastLapTicks = lap.ticks;
    car.LapTimeTxt = lap.timeText;
    car.LapStartTick = tick;
    latestTick_ = std::max(latestTick_, tick);
    applyFigures(car, figures);
    showDriverRow(car, figures);
    car.LapRecord = LapRecord;
    car.LapFlag = core::RecordFlag::Recorded;
    car.RecordSentThisRun = true;
    car.ResumedLap = false;
    car.LapPending = false;
    // The figures are not carried: the statistics rule works them out again from the laps and
    // the race time left.
    announce(Op::LapRecorded, slot, lapNo, QString::number(lap.ticks),
             {{u"lap"_s, lapArgs(lap)},
              {u"tick"_s, tick},
              {u"remain"_s, s_.RemainTicks},
              {u"record"_s, LapRecord}});
}

void RaceModel::reportHandled(int slot, qint32 tick) {
    auto& car = at(slot);
    car.LastRcvTick = tick;
    car.LapPending = false;
    if (!car.InContact) {
        car.InContact = true;
        car.ContactStartTick = tick;
        car.ContactReports = 0;
    }
    ++car.ContactReports;
    Q_EMIT reportHeard({Op::ReportHeard, slot, 0, {}, {{u"tick"_s, tick}}});
}

void RaceModel::heardBefore(int slot, qint32 tick) {
    if (slot >= 0 && slot < core::kSlotCount) {
        heardBefore_[slot] = tick;
    }
}

void RaceModel::correctLapCount(int slot, qint32 n) {
    auto& car = at(slot);
    const qsizetype before = car.laps.size();
    car.LapCnt = n;
    car.laps.resize(n);
    // Laps counted again were driven by the driver in the car; stops of laps taken away go
    // with them.
    for (qsizetype i = before; i < n; ++i) {
        car.laps[i].corrected = true;
    }
    for (qsizetype i = std::max<qsizetype>(before - 1, 0); i < n; ++i) {
        if (!car.laps[i].timed && car.laps[i].driver.isEmpty()) {
            car.laps[i].driver = car.Driver;
        }
    }
    car.pitStops.removeIf([n](const core::PitStop& stop) { return stop.lap > n; });
    // A repair of a lap the correction took away or renumbered cannot be undone.
    repairs_[slot].clear();
    car.LapFlag = core::RecordFlag::Corrected;
    car.LapPending = true;
    announce(Op::LapCorrected, slot, n);
}

void RaceModel::editLapTime(int slot, int lapNo, const QString& text, qint32 ticks) {
    core::Lap& lap = lapAt(slot, lapNo);
    lap.timeText = text;
    lap.ticks = ticks;
    lap.timed = true;
    lap.edited = true;
    announce(Op::LapTimeEdited, slot, lapNo, text, {{u"text"_s, text}, {u"ticks"_s, ticks}});
}

void RaceModel::editLapDriver(int slot, int lapNo, const QString& driver) {
    lapAt(slot, lapNo).driver = driver;
    announce(Op::LapDriverEdited, slot, lapNo, driver, {{u"driver"_s, driver}});
}

void RaceModel::editLapRemarks(int slot, int lapNo, const QString& remarks) {
    lapAt(slot, lapNo).remarks = remarks;
    announce(Op::LapRemarksEdited, slot, lapNo, remarks, {{u"remarks"_s, remarks}});
}

void RaceModel::showDriverRow(core::CarSlot& car, const std::optional<Figures>& figures) {
    // The driver's row shows what the laps gave them.
    if (car.DrvInfoRow > 0 && car.DrvInfoRow <= car.drivers.size()) {
        core::DriverFigures& row = car.drivers[car.DrvInfoRow - 1];
        row.hasFigures = car.HasFigures;
        row.bestTicks = car.DrvBestLapTicks;
        row.bestLapNo = car.DrvBestLapNo;
        row.averageTicks = car.DrvAveLapTicks;
        row.ticksPerSecond = figures ? figures->TicksPerSecond : 0;
    }
}

void RaceModel::applyFigures(core::CarSlot& car, const std::optional<Figures>& figures) {
    const Figures f = figures.value_or(Figures{});
    car.HasFigures = figures.has_value();
    car.BestLapTicks = f.BestLapTicks;
    car.BestLapNo = f.BestLapNo;
    car.BestLapTxt = f.BestLapTxt;
    car.AveLapTicks = f.AveLapTicks;
    car.PredictedLaps = f.PredictedLaps;
    car.DrvBestLapTicks = f.DrvBestLapTicks;
    car.DrvBestLapNo = f.DrvBestLapNo;
    car.DrvAveLapTicks = f.DrvAveLapTicks;
    car.DrvTotalTicks = f.DrvTotalTicks;
    car.DrvLapCnt = f.DrvLapCnt;
}

void RaceModel::stopCar(int slot) {
    at(slot).Running = false;
    at(slot).PitSinceTick.reset();
    announce(Op::CarStopped, slot);
}

void RaceModel::refuel(int slot, float FuelTotal) {
    at(slot).FuelTotal = FuelTotal;
    announce(Op::Refuelled, slot, 0, QString::number(FuelTotal), {{u"total"_s, FuelTotal}});
}

void RaceModel::editEconomy(int slot, float FuelEconomy) {
    if (FuelEconomy == at(slot).FuelEconomy) {
        return;
    }
    at(slot).FuelEconomy = FuelEconomy;
    announce(Op::EconomyEdited, slot, 0, QString::number(FuelEconomy),
             {{u"economy"_s, FuelEconomy}});
}

void RaceModel::switchCountdown(int slot, bool on, const QString& countdownTxt) {
    auto& car = at(slot);
    car.CountdownOn = on;
    car.CountdownTxt = countdownTxt;
    announce(Op::CountdownSwitched, slot, 0, on ? u"on " + countdownTxt : QStringLiteral("off"),
             {{u"on"_s, on}, {u"countdown"_s, countdownTxt}});
}

void RaceModel::editCountdown(int slot, const QString& countdownTxt) {
    if (countdownTxt == at(slot).CountdownTxt) {
        return;
    }
    at(slot).CountdownTxt = countdownTxt;
    announce(Op::CountdownEdited, slot, 0, countdownTxt, {{u"countdown"_s, countdownTxt}});
}

void RaceModel::typeMessage(int slot, const QString& text) {
    if (text == at(slot).OutMsg) {
        return;
    }
    at(slot).OutMsg = text;
    announce(Op::MessageTyped, slot, 0, text, {{u"text"_s, text}});
}

}  // namespace kaltero::model

namespace kaltero::model {

namespace {

QString stopDetail(const core::PitStop& stop) {
    return QString::number(stop.startTick) + u".." + QString::number(stop.endTick);
}

}  // namespace

void RaceModel::enterPit(int slot, qint32 tick) {
    at(slot).PitSinceTick = tick;
    latestTick_ = std::max(latestTick_, tick);
    announce(Op::PitEntered, slot, 0, QString::number(tick), {{u"tick"_s, tick}});
}

void RaceModel::recordPitStop(int slot, const core::PitStop& stop) {
    at(slot).pitStops.append(stop);
    at(slot).PitSinceTick.reset();
    latestTick_ = std::max(latestTick_, stop.endTick);
    announce(Op::PitStopRecorded, slot, stop.lap, stopDetail(stop), pitStopArgs(stop));
}

void RaceModel::editPitStop(int slot, int index, const core::PitStop& stop) {
    auto& stops = at(slot).pitStops;
    if (index >= int(stops.size())) {
        return;
    }
    if (index >= 0) {
        if (stops[index] == stop) {
            return;
        }
        stops.removeAt(index);
    }
    const auto later = std::find_if(stops.begin(), stops.end(), [&stop](const core::PitStop& s) {
        return s.startTick > stop.startTick;
    });
    stops.insert(later, stop);
    QVariantMap args = pitStopArgs(stop);
    args[u"index"_s] = index;
    announce(Op::PitStopEdited, slot, stop.lap, stopDetail(stop), args);
}

void RaceModel::removePitStop(int slot, int index) {
    auto& stops = at(slot).pitStops;
    if (index < 0 || index >= int(stops.size())) {
        return;
    }
    const core::PitStop gone = stops.takeAt(index);
    announce(Op::PitStopRemoved, slot, gone.lap, stopDetail(gone), {{u"index"_s, index}});
}

}  // namespace kaltero::model
