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
    // Nor are its cars' last reports (a standby follows one race after another).
    heardBefore_.fill(std::nullopt);
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
    announce(op::Started{.start = startTime, .end = endTime, .setUp = setUpOf(s_)}, -1, 0,
             startTime.toString(Qt::ISODate));
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
    announce(op::Stopped{});
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
    announce(op::Resumed{.tick = tick}, -1, 0, QString::number(tick));
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
    announce(op::RaceLengthEdited{.RunH = RunH, .RunN = RunN, .end = endTime}, -1, 0,
             RunH + u"h " + RunN + u"min");
}

void RaceModel::editEventData(const core::EventData& event) {
    const core::EventData& was = s_.event;
    if (event.name == was.name && event.date == was.date && event.weather == was.weather &&
        event.temperature == was.temperature) {
        return;
    }
    s_.event = event;
    announce(op::EventDataEdited{.name = event.name,
                                 .date = event.date,
                                 .weather = event.weather,
                                 .temperature = event.temperature},
             -1, 0,
             QStringList{event.name, event.date, event.weather, event.temperature}.join(u'/'));
}

void RaceModel::chooseCourse(const QString& name, qint32 length) {
    if (name == s_.CourseName && length == s_.CourseLength) {
        return;
    }
    s_.CourseName = name;
    s_.CourseLength = length;
    announce(op::CourseChosen{.name = name, .length = length}, -1, 0,
             name + u' ' + QString::number(length) + u'm');
}

void RaceModel::typeAllCarMessage(const QString& typed) {
    s_.AllCarTyped = typed;
    announce(op::AllCarMessageTyped{.typed = typed, .AllCarMsg = core::allCarMessageSent(typed)},
             -1, 0, typed);
}

void RaceModel::startStopwatch(qint32 tick) {
    s_.OtherStartTick = tick;
    latestTick_ = std::max(latestTick_, tick);
    s_.StopwatchRunning = true;
    announce(op::StopwatchStarted{.tick = tick}, -1, 0, QString::number(tick));
}

void RaceModel::stopStopwatch(qint32 tick) {
    s_.OtherStopTick = tick;
    latestTick_ = std::max(latestTick_, tick);
    s_.StopwatchRunning = false;
    announce(op::StopwatchStopped{.tick = tick}, -1, 0, QString::number(tick - s_.OtherStartTick));
}

void RaceModel::setRules(const core::RaceRules& rules) {
    if (rules == s_.rules) {
        return;
    }
    s_.rules = rules;
    announce(op::RulesSet{.rules = rules});
}

void RaceModel::updateClock(qint32 RemainTicks) {
    s_.RemainTicks = RemainTicks;
    Q_EMIT changed(Change{Op::ClockUpdated, -1, 0, {}, {}});
}

void RaceModel::updateStandings(const QList<core::StandingsRow>& standings) {
    s_.standings = standings;
    Q_EMIT changed(Change{Op::StandingsUpdated, -1, 0, {}, {}});
}

void RaceModel::setAddress(int slot, const QString& address, bool setUp) {
    auto& car = at(slot);
    car.Address = address;
    car.SetUp = car.SetUp || setUp;
    car.FuelTotal = 0.0F;
    announce(op::AddressSet{.address = address, .setUp = setUp}, slot, 0, address);
}

void RaceModel::clearAddress(int slot) {
    auto& car = at(slot);
    car.Address.clear();
    car.SetUp = false;
    announce(op::AddressCleared{}, slot);
}

void RaceModel::chooseCar(int slot, const QString& name, const QString& TankTxt, float TankCapacity,
                          float FuelEconomy) {
    auto& car = at(slot);
    car.CarName = name;
    car.TankTxt = TankTxt;
    car.TankCapacity = TankCapacity;
    car.FuelEconomy = FuelEconomy;
    announce(op::CarChosen{.name = name,
                           .TankTxt = TankTxt,
                           .TankCapacity = TankCapacity,
                           .FuelEconomy = FuelEconomy},
             slot, 0, name);
}

void RaceModel::showChoices(int slot, const QString& carName, const QString& driver) {
    auto& car = at(slot);
    if (car.CarName == carName && car.Driver == driver) {
        return;
    }
    car.CarName = carName;
    car.Driver = driver;
    announce(op::ChoicesShown{.carName = carName, .driver = driver}, slot, 0,
             carName + u'/' + driver);
}

void RaceModel::chooseDriver(int slot, const QString& name, const QString& countdownTxt,
                             std::optional<qint32> tick) {
    auto& car = at(slot);
    if (tick) {
        car.driverChanges.append({*tick, name});
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
    announce(op::DriverChosen{.name = name, .countdown = countdownTxt, .tick = tick}, slot, 0,
             name);
}

void RaceModel::listDriverEntries(int slot, const QStringList& names) {
    auto& car = at(slot);
    if (car.mayDrive == names) {
        return;
    }
    car.mayDrive = names;
    announce(op::DriverEntriesListed{.names = names}, slot, 0, names.join(u'/'));
}

void RaceModel::countLap(int slot, const QString& countdownTxt) {
    auto& car = at(slot);
    op::LapCounted counted{.countdown = countdownTxt, .contactLast = {}, .contactReports = {}};
    // The silence ends the contact period that closed the last lap: the lap keeps it.
    if (car.InContact && car.LapCnt >= 1 && car.LapCnt <= car.laps.size()) {
        core::Lap& ended = car.laps[car.LapCnt - 1];
        if (ended.timed && ended.endTick == car.ContactStartTick) {
            ended.contactLastTick = car.LastRcvTick;
            ended.contactReports = car.ContactReports;
            counted.contactLast = car.LastRcvTick;
            counted.contactReports = car.ContactReports;
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
    announce(counted, slot, car.LapCnt);
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
    announce(op::MessageReceived{.message = message}, slot, 0, message);
}

void RaceModel::recordLap(int slot, qint32 lapNo, const core::Lap& lap, qint32 tick,
                          const std::optional<Figures>& figures, const QString& LapRecord) {
    auto& car = at(slot);
    car.LapCnt = std::max(car.LapCnt, lapNo);
    lapAt(slot, lapNo) = lap;
    car.LastLapTicks = lap.ticks;
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
    announce(
        op::LapRecorded{
            .lap = lap, .tick = tick, .remain = s_.RemainTicks, .record = LapRecord, .figures = {}},
        slot, lapNo, QString::number(lap.ticks));
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
    Q_EMIT reportHeard(changeOf(op::ReportHeard{.tick = tick}, slot));
}

void RaceModel::heardBefore(int slot, qint32 tick) {
    if (slot >= 0 && slot < core::kSlotCount) {
        heardBefore_[slot] = tick;
        Q_EMIT reportHeard(changeOf(op::ReportHeard{.tick = tick}, slot));
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
    announce(op::LapCorrected{}, slot, n);
}

void RaceModel::editLapTime(int slot, int lapNo, const QString& text, qint32 ticks) {
    core::Lap& lap = lapAt(slot, lapNo);
    lap.editText = text;
    lap.ticks = ticks;
    lap.timed = true;
    lap.edited = true;
    announce(op::LapTimeEdited{.text = text, .ticks = ticks}, slot, lapNo, text);
}

void RaceModel::editLapDriver(int slot, int lapNo, const QString& driver) {
    lapAt(slot, lapNo).driver = driver;
    announce(op::LapDriverEdited{.driver = driver}, slot, lapNo, driver);
}

void RaceModel::editLapRemarks(int slot, int lapNo, const QString& remarks) {
    lapAt(slot, lapNo).remarks = remarks;
    announce(op::LapRemarksEdited{.remarks = remarks}, slot, lapNo, remarks);
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
    announce(op::CarStopped{}, slot);
}

void RaceModel::refuel(int slot, float FuelTotal) {
    at(slot).FuelTotal = FuelTotal;
    announce(op::Refuelled{.total = FuelTotal}, slot, 0, QString::number(FuelTotal));
}

void RaceModel::editEconomy(int slot, float FuelEconomy) {
    if (FuelEconomy == at(slot).FuelEconomy) {
        return;
    }
    at(slot).FuelEconomy = FuelEconomy;
    announce(op::EconomyEdited{.economy = FuelEconomy}, slot, 0, QString::number(FuelEconomy));
}

void RaceModel::switchCountdown(int slot, bool on, const QString& countdownTxt) {
    auto& car = at(slot);
    car.CountdownOn = on;
    car.CountdownTxt = countdownTxt;
    announce(op::CountdownSwitched{.on = on, .countdown = countdownTxt}, slot, 0,
             on ? u"on " + countdownTxt : QStringLiteral("off"));
}

void RaceModel::editCountdown(int slot, const QString& countdownTxt) {
    if (countdownTxt == at(slot).CountdownTxt) {
        return;
    }
    at(slot).CountdownTxt = countdownTxt;
    announce(op::CountdownEdited{.countdown = countdownTxt}, slot, 0, countdownTxt);
}

void RaceModel::typeMessage(int slot, const QString& text) {
    if (text == at(slot).OutMsg) {
        return;
    }
    at(slot).OutMsg = text;
    announce(op::MessageTyped{.text = text}, slot, 0, text);
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
    announce(op::PitEntered{.tick = tick}, slot, 0, QString::number(tick));
}

void RaceModel::recordPitStop(int slot, const core::PitStop& stop) {
    at(slot).pitStops.append(stop);
    at(slot).PitSinceTick.reset();
    latestTick_ = std::max(latestTick_, stop.endTick);
    announce(op::PitStopRecorded{.stop = stop}, slot, stop.lap, stopDetail(stop));
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
    announce(op::PitStopEdited{.stop = stop, .index = index}, slot, stop.lap, stopDetail(stop));
}

void RaceModel::removePitStop(int slot, int index) {
    auto& stops = at(slot).pitStops;
    if (index < 0 || index >= int(stops.size())) {
        return;
    }
    const core::PitStop gone = stops.takeAt(index);
    announce(op::PitStopRemoved{.index = index}, slot, gone.lap, stopDetail(gone));
}

}  // namespace kaltero::model
