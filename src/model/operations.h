#pragma once

#include "core/race_rules.h"
#include "core/slot_state.h"
#include "model/change.h"
#include "model/field_table.h"

#include <QList>
#include <variant>

namespace kaltero::model {

// The values operations carry, each with its one table of fields.
template <>
struct Fields<core::Lap> {
    static constexpr auto table() {
        using L = core::Lap;
        // Earlier releases kept the shown text of every lap under "timeText".
        return std::tuple{field("timed", &L::timed),
                          field("ticks", &L::ticks),
                          field("editText", &L::editText, "timeText"),
                          field("driver", &L::driver),
                          field("remarks", &L::remarks),
                          field("log", &L::log),
                          field("corrected", &L::corrected),
                          field("edited", &L::edited),
                          field("endTick", &L::endTick),
                          field("acrossRestart", &L::acrossRestart),
                          field("contactLastTick", &L::contactLastTick),
                          field("contactReports", &L::contactReports),
                          field("silenceTicks", &L::silenceTicks)};
    }
    // The text an earlier release kept of a lap it timed was its formatting of the ticks, not
    // an edit: the lap shows its ticks.
    static void afterRead(core::Lap& lap) {
        if (!lap.edited) {
            lap.editText.clear();
        }
    }
};

template <>
struct Fields<core::PitStop> {
    static constexpr auto table() {
        using P = core::PitStop;
        return std::tuple{field("lap", &P::lap), field("startTick", &P::startTick),
                          field("endTick", &P::endTick), field("byOperator", &P::byOperator)};
    }
};

template <>
struct Fields<core::RaceRules> {
    static constexpr auto table() {
        using R = core::RaceRules;
        return std::tuple{field("pitStopSeconds", &R::PitStopSeconds),
                          field("maxStintMinutes", &R::MaxStintMinutes),
                          field("maxDrivingMinutes", &R::MaxDrivingMinutes),
                          field("minDrivingMinutes", &R::MinDrivingMinutes),
                          field("minPitStopSeconds", &R::MinPitStopSeconds),
                          field("minPitStops", &R::MinPitStops),
                          field("stintMessage", &R::StintMessage),
                          field("stintMessageMinutes", &R::StintMessageMinutes),
                          field("pitTimeRule", &R::PitTimeRule)};
    }
};

// What a car slot begins the race with, as Start carries it.
struct SlotSetUp {
    QString address;
    bool setUp = false;
    QString car;
    QString tank;
    float tankCapacity = 0.0F;
    float economy = 0.0F;
    float fuelTotal = 0.0F;
    QString driver;
    qint32 driverRow = 0;
    QList<core::DriverFigures> drivers;
    bool countdownOn = false;
    QString countdown;
    QString messageOut;
    QString messageIn;
    QStringList mayDrive;
    static constexpr auto fields() {
        using R = SlotSetUp;
        return std::tuple{field("address", &R::address),
                          field("setUp", &R::setUp),
                          field("car", &R::car),
                          field("tank", &R::tank),
                          field("tankCapacity", &R::tankCapacity),
                          field("economy", &R::economy),
                          field("fuelTotal", &R::fuelTotal),
                          field("driver", &R::driver),
                          field("driverRow", &R::driverRow),
                          field("drivers", &R::drivers),
                          field("countdownOn", &R::countdownOn),
                          field("countdown", &R::countdown),
                          field("messageOut", &R::messageOut),
                          field("messageIn", &R::messageIn),
                          field("mayDrive", &R::mayDrive)};
    }
};

// What the race begins with: every slot's set-up, the event, course, race length, the message
// to all cars, the endurance rules and the precision.
struct RaceSetUp {
    QList<SlotSetUp> slots;
    core::EventData event;
    QString course;
    qint32 courseLength = 0;
    QString hours;
    QString minutes;
    QString allCarTyped;
    QString allCarMessage;  // as the cars receive it: written for earlier releases, never read
    std::optional<core::RaceRules> rules;  // none in older journals: no endurance rules
    qint32 ticksPerSecond = 0;
    static constexpr auto fields() {
        using R = RaceSetUp;
        return std::tuple{field("slots", &R::slots),
                          field("event", &R::event),
                          field("course", &R::course),
                          field("courseLength", &R::courseLength),
                          field("hours", &R::hours),
                          field("minutes", &R::minutes),
                          field("allCarTyped", &R::allCarTyped),
                          field("allCarMessage", &R::allCarMessage),
                          field("rules", &R::rules),
                          field("ticksPerSecond", &R::ticksPerSecond)};
    }
};

// The operations, one record each, as they carry what they did. The car slot and the lap an
// operation is about travel with the change (Change::slot, Change::lap), not in the record.
namespace op {

// An operation with nothing to carry beyond its slot and lap.
template <Op kOp>
struct Bare {
    static constexpr Op op = kOp;
    static constexpr auto fields() { return std::tuple{}; }
};

// An operation that carries one tick.
template <Op kOp>
struct AtTick {
    static constexpr Op op = kOp;
    qint32 tick = 0;
    static constexpr auto fields() { return std::tuple{field("tick", &AtTick::tick)}; }
};

struct Started {
    static constexpr Op op = Op::Started;
    QDateTime start;
    std::optional<QDateTime> end;
    // Every slot's set-up and the race-wide values; none in older journals, whose idle
    // operations before Start rebuild it.
    std::optional<RaceSetUp> setUp;
    static constexpr auto fields() {
        return std::tuple{field("startMs", &Started::start, "start"),
                          field("endMs", &Started::end, "end"), field("setUp", &Started::setUp)};
    }
};

struct RaceLengthEdited {
    static constexpr Op op = Op::RaceLengthEdited;
    QString RunH;
    QString RunN;
    // The end of the race set again (none: it has none); not carried while idle.
    std::optional<std::optional<QDateTime>> end;
    static constexpr auto fields() {
        using R = RaceLengthEdited;
        return std::tuple{field("RunH", &R::RunH), field("RunN", &R::RunN),
                          field("endMs", &R::end, "end")};
    }
};

struct EventDataEdited {
    static constexpr Op op = Op::EventDataEdited;
    QString name;
    QString date;
    QString weather;
    QString temperature;
    static constexpr auto fields() {
        using R = EventDataEdited;
        return std::tuple{field("name", &R::name), field("date", &R::date),
                          field("weather", &R::weather), field("temperature", &R::temperature)};
    }
};

struct CourseChosen {
    static constexpr Op op = Op::CourseChosen;
    QString name;
    qint32 length = 0;
    static constexpr auto fields() {
        return std::tuple{field("name", &CourseChosen::name),
                          field("length", &CourseChosen::length)};
    }
};

struct AllCarMessageTyped {
    static constexpr Op op = Op::AllCarMessageTyped;
    QString typed;
    QString AllCarMsg;  // as the cars receive it: written for earlier releases, never read
    static constexpr auto fields() {
        return std::tuple{field("typed", &AllCarMessageTyped::typed),
                          field("AllCarMsg", &AllCarMessageTyped::AllCarMsg)};
    }
};

struct RulesSet {
    static constexpr Op op = Op::RulesSet;
    core::RaceRules rules;
    static constexpr auto fields() { return std::tuple{field(nullptr, &RulesSet::rules)}; }
};

struct AddressSet {
    static constexpr Op op = Op::AddressSet;
    QString address;
    bool setUp = false;
    static constexpr auto fields() {
        return std::tuple{field("address", &AddressSet::address),
                          field("setUp", &AddressSet::setUp)};
    }
};

struct CarChosen {
    static constexpr Op op = Op::CarChosen;
    QString name;
    QString TankTxt;
    float TankCapacity = 0.0F;
    float FuelEconomy = 0.0F;
    static constexpr auto fields() {
        using R = CarChosen;
        return std::tuple{field("name", &R::name), field("TankTxt", &R::TankTxt),
                          field("TankCapacity", &R::TankCapacity),
                          field("FuelEconomy", &R::FuelEconomy)};
    }
};

struct ChoicesShown {
    static constexpr Op op = Op::ChoicesShown;
    QString carName;
    QString driver;
    static constexpr auto fields() {
        return std::tuple{field("carName", &ChoicesShown::carName),
                          field("driver", &ChoicesShown::driver)};
    }
};

struct DriverChosen {
    static constexpr Op op = Op::DriverChosen;
    QString name;
    QString countdown;
    std::optional<qint32> tick;  // when it was entered while timing; none in older journals
    static constexpr auto fields() {
        using R = DriverChosen;
        return std::tuple{field("name", &R::name), field("countdown", &R::countdown),
                          field("tick", &R::tick)};
    }
};

struct DriverEntriesListed {
    static constexpr Op op = Op::DriverEntriesListed;
    QStringList names;
    static constexpr auto fields() {
        return std::tuple{field("names", &DriverEntriesListed::names)};
    }
};

struct LapCounted {
    static constexpr Op op = Op::LapCounted;
    QString countdown;
    // The contact period the silence ended, as the lap it closed keeps it; none when the lap
    // was not closed by that contact, and in older journals.
    std::optional<qint32> contactLast;
    std::optional<qint32> contactReports;
    static constexpr auto fields() {
        using R = LapCounted;
        return std::tuple{field("countdown", &R::countdown), field("contactLast", &R::contactLast),
                          field("contactReports", &R::contactReports)};
    }
};

struct LapRecorded {
    static constexpr Op op = Op::LapRecorded;
    core::Lap lap;
    qint32 tick = 0;
    qint32 remain = 0;  // the race time left: the figures are worked out again with it
    QString record;
    // The figures older journals carried with the lap (figuresFrom); never written now.
    std::optional<QVariantMap> figures;
    static constexpr auto fields() {
        using R = LapRecorded;
        return std::tuple{field("lap", &R::lap), field("tick", &R::tick),
                          field("remain", &R::remain), field("record", &R::record),
                          field("figures", &R::figures)};
    }
};

struct LapTimeEdited {
    static constexpr Op op = Op::LapTimeEdited;
    QString text;
    qint32 ticks = 0;
    static constexpr auto fields() {
        return std::tuple{field("text", &LapTimeEdited::text),
                          field("ticks", &LapTimeEdited::ticks)};
    }
};

struct LapDriverEdited {
    static constexpr Op op = Op::LapDriverEdited;
    QString driver;
    static constexpr auto fields() { return std::tuple{field("driver", &LapDriverEdited::driver)}; }
};

struct LapRemarksEdited {
    static constexpr Op op = Op::LapRemarksEdited;
    QString remarks;
    static constexpr auto fields() {
        return std::tuple{field("remarks", &LapRemarksEdited::remarks)};
    }
};

struct Refuelled {
    static constexpr Op op = Op::Refuelled;
    float total = 0.0F;
    static constexpr auto fields() { return std::tuple{field("total", &Refuelled::total)}; }
};

struct EconomyEdited {
    static constexpr Op op = Op::EconomyEdited;
    float economy = 0.0F;
    static constexpr auto fields() { return std::tuple{field("economy", &EconomyEdited::economy)}; }
};

struct CountdownSwitched {
    static constexpr Op op = Op::CountdownSwitched;
    bool on = false;
    QString countdown;
    static constexpr auto fields() {
        return std::tuple{field("on", &CountdownSwitched::on),
                          field("countdown", &CountdownSwitched::countdown)};
    }
};

struct CountdownEdited {
    static constexpr Op op = Op::CountdownEdited;
    QString countdown;
    static constexpr auto fields() {
        return std::tuple{field("countdown", &CountdownEdited::countdown)};
    }
};

struct MessageTyped {
    static constexpr Op op = Op::MessageTyped;
    QString text;
    static constexpr auto fields() { return std::tuple{field("text", &MessageTyped::text)}; }
};

struct MessageReceived {
    static constexpr Op op = Op::MessageReceived;
    QString message;
    static constexpr auto fields() {
        return std::tuple{field("message", &MessageReceived::message)};
    }
};

struct PitStopRecorded {
    static constexpr Op op = Op::PitStopRecorded;
    core::PitStop stop;
    static constexpr auto fields() { return std::tuple{field(nullptr, &PitStopRecorded::stop)}; }
};

struct PitStopEdited {
    static constexpr Op op = Op::PitStopEdited;
    core::PitStop stop;
    qint32 index = -1;  // the stop corrected; -1: a stop entered
    static constexpr auto fields() {
        return std::tuple{field(nullptr, &PitStopEdited::stop),
                          field("index", &PitStopEdited::index)};
    }
};

struct PitStopRemoved {
    static constexpr Op op = Op::PitStopRemoved;
    qint32 index = 0;
    static constexpr auto fields() { return std::tuple{field("index", &PitStopRemoved::index)}; }
};

struct LapsMerged {
    static constexpr Op op = Op::LapsMerged;
    core::Lap lap;
    static constexpr auto fields() { return std::tuple{field("lap", &LapsMerged::lap)}; }
};

struct LapSplit {
    static constexpr Op op = Op::LapSplit;
    core::Lap first;
    core::Lap second;
    static constexpr auto fields() {
        return std::tuple{field("first", &LapSplit::first), field("second", &LapSplit::second)};
    }
};

using Stopped = Bare<Op::Stopped>;
using AddressCleared = Bare<Op::AddressCleared>;
using LapCorrected = Bare<Op::LapCorrected>;  // the lap count is the change's lap
using CarStopped = Bare<Op::CarStopped>;
using LapRepairUndone = Bare<Op::LapRepairUndone>;
using Resumed = AtTick<Op::Resumed>;
using StopwatchStarted = AtTick<Op::StopwatchStarted>;
using StopwatchStopped = AtTick<Op::StopwatchStopped>;
using PitEntered = AtTick<Op::PitEntered>;
using ReportHeard = AtTick<Op::ReportHeard>;

}  // namespace op

// Every operation's record; a change that is no operation (standings, the clock) has none.
struct Operation
    : std::variant<op::Started, op::Stopped, op::Resumed, op::RaceLengthEdited, op::EventDataEdited,
                   op::CourseChosen, op::AllCarMessageTyped, op::StopwatchStarted,
                   op::StopwatchStopped, op::RulesSet, op::AddressSet, op::AddressCleared,
                   op::CarChosen, op::DriverChosen, op::ChoicesShown, op::LapCounted,
                   op::LapRecorded, op::LapCorrected, op::LapTimeEdited, op::LapDriverEdited,
                   op::LapRemarksEdited, op::CarStopped, op::Refuelled, op::EconomyEdited,
                   op::CountdownSwitched, op::CountdownEdited, op::MessageTyped,
                   op::MessageReceived, op::PitStopRecorded, op::PitStopEdited, op::PitStopRemoved,
                   op::PitEntered, op::LapsMerged, op::LapSplit, op::LapRepairUndone,
                   op::DriverEntriesListed, op::ReportHeard> {
    using variant::variant;
};

// The change an operation makes.
template <class Record>
Change changeOf(const Record& record, int slot = -1, int lap = 0, const QString& detail = {}) {
    return {Record::op, slot, lap, detail, std::make_shared<const Operation>(record)};
}

// The change's record when it is that operation's; nullptr otherwise.
template <class Record>
const Record* recordOf(const Change& change) {
    return change.operation ? std::get_if<Record>(change.operation.get()) : nullptr;
}

// What the change's operation carried as the journal keeps it and the broker sends it, by its
// fields' table; empty for a result.
QVariantMap argsOf(const Change& change);
// A change as kept or sent, its record read back from what argsOf wrote (and what earlier
// releases wrote); none for a name no operation or result has.
std::optional<Change> changeFrom(const QString& name, int slot, int lap, const QString& detail,
                                 const QVariantMap& args);

// A car's last message and last report (none before its first), which a race keeps apart from
// its operations: the changes that give them to a race rebuilt elsewhere.
QList<Change> lastHeardChanges(int slot, const QString& message, std::optional<qint32> tick);

}  // namespace kaltero::model
