#include "model/change_args.h"
#include "model/race_model.h"

namespace kaltero::model {

using namespace Qt::StringLiterals;

namespace {

// The end of the race an operation carried: "endMs" now, "end" in older journals.
std::optional<QDateTime> endFrom(const QVariantMap& a) {
    return instantFrom(a.contains(u"endMs"_s) ? a.value(u"endMs"_s) : a.value(u"end"_s));
}

}  // namespace

void RaceModel::replay(const Change& c) {
    const QVariantMap& a = c.args;
    const auto text = [&a](const char16_t* key) {
        return a.value(QString::fromUtf16(key)).toString();
    };
    const int s = c.slot;
    switch (c.op) {
        case Op::Started:
            // Older journals carry no set-up: their idle operations before Start rebuild it.
            if (a.contains(u"setUp"_s)) {
                applySetUp(s_, a.value(u"setUp"_s).toMap());
            }
            start(
                instantFrom(a.contains(u"startMs"_s) ? a.value(u"startMs"_s) : a.value(u"start"_s))
                    .value_or(QDateTime()),
                endFrom(a));
            break;
        case Op::Stopped:
            stop();
            break;
        case Op::Resumed:
            resume(a.value(u"tick"_s).toInt());
            break;
        case Op::RaceLengthEdited:
            editRaceLength(text(u"RunH"), text(u"RunN"),
                           a.contains(u"endMs"_s) || a.contains(u"end"_s)
                               ? std::optional(endFrom(a))
                               : std::nullopt);
            break;
        case Op::EventDataEdited:
            editEventData({text(u"name"), text(u"date"), text(u"weather"), text(u"temperature")});
            break;
        case Op::CourseChosen:
            chooseCourse(text(u"name"), a.value(u"length"_s).toInt());
            break;
        case Op::AllCarMessageTyped:
            typeAllCarMessage(text(u"typed"), text(u"AllCarMsg"));
            break;
        case Op::StopwatchStarted:
            startStopwatch(a.value(u"tick"_s).toInt());
            break;
        case Op::StopwatchStopped:
            stopStopwatch(a.value(u"tick"_s).toInt());
            break;
        case Op::RulesSet:
            setRules(rulesFrom(a));
            break;
        case Op::AddressSet:
            setAddress(s, text(u"address"), a.value(u"setUp"_s).toBool());
            break;
        case Op::AddressCleared:
            clearAddress(s);
            break;
        case Op::CarChosen:
            chooseCar(s, text(u"name"), text(u"TankTxt"), a.value(u"TankCapacity"_s).toFloat(),
                      a.value(u"FuelEconomy"_s).toFloat());
            break;
        case Op::ChoicesShown:
            showChoices(s, text(u"carName"), text(u"driver"));
            break;
        case Op::DriverChosen:
            // Older journals carry no tick.
            chooseDriver(
                s, text(u"name"), text(u"countdown"),
                a.contains(u"tick"_s) ? std::optional(a.value(u"tick"_s).toInt()) : std::nullopt);
            break;
        case Op::LapCounted:
            // The contact period the silence ended, as the lap it closed keeps it; older
            // journals do not carry it.
            if (a.contains(u"contactLast"_s) && s >= 0 && car(s).LapCnt >= 1) {
                core::CarSlot& counted = at(s);
                counted.InContact = true;
                counted.ContactStartTick = counted.laps.value(counted.LapCnt - 1).endTick;
                counted.LastRcvTick = a.value(u"contactLast"_s).toInt();
                counted.ContactReports = a.value(u"contactReports"_s).toInt();
            }
            countLap(s, text(u"countdown"));
            break;
        case Op::MessageReceived:
            showMessage(s, text(u"message"));
            break;
        case Op::LapRecorded: {
            const core::Lap lap = lapFrom(a.value(u"lap"_s).toMap());
            std::optional<Figures> figures;
            if (a.contains(u"figures"_s)) {
                figures = figuresFrom(a.value(u"figures"_s).toMap());  // older journals
            } else if (figureRule_ && c.lap > 0) {
                QList<core::Lap> laps = car(s).laps;
                laps.resize(std::max<qsizetype>(laps.size(), c.lap));
                laps[c.lap - 1] = lap;
                s_.RemainTicks = a.value(u"remain"_s).toInt();
                figures = figureRule_(laps, car(s), s_.RemainTicks);
            }
            recordLap(s, c.lap, lap, a.value(u"tick"_s).toInt(), figures, text(u"record"));
            break;
        }
        case Op::LapCorrected:
            correctLapCount(s, c.lap);
            break;
        case Op::LapTimeEdited:
            editLapTime(s, c.lap, text(u"text"), a.value(u"ticks"_s).toInt());
            break;
        case Op::LapDriverEdited:
            editLapDriver(s, c.lap, text(u"driver"));
            break;
        case Op::LapRemarksEdited:
            editLapRemarks(s, c.lap, text(u"remarks"));
            break;
        case Op::CarStopped:
            stopCar(s);
            break;
        case Op::Refuelled:
            refuel(s, a.value(u"total"_s).toFloat());
            break;
        case Op::EconomyEdited:
            editEconomy(s, a.value(u"economy"_s).toFloat());
            break;
        case Op::CountdownSwitched:
            switchCountdown(s, a.value(u"on"_s).toBool(), text(u"countdown"));
            break;
        case Op::CountdownEdited:
            editCountdown(s, text(u"countdown"));
            break;
        case Op::MessageTyped:
            typeMessage(s, text(u"text"));
            break;
        case Op::PitStopRecorded:
            recordPitStop(s, pitStopFrom(a));
            break;
        case Op::PitStopEdited:
            editPitStop(s, a.value(u"index"_s).toInt(), pitStopFrom(a));
            break;
        case Op::PitEntered:
            enterPit(s, a.value(u"tick"_s).toInt());
            break;
        case Op::LapsMerged:
            mergeLaps(s, c.lap, lapFrom(a.value(u"lap"_s).toMap()));
            break;
        case Op::LapSplit:
            splitLap(s, c.lap, lapFrom(a.value(u"first"_s).toMap()),
                     lapFrom(a.value(u"second"_s).toMap()));
            break;
        case Op::LapRepairUndone:
            undoLapRepair(s);
            break;
        case Op::DriverEntriesListed:
            listDriverEntries(s, a.value(u"names"_s).toStringList());
            break;
        case Op::ReportHeard:
            heardBefore(s, a.value(u"tick"_s).toInt());
            break;
        case Op::PitStopRemoved:
            removePitStop(s, a.value(u"index"_s).toInt());
            break;
        case Op::StandingsUpdated:
        case Op::ClockUpdated:
            break;
    }
}

}  // namespace kaltero::model
