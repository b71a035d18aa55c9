#include "model/change.h"

#include <array>
#include <string_view>

namespace kaltero::model {

namespace {

// Each operation's name in the log and the journal, in the order of Op: the journal's keys, so
// a name never changes.
constexpr std::array<std::u16string_view, 39> kOpNames = {
    u"started",                    // Started
    u"stopped",                    // Stopped
    u"resumed",                    // Resumed
    u"race length edited",         // RaceLengthEdited
    u"event data edited",          // EventDataEdited
    u"course chosen",              // CourseChosen
    u"message to all cars typed",  // AllCarMessageTyped
    u"stopwatch started",          // StopwatchStarted
    u"stopwatch stopped",          // StopwatchStopped
    u"rules set",                  // RulesSet
    u"address set",                // AddressSet
    u"address cleared",            // AddressCleared
    u"car chosen",                 // CarChosen
    u"driver chosen",              // DriverChosen
    u"choices shown",              // ChoicesShown
    u"lap counted",                // LapCounted
    u"lap recorded",               // LapRecorded
    u"lap count corrected",        // LapCorrected
    u"lap time edited",            // LapTimeEdited
    u"lap driver edited",          // LapDriverEdited
    u"lap remarks edited",         // LapRemarksEdited
    u"car stopped",                // CarStopped
    u"refuelled",                  // Refuelled
    u"economy edited",             // EconomyEdited
    u"countdown switched",         // CountdownSwitched
    u"countdown edited",           // CountdownEdited
    u"message typed",              // MessageTyped
    u"message received",           // MessageReceived
    u"pit stop recorded",          // PitStopRecorded
    u"pit stop edited",            // PitStopEdited
    u"pit stop removed",           // PitStopRemoved
    u"pit entered",                // PitEntered
    u"laps merged",                // LapsMerged
    u"lap split",                  // LapSplit
    u"lap repair undone",          // LapRepairUndone
    u"driver entries listed",      // DriverEntriesListed
    u"report heard",               // ReportHeard
    u"standings updated",          // StandingsUpdated
    u"clock updated",              // ClockUpdated
};
static_assert(kOpNames.size() == std::size_t(Op::ClockUpdated) + 1);

}  // namespace

QString opName(Op op) {
    const auto name = kOpNames.at(std::size_t(op));
    return QString::fromUtf16(name.data(), qsizetype(name.size()));
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
    for (std::size_t i = 0; i < kOpNames.size(); ++i) {
        if (name == QStringView(kOpNames[i].data(), qsizetype(kOpNames[i].size()))) {
            return Op(i);
        }
    }
    return std::nullopt;
}

}  // namespace kaltero::model
