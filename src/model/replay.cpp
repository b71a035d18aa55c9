#include "model/change_args.h"
#include "model/race_model.h"

namespace kaltero::model {

// Applies each operation's record again, as the race first made it, to the car slot and lap
// the change names.
class Replay {
public:
    Replay(RaceModel& race, const Change& change) : m_(race), s_(change.slot), lap_(change.lap) {}

    void operator()(const op::Started& r) {
        // Older journals carry no set-up: their idle operations before Start rebuild it.
        if (r.setUp) {
            applySetUp(m_.s_, *r.setUp);
        }
        m_.start(r.start, r.end);
    }
    void operator()(const op::Stopped&) { m_.stop(); }
    void operator()(const op::Resumed& r) { m_.resume(r.tick); }
    void operator()(const op::RaceLengthEdited& r) { m_.editRaceLength(r.RunH, r.RunN, r.end); }
    void operator()(const op::EventDataEdited& r) {
        m_.editEventData({r.name, r.date, r.weather, r.temperature});
    }
    void operator()(const op::CourseChosen& r) { m_.chooseCourse(r.name, r.length); }
    void operator()(const op::AllCarMessageTyped& r) { m_.typeAllCarMessage(r.typed); }
    void operator()(const op::StopwatchStarted& r) { m_.startStopwatch(r.tick); }
    void operator()(const op::StopwatchStopped& r) { m_.stopStopwatch(r.tick); }
    void operator()(const op::RulesSet& r) { m_.setRules(r.rules); }
    void operator()(const op::AddressSet& r) { m_.setAddress(s_, r.address, r.setUp); }
    void operator()(const op::AddressCleared&) { m_.clearAddress(s_); }
    void operator()(const op::CarChosen& r) {
        m_.chooseCar(s_, r.name, r.TankTxt, r.TankCapacity, r.FuelEconomy);
    }
    void operator()(const op::ChoicesShown& r) { m_.showChoices(s_, r.carName, r.driver); }
    void operator()(const op::DriverChosen& r) { m_.chooseDriver(s_, r.name, r.countdown, r.tick); }
    void operator()(const op::DriverEntriesListed& r) { m_.listDriverEntries(s_, r.names); }
    void operator()(const op::LapCounted& r) {
        // The contact period the silence ended, as the lap it closed keeps it.
        if (r.contactLast && s_ >= 0 && m_.car(s_).LapCnt >= 1) {
            core::CarSlot& counted = m_.at(s_);
            counted.InContact = true;
            counted.ContactStartTick = counted.laps.value(counted.LapCnt - 1).endTick;
            counted.LastRcvTick = *r.contactLast;
            counted.ContactReports = r.contactReports.value_or(0);
        }
        m_.countLap(s_, r.countdown);
    }
    void operator()(const op::LapRecorded& r) {
        std::optional<Figures> figures;
        if (r.figures) {
            figures = figuresFrom(*r.figures);  // older journals
        } else if (m_.figureRule_ && lap_ > 0) {
            QList<core::Lap> laps = m_.car(s_).laps;
            laps.resize(std::max<qsizetype>(laps.size(), lap_));
            laps[lap_ - 1] = r.lap;
            m_.s_.RemainTicks = r.remain;
            figures = m_.figureRule_(laps, m_.car(s_), m_.s_.RemainTicks);
        }
        m_.recordLap(s_, lap_, r.lap, r.tick, figures, r.record);
    }
    void operator()(const op::LapCorrected&) { m_.correctLapCount(s_, lap_); }
    void operator()(const op::LapTimeEdited& r) { m_.editLapTime(s_, lap_, r.text, r.ticks); }
    void operator()(const op::LapDriverEdited& r) { m_.editLapDriver(s_, lap_, r.driver); }
    void operator()(const op::LapRemarksEdited& r) { m_.editLapRemarks(s_, lap_, r.remarks); }
    void operator()(const op::CarStopped&) { m_.stopCar(s_); }
    void operator()(const op::Refuelled& r) { m_.refuel(s_, r.total); }
    void operator()(const op::EconomyEdited& r) { m_.editEconomy(s_, r.economy); }
    void operator()(const op::CountdownSwitched& r) { m_.switchCountdown(s_, r.on, r.countdown); }
    void operator()(const op::CountdownEdited& r) { m_.editCountdown(s_, r.countdown); }
    void operator()(const op::MessageTyped& r) { m_.typeMessage(s_, r.text); }
    void operator()(const op::MessageReceived& r) { m_.showMessage(s_, r.message); }
    void operator()(const op::PitStopRecorded& r) { m_.recordPitStop(s_, r.stop); }
    void operator()(const op::PitStopEdited& r) { m_.editPitStop(s_, r.index, r.stop); }
    void operator()(const op::PitStopRemoved& r) { m_.removePitStop(s_, r.index); }
    void operator()(const op::PitEntered& r) { m_.enterPit(s_, r.tick); }
    void operator()(const op::LapsMerged& r) { m_.mergeLaps(s_, lap_, r.lap); }
    void operator()(const op::LapSplit& r) { m_.splitLap(s_, lap_, r.first, r.second); }
    void operator()(const op::LapRepairUndone&) { m_.undoLapRepair(s_); }
    void operator()(const op::ReportHeard& r) { m_.heardBefore(s_, r.tick); }

private:
    RaceModel& m_;
    int s_;
    int lap_;
};

void RaceModel::replay(const Change& change) {
    if (change.operation) {
        std::visit(Replay(*this, change), *change.operation);
    }
}

}  // namespace kaltero::model
