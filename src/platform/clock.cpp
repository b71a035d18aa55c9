#include "clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace kaltero::platform {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
    }
    void setInterval(int ms) override { timer_.setInterval(ms); }
    int interval() const override { return timer_.interval(); }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

}  // namespace

struct SystemClock::Impl {
    QElapsedTimer since;
};

SystemClock::SystemClock() : impl_(std::make_shared<Impl>()) {
    impl_->since.start();
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

qint64 SystemClock::monotonicNs() const {
    return impl_->since.nsecsElapsed();
}

qint64 SystemClock::monotonicNsAgo(qint64 ageNs) const {
    return monotonicNs() - std::max<qint64>(ageNs, 0);
}

std::unique_ptr<Timer> SystemClock::makeTimer() {
    return std::make_unique<QtTimer>();
}

class ManualClock::ManualTimer final : public Timer {
public:
    explicit ManualTimer(ManualClock* clock) : clock_(clock) { clock_->timers_.push_back(this); }
    ~ManualTimer() override {
        if (clock_ != nullptr) {
            std::erase(clock_->timers_, this);
        }
    }
    void setInterval(int ms) override {
        interval_ = ms;
        if (active_) {
            start();
        }
    }
    int interval() const override { return interval_; }
    void start() override {
        active_ = true;
        due_ = clock_->elapsedMs_ + std::max(interval_, 1);
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

    void detach() { clock_ = nullptr; }
    qint64 due() const { return due_; }
    void timeout() {
        due_ += std::max(interval_, 1);
        fire();
    }

private:
    ManualClock* clock_;
    int interval_ = 0;
    bool active_ = false;
    qint64 due_ = 0;
};

ManualClock::ManualClock(QDateTime start) : wall_(std::move(start)) {}

ManualClock::~ManualClock() {
    for (ManualTimer* timer : timers_) {
        timer->detach();
    }
}

QDateTime ManualClock::now() const {
    return wall_;
}

qint64 ManualClock::monotonicNs() const {
    return elapsedMs_ * 1'000'000;
}

qint64 ManualClock::monotonicNsAgo(qint64 /*ageNs*/) const {
    return monotonicNs();
}

std::unique_ptr<Timer> ManualClock::makeTimer() {
    return std::make_unique<ManualTimer>(this);
}

void ManualClock::advance(qint64 ms) {
    const qint64 target = elapsedMs_ + ms;
    for (;;) {
        ManualTimer* next = nullptr;
        qint64 nextDue = std::numeric_limits<qint64>::max();
        for (ManualTimer* timer : timers_) {
            if (timer->isActive() && timer->due() <= target && timer->due() < nextDue) {
                next = timer;
                nextDue = timer->due();
            }
        }
        if (next == nullptr) {
            break;
        }
        wall_ = wall_.addMSecs(nextDue - elapsedMs_);
        elapsedMs_ = nextDue;
        next->timeout();
    }
    wall_ = wall_.addMSecs(target - elapsedMs_);
    elapsedMs_ = target;
}

}  // namespace kaltero::platform
