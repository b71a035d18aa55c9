#pragma once

#include "core/slot_state.h"
#include "engine/notice.h"
#include "link/car_link.h"

#include <QDateTime>
#include <QObject>
#include <array>
#include <memory>

namespace kaltero::core {
struct Console;
}

namespace kaltero::platform {
class Timer;
}

namespace kaltero::engine {

// Times the race: the tick counter, the car link on its sockets, every taking-part car's lap
// timer (a silence counts a lap) and the race clock. It needs no window: a window follows the
// race and this service's signals, and turns the operator's input into its operations.
class RaceEngine : public QObject {
    Q_OBJECT

public:
    explicit RaceEngine(core::Console& console);
    ~RaceEngine() override;

    // Start: the tick counter from zero, the race started, its cars listened to. False, and
    // nothing changes, while no slot has a car PC's address.
    bool start();
    // Goes on timing the race rebuilt from the journal: the tick counter counts from the race's
    // own start by the wall clock, never earlier than the race last recorded.
    void resume();
    // Stop: no car is timed any more, countdowns off, the address check listens again.
    void stop();
    // One car stops being timed; its laps stay. The last running car's stop ends the race
    // without asking.
    void stopCar(int slot);
    // Listens for address checks while idle. A port another program holds is told once.
    bool bindAddressCheck();

    // Every 99 ms per timed car: the running lap time moves on, and a silence counts a lap.
    void onLapTimer(int slot);
    // Every second: the race time left for the predictions and the lap records.
    void onClockSecond();

    link::CarLink& link() { return link_; }
    const platform::Timer& lapTimer(int slot) const { return *lapTimers_.at(slot); }
    const platform::Timer& clockTimer() const { return *clockTimer_; }

    // The running lap time's refresh, also the stopwatch's.
    static constexpr int kLapTimerMs = 99;

Q_SIGNALS:
    // A timed car's running lap time moved on (every kLapTimerMs).
    void lapClockTicked(int slot);
    // The clock's second, after the race time left was updated.
    void clockTicked(const QDateTime& now);
    // Something the operator must know while the race goes on (a port another program holds);
    // the session that holds the engine tells them.
    void told(const kaltero::engine::Notice& notice);

private:
    // Every running car's socket and lap timer; the others are closed and still.
    void listen();
    void closeCar(int slot);
    // A car in the pit (or parked within reach long enough) when its timing ends: its stop
    // up to now.
    void recordOpenStop(int slot);
    qint64 pitStopTicks() const;

    core::Console& c_;
    link::CarLink link_;
    std::array<std::unique_ptr<platform::Timer>, core::kSlotCount> lapTimers_;
    std::unique_ptr<platform::Timer> clockTimer_;
    bool checkPortTold_ = false;
};

}  // namespace kaltero::engine
