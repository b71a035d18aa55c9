#include "tick_clock.h"

#include "clock.h"

#include <algorithm>
#include <limits>

namespace kaltero::platform {

void TickClock::start(int ticksPerSecond, qint64 elapsedNs) {
    periodNs_ = 1'000'000'000LL / (ticksPerSecond > 0 ? ticksPerSecond : 1000);
    startNs_ = clock_.monotonicNs() - std::max<qint64>(elapsedNs, 0);
    frozen_ = 0;
    running_ = true;
}

void TickClock::stop() {
    frozen_ = TickCnt();
    running_ = false;
}

qint32 TickClock::TickCnt() const {
    return running_ ? ticksAt(clock_.monotonicNs()) : frozen_;
}

qint32 TickClock::TickCntAgo(qint64 ageNs) const {
    return running_ ? ticksAt(clock_.monotonicNsAgo(ageNs)) : frozen_;
}

qint32 TickClock::ticksAt(qint64 monotonicNs) const {
    const qint64 ticks = std::max<qint64>(monotonicNs - startNs_, 0) / periodNs_;
    // A run of 24.8 days at 1/1000 would pass the 32-bit range: hold at the top rather
    // than wrap to negative lap times.
    return static_cast<qint32>(std::min<qint64>(ticks, std::numeric_limits<qint32>::max()));
}

}  // namespace kaltero::platform
