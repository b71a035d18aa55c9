#pragma once

#include "core/slot_state.h"

#include <QString>
#include <array>
#include <functional>

class QHostAddress;

namespace kaltero::core {
struct Console;
}  // namespace kaltero::core

namespace kaltero::link {

// The car link: every report of a car is answered at once, and the first report after a
// silence closes and times the lap. Also the address check for car PCs while idle.
class CarLink {
public:
    explicit CarLink(core::Console& console);

    // arrivalTick: TickCnt when the report arrived, however late the console reads it.
    void onReport(int slot, const QString& RcvData, qint32 arrivalTick);
    void onAddressCheck(const QString& request);

    // Ranks the cars taking part on the standings board.
    void UpdateStandings();

    // Told after every report the link took, once the race holds it (the car's message shown).
    void onReportTaken(std::function<void(int slot)> told) { reportTaken_ = std::move(told); }

    static bool closesLap(const core::CarSlot& car);

    // Whether a report from `sender` comes from the car PC whose address the operator entered
    // (its replies go there). An address that is no numeric IPv4 address matches no sender.
    static bool fromCarPc(const QString& Address, const QHostAddress& sender);

private:
    // carMessage: the whole text the car sent, for the lap log; now: the report's arrival tick.
    void recordLap(int slot, const QString& carMessage, qint32 now);
    void reply(int slot, const QString& text);

    // A report from any other address than the car PC's is dropped unheard, when the
    // operator has the check on; counted per slot for the trace.
    bool takeReport(int slot, const QHostAddress& sender);

    core::Console& c_;
    std::array<qint64, core::kSlotCount> ignoredReports_{};
    std::function<void(int slot)> reportTaken_;
};

}  // namespace kaltero::link
