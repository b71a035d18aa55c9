#pragma once

#include <QtGlobal>

namespace kaltero::platform {

class Clock;

// The race tick counter. TickCnt is derived from the monotonic clock rather than counted by
// a timer thread: floor((now - start) / tick period) while running, frozen at stop. It
// advances exactly once per period, loses no tick when the machine is busy and costs
// nothing when nobody reads it.
class TickClock {
public:
    explicit TickClock(const Clock& clock) : clock_(clock) {}

    // Counts from 0 again, one tick per 1/ticksPerSecond s.
    // Counts from 0 again, one tick per 1/ticksPerSecond s; elapsedNs of the run have already
    // passed (a race resumed after a restart goes on from its own tick 0).
    void start(int ticksPerSecond, qint64 elapsedNs = 0);
    // Freezes the count at its current value.
    void stop();
    bool running() const { return running_; }
    qint32 TickCnt() const;
    // TickCnt as it stood ageNs of real time ago (when a datagram read now arrived); never
    // before the start of the run.
    qint32 TickCntAgo(qint64 ageNs) const;

private:
    qint32 ticksAt(qint64 monotonicNs) const;

    const Clock& clock_;
    qint64 startNs_ = 0;
    qint64 periodNs_ = 1'000'000;
    qint32 frozen_ = 0;
    bool running_ = false;
};

}  // namespace kaltero::platform
