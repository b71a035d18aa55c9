#pragma once

#include "core/slot_state.h"
#include "model/change.h"
#include "model/operations.h"

#include <QObject>
#include <array>
#include <functional>
#include <optional>

namespace kaltero::model {

enum class RunState { Idle, Timing };

// A car's figures as the statistics rule works them out from its laps. Times are ticks.
struct Figures {
    qint32 BestLapTicks = core::kNoLapTicks;  // kNoLapTicks: no lap of any time
    qint32 BestLapNo = 0;
    std::optional<qint32> AveLapTicks = std::nullopt;    // none: no lap time to average
    std::optional<qint64> PredictedLaps = std::nullopt;  // none: not worked out yet
    qint32 DrvBestLapTicks = core::kNoLapTicks;
    qint32 DrvBestLapNo = 0;
    std::optional<qint32> DrvAveLapTicks = std::nullopt;  // none while the car has no average
    qint32 DrvTotalTicks = 0;
    qint32 DrvLapCnt = 0;
    qint32 TicksPerSecond = 0;  // the precision they were timed at; 0: the console's
};

// What a report brought, as the link rules read it.
struct ReportIn {
    QString RcvData;
    qint32 CarLapNo = 0;
    QString message;
    QString AutoMsg;
    QString SendMsg;
};

// The race: run state, race-wide values and the five car slots with their laps. Every change
// the operator or a car makes goes through one of the operations below, and each announces
// itself with `changed` once the model is consistent again; an edit that changes nothing
// announces nothing. Views draw from the model; a journal can record the operations and replay
// them. The rules that decide what an operation
// carries (lap times, records, figures) live with the handlers; the model only keeps the race.
class RaceModel : public QObject {
    Q_OBJECT

public:
    explicit RaceModel(QObject* parent = nullptr);

    const core::RaceState& state() const { return s_; }
    const core::CarSlot& car(int slot) const { return s_.car.at(slot); }
    RunState runState() const { return run_; }
    bool timing() const { return run_ == RunState::Timing; }
    // Slots that had an address at the last Start, in slot order.
    QList<int> takingPart() const;
    // A slot still timed: taking part, not stopped.
    bool anyRunning() const;
    // The latest tick the race has recorded (a lap's end, a resume, the stopwatch): a race
    // rebuilt after a restart goes on from no earlier tick, whatever the wall clock says.
    qint32 latestTick() const { return latestTick_; }

    // --- the race
    // Timing starts with every set-up slot that has an address; their laps start from none.
    void start(const QDateTime& startTime, std::optional<QDateTime> endTime);
    void stop();
    // The console came back after a restart at `tick` of the race rebuilt from its operations:
    // every car gets a fresh silence, and marks the next lap it closes.
    void resume(qint32 tick);
    // The operator answered the stop question already (the last car was stopped).
    void setStopNoAsk(bool noAsk);
    void editRaceLength(const QString& RunH, const QString& RunN,
                        std::optional<std::optional<QDateTime>> endTime);
    void editEventData(const core::EventData& event);
    void chooseCourse(const QString& name, qint32 length);
    void typeAllCarMessage(const QString& typed);
    void startStopwatch(qint32 tick);
    void stopStopwatch(qint32 tick);
    // The endurance rules in force from now on; the same rules again announce nothing.
    void setRules(const core::RaceRules& rules);
    // The precision the next Start fixes for its race; the Start's set-up carries it.
    void timeAt(qint32 ticksPerSecond) { s_.TicksPerSecond = ticksPerSecond; }
    void updateClock(qint32 RemainTicks);
    void updateStandings(const QList<core::StandingsRow>& standings);

    // --- a car slot
    void setAddress(int slot, const QString& address, bool setUp);
    void clearAddress(int slot);
    void chooseCar(int slot, const QString& name, const QString& TankTxt, float TankCapacity,
                   float FuelEconomy);
    // The car and driver lists show these entries: picked, set again, or lost when a master
    // file was loaded again. The driver change of an operator's pick is chooseDriver.
    void showChoices(int slot, const QString& carName, const QString& driver);
    // The driver changes: the countdown switches off with the given text. While timing, `tick`
    // is when the change was entered.
    void chooseDriver(int slot, const QString& name, const QString& countdownTxt,
                      std::optional<qint32> tick = std::nullopt);
    // Who may drive the car: its entries in the driver list.
    void listDriverEntries(int slot, const QStringList& names);
    // The silence counted a lap: a new row without a time; the countdown (when on) shows the
    // given text, the operator's message is cleared.
    void countLap(int slot, const QString& countdownTxt);
    void receiveReport(int slot, const ReportIn& report);
    // The car's last message as the console shows it (a race rebuilt from its operations).
    void showMessage(int slot, const QString& message);
    // The longest part of a car's message the console shows and keeps as its last message.
    static constexpr qsizetype kShownMessageChars = 256;
    // A report closed lap `lapNo` at `tick`: the lap, the figures worked out with it (none: the
    // car then shows no figures) and the record the car is sent.
    void recordLap(int slot, qint32 lapNo, const core::Lap& lap, qint32 tick,
                   const std::optional<Figures>& figures, const QString& LapRecord);
    // The report is answered: the car was last heard at `tick`, no lap is waiting.
    void reportHandled(int slot, qint32 tick);
    // A race rebuilt after a restart: the car was last heard at `tick` before it, so its
    // silence counts from then on resume. Announced as the report itself was, so a journal
    // following a race rebuilt elsewhere keeps it too.
    void heardBefore(int slot, qint32 tick);
    // The operator sets the lap count to n: laps after it go, missing ones are added empty.
    void correctLapCount(int slot, qint32 n);
    // The operator repairs what the pit's network did to the laps. A merge makes lap `lapNo`
    // and the next one lap `merged`, a split makes lap `lapNo` the two laps `first` and
    // `second` (first ends where second begins); later laps renumber and the stops follow their
    // ticks: stops in a merged lap join into one. The car is told its lap count again, as after
    // a correction, and its figures are worked out again. A lap that is not there changes
    // nothing.
    void mergeLaps(int slot, qint32 lapNo, const core::Lap& merged);
    void splitLap(int slot, qint32 lapNo, const core::Lap& first, const core::Lap& second);
    // Undoes the car's last merge or split not undone yet; false when there is none.
    bool undoLapRepair(int slot);
    // The lap the car's next undo gives back, 0 for none.
    qint32 lapToUndo(int slot) const;
    void editLapTime(int slot, int lapNo, const QString& text, qint32 ticks);
    void editLapDriver(int slot, int lapNo, const QString& driver);
    void editLapRemarks(int slot, int lapNo, const QString& remarks);
    void stopCar(int slot);
    void refuel(int slot, float FuelTotal);
    void editEconomy(int slot, float FuelEconomy);
    void switchCountdown(int slot, bool on, const QString& countdownTxt);
    void editCountdown(int slot, const QString& countdownTxt);
    void typeMessage(int slot, const QString& text);
    // The car's contact period passed the pit stop threshold: it stands in the pit since `tick`,
    // the contact's start, until its stop is recorded.
    void enterPit(int slot, qint32 tick);
    // The link found a pit stop: the car's contact period that just ended, or the stop it was
    // in when timing stopped. The car is out of the pit.
    void recordPitStop(int slot, const core::PitStop& stop);
    // The operator enters a stop (index -1) or corrects stop `index`; the list stays in the order
    // the stops started. An index that names no stop changes nothing.
    void editPitStop(int slot, int index, const core::PitStop& stop);
    void removePitStop(int slot, int index);

    // Applies an operation again from what it carried, as the race first made it; a change that
    // is no operation is ignored. Replaying a race's operations in order rebuilds the race.
    void replay(const Change& change);
    // The console's statistics rule: a car's figures from its laps (the lap just recorded in
    // place), the car as it stands and the race time left. A replayed lap works its figures out
    // again with it; without one the car shows no figures.
    using FigureRule = std::function<Figures(const QList<core::Lap>& laps, const core::CarSlot& car,
                                             qint32 RemainTicks)>;
    void setFigureRule(FigureRule rule) { figureRule_ = std::move(rule); }

Q_SIGNALS:
    void changed(const kaltero::model::Change& change);
    // Every report answered (Op::ReportHeard with its tick): too frequent and too small for
    // the views, kept by the journal.
    void reportHeard(const kaltero::model::Change& change);

private:
    core::CarSlot& at(int slot) { return s_.car.at(slot); }
    core::Lap& lapAt(int slot, int lapNo);
    // The operation is done and the model consistent again: the change tells what it carried.
    template <class Record>
    void announce(const Record& record, int slot = -1, int lap = 0, const QString& detail = {}) {
        Q_EMIT changed(changeOf(record, slot, lap, detail));
    }
    void applyFigures(core::CarSlot& car, const std::optional<Figures>& f);
    void showDriverRow(core::CarSlot& car, const std::optional<Figures>& figures);
    // After a repair: the car takes its record as corrected, its figures are worked out again.
    void afterRepair(int slot);

    // Replays each operation's record (replay.cpp).
    friend class Replay;

    // A merge or split as it can be undone: the laps as they were, and for a merge the stops
    // it joined with the one they became.
    struct LapRepair {
        bool merge = false;
        qint32 lapNo = 0;
        QList<core::Lap> laps;
        QList<core::PitStop> joined;
        core::PitStop join;
    };

    core::RaceState s_;
    RunState run_ = RunState::Idle;
    qint32 latestTick_ = 0;
    // Each car's last report before a restart, while the race is rebuilt.
    std::array<std::optional<qint32>, core::kSlotCount> heardBefore_;
    FigureRule figureRule_;
    // Each car's repairs that can be undone, the last one last.
    std::array<QList<LapRepair>, core::kSlotCount> repairs_;
};

}  // namespace kaltero::model
