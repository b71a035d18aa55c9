#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace kaltero::model {

// What happened to the race. The operations are what the operator and the cars do; a log of
// them, in order, reads like the race. The last kinds are results the console works out from
// them (standings, the clock): views redraw on them, a journal need not keep them.
enum class Op {
    // race
    Started,
    Stopped,
    Resumed,
    RaceLengthEdited,
    EventDataEdited,
    CourseChosen,
    AllCarMessageTyped,
    StopwatchStarted,
    StopwatchStopped,
    RulesSet,
    // car slot
    AddressSet,
    AddressCleared,
    CarChosen,
    DriverChosen,
    ChoicesShown,
    LapCounted,
    LapRecorded,
    LapCorrected,
    LapTimeEdited,
    LapDriverEdited,
    LapRemarksEdited,
    CarStopped,
    Refuelled,
    EconomyEdited,
    CountdownSwitched,
    CountdownEdited,
    MessageTyped,
    MessageReceived,
    PitStopRecorded,
    PitStopEdited,
    PitStopRemoved,
    PitEntered,
    LapsMerged,
    LapSplit,
    LapRepairUndone,
    DriverEntriesListed,
    // The car's last report, kept so that a silence goes on across a restart. Announced by
    // RaceModel::reportHeard, not `changed`: nothing a view shows changes with it.
    ReportHeard,
    // results
    StandingsUpdated,
    ClockUpdated,
};

// An operation's record (operations.h).
struct Operation;

// One change: which operation, for which slot (-1: the whole race) and lap (0: none), and
// what it carried, as the log shows it.
struct Change {
    Op op = Op::Started;
    int slot = -1;
    int lap = 0;
    QString detail;
    // The operation's record, enough to apply it again (RaceModel::replay); none for a result.
    // Shared: a change is copied to every view and thread that follows the race.
    std::shared_ptr<const Operation> operation;

    // True for what the operator or a car did, false for a worked-out result.
    bool isOperation() const;
    // "lap recorded: car 2 lap 3 83000" - one line of the race log.
    QString logLine() const;
};

// The operation's name in the log: "lap recorded".
QString opName(Op op);
// The operation of that name; none for a name no operation has.
std::optional<Op> opFromName(const QString& name);

}  // namespace kaltero::model
