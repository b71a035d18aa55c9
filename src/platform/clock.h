#pragma once

#include <QDateTime>
#include <functional>
#include <memory>

namespace kaltero::platform {

// A repeating timer whose timeout runs on the user-interface thread.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    void onTimeout(std::function<void()> handler) { handler_ = std::move(handler); }

protected:
    void fire() {
        if (handler_) {
            handler_();
        }
    }

private:
    std::function<void()> handler_;
};

// Wall clock, monotonic clock and timers: everything the console asks the system about time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Nanoseconds of a steady clock that never jumps; its origin is arbitrary.
    virtual qint64 monotonicNs() const = 0;
    // monotonicNs() of a moment ageNs of real time ago: when a datagram that has waited that
    // long in the system arrived.
    virtual qint64 monotonicNsAgo(qint64 ageNs) const = 0;
    virtual std::unique_ptr<Timer> makeTimer() = 0;
};

// The system's clocks and Qt timers.
class SystemClock final : public Clock {
public:
    SystemClock();
    QDateTime now() const override;
    qint64 monotonicNs() const override;
    qint64 monotonicNsAgo(qint64 ageNs) const override;
    std::unique_ptr<Timer> makeTimer() override;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

// A clock that moves only when told to; its timers fire from advance(), in time order.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 4, 3), QTime(9, 0, 0)));
    ~ManualClock() override;
    QDateTime now() const override;
    qint64 monotonicNs() const override;
    // Real time does not move this clock: whatever arrives, arrives at its present moment.
    qint64 monotonicNsAgo(qint64 ageNs) const override;
    std::unique_ptr<Timer> makeTimer() override;

    // Moves both clocks forward by ms and fires every timer that falls due on the way.
    void advance(qint64 ms);
    void setNow(const QDateTime& wall) { wall_ = wall; }

private:
    class ManualTimer;
    QDateTime wall_;
    qint64 elapsedMs_ = 0;
    std::vector<ManualTimer*> timers_;
};

}  // namespace kaltero::platform
