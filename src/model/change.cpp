#include "model/change.h"

namespace kaltero::model {

QString opName(Op op) {
    switch (op) {
        case Op::Started:
            return QStringLiteral("started");
        case Op::Stopped:
            return QStringLiteral("stopped");
        case Op::Resumed:
            return QStringLiteral("resumed");
        case Op::RaceLengthEdited:
            return QStringLiteral("race length edited");
        case Op::EventDataEdited:
            return QStringLiteral("event data edited");
        case Op::CourseChosen:
            return QStringLiteral("course chosen");
        case Op::AllCarMessageTyped:
            return QStringLiteral("message to all cars typed");
        case Op::StopwatchStarted:
            return QStringLiteral("stopwatch started");
        case Op::StopwatchStopped:
            return QStringLiteral("stopwatch stopped");
        case Op::RulesSet:
            return QStringLiteral("rules set");
        case Op::AddressSet:
            return QStringLiteral("address set");
        case Op::AddressCleared:
            return QStringLiteral("address cleared");
        case Op::CarChosen:
            return QStringLiteral("car chosen");
        case Op::DriverChosen:
            return QStringLiteral("driver chosen");
        case Op::ChoicesShown:
            return QStringLiteral("choices shown");
        case Op::LapCounted:
            return QStringLiteral("lap counted");
        case Op::LapRecorded:
            return QStringLiteral("lap recorded");
        case Op::LapCorrected:
            return QStringLiteral("lap count corrected");
        case Op::LapTimeEdited:
            return QStringLiteral("lap time edited");
        case Op::LapDriverEdited:
            return QStringLiteral("lap driver edited");
        case Op::LapRemarksEdited:
            return QStringLiteral("lap remarks edited");
        case Op::CarStopped:
            return QStringLiteral("car stopped");
        case Op::Refuelled:
            return QStringLiteral("refuelled");
        case Op::EconomyEdited:
            return QStringLiteral("economy edited");
        case Op::CountdownSwitched:
            return QStringLiteral("countdown switched");
        case Op::CountdownEdited:
            return QStringLiteral("countdown edited");
        case Op::MessageTyped:
            return QStringLiteral("message typed");
        case Op::MessageReceived:
            return QStringLiteral("message received");
        case Op::PitStopRecorded:
            return QStringLiteral("pit stop recorded");
        case Op::PitStopEdited:
            return QStringLiteral("pit stop edited");
        case Op::PitStopRemoved:
            return QStringLiteral("pit stop removed");
        case Op::PitEntered:
            return QStringLiteral("pit entered");
        case Op::LapsMerged:
            return QStringLiteral("laps merged");
        case Op::LapSplit:
            return QStringLiteral("lap split");
        case Op::LapRepairUndone:
            return QStringLiteral("lap repair undone");
        case Op::DriverEntriesListed:
            return QStringLiteral("driver entries listed");
        case Op::ReportHeard:
            return QStringLiteral("report heard");
        case Op::StandingsUpdated:
            return QStringLiteral("standings updated");
        case Op::ClockUpdated:
            return QStringLiteral("clock updated");
    }
    return {};
}

bool Change::isOperation() const {
    return op != Op::StandingsUpdated && op != Op::ClockUpdated;
}

QString Change::logLine() const {
    QString line = opName(op);
    if (slot >= 0) {
        line += u": car " + QString::number(slot + 1);
    }
    if (lap > 0) {
        line += u" lap " + QString::number(lap);
    }
    if (!detail.isEmpty()) {
        line += (slot >= 0 ? u" " : u": ") + detail;
    }
    return line;
}

std::optional<Op> opFromName(const QString& name) {
    for (int i = 0; i <= int(Op::ClockUpdated); ++i) {
        if (opName(Op(i)) == name) {
            return Op(i);
        }
    }
    return std::nullopt;
}

}  // namespace kaltero::model
