#pragma once

#include "platform/clock.h"

namespace kaltero::headless {

// The system's clocks and timers, except that timers made while skipping() is on fire at once:
// the splash's three seconds are there for an operator's eyes, and a console without a screen
// that is restarted again and again would spend most of its life waiting on them.
class SplashSkippingClock final : public platform::Clock {
public:
    void setSkipping(bool on) { skipping_ = on; }

    QDateTime now() const override { return system_.now(); }
    qint64 monotonicNs() const override { return system_.monotonicNs(); }
    qint64 monotonicNsAgo(qint64 ageNs) const override { return system_.monotonicNsAgo(ageNs); }
    std::unique_ptr<platform::Timer> makeTimer() override;

private:
    platform::SystemClock system_;
    bool skipping_ = false;
};

}  // namespace kaltero::headless
