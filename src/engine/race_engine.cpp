#include "engine/race_engine.h"

#include "core/console_context.h"
#include "core/ports.h"
#include "model/race_model.h"
#include "platform/clock.h"
#include "platform/udp_link.h"
#include "race/fuel.h"
#include "timing/pit_wall.h"
#include "timing/race_length.h"
#include "timing/time_text.h"

#include <QHostAddress>
#include <algorithm>

namespace kaltero::engine {

using core::kSlotCount;

namespace {

// Each car taking part whose address is no dotted IPv4 address, parsed as the car link parses
// it.
QList<Notice::Car> carsWithoutNumericAddress(const core::RaceState& st) {
    QList<Notice::Car> cars;
    for (int s = 0; s < kSlotCount; ++s) {
        QHostAddress carPc;
        const QString& address = st.car[s].Address;
        if (st.car[s].TakesPart &&
            (!carPc.setAddress(address) || carPc.protocol() != QAbstractSocket::IPv4Protocol)) {
            cars.append({.slot = s, .address = address});
        }
    }
    return cars;
}

}  // namespace

RaceEngine::RaceEngine(core::Console& console) : c_(console), link_(console) {
    for (int s = 0; s < kSlotCount; ++s) {
        lapTimers_[s] = c_.clock.makeTimer();
        lapTimers_[s]->setInterval(kLapTimerMs);
        lapTimers_[s]->onTimeout([this, s] { onLapTimer(s); });
    }
    clockTimer_ = c_.clock.makeTimer();
    clockTimer_->setInterval(1000);
    clockTimer_->onTimeout([this] { onClockSecond(); });
    clockTimer_->start();
    // A race rebuilt from the journal is timed, and its figures worked out, in its own units,
    // whatever the precision set since.
    connect(&c_.race, &model::RaceModel::changed, this, [this](const model::Change& change) {
        if (change.op == model::Op::Started && c_.state.TicksPerSecond > 0) {
            c_.settings.timeAt(c_.state.TicksPerSecond);
        }
    });
}

RaceEngine::~RaceEngine() = default;

bool RaceEngine::start() {
    const auto& st = c_.state;
    const bool anyCar = std::any_of(st.car.begin(), st.car.end(), [](const core::CarSlot& car) {
        return !car.Address.isEmpty();
    });
    if (!anyCar) {
        return false;
    }
    // The precision set takes effect here, and holds for this race to its end.
    c_.settings.derive();
    c_.race.timeAt(c_.settings.TicksPerSecond);
    c_.tick.start(c_.settings.TicksPerSecond);
    const QDateTime now = c_.clock.now();
    c_.race.setRules(c_.settings.rules);
    c_.race.start(now, timing::raceEndTime(st.RunH, st.RunN, now));
    listen();
    return true;
}

void RaceEngine::resume() {
    const auto& st = c_.state;
    // Race time never runs backwards: a wall clock set back while the console was down gives
    // no earlier tick than the race last recorded (and so no negative lap).
    const qint64 elapsedMs =
        std::max({st.RaceStartTime.isValid() ? st.RaceStartTime.msecsTo(c_.clock.now()) : 0,
                  qint64(c_.race.latestTick()) * c_.settings.MsPerTick, qint64(0)});
    c_.tick.start(c_.settings.TicksPerSecond, elapsedMs * 1'000'000);
    c_.race.resume(c_.TickCnt());
    listen();
    if (st.LastCarIdx >= 1) {
        link_.UpdateStandings();
    }
}

void RaceEngine::listen() {
    const auto& st = c_.state;
    QList<Notice::Car> unbound;
    for (int s = 0; s < kSlotCount; ++s) {
        if (!st.car[s].Running) {
            closeCar(s);
            continue;
        }
        auto* sock = c_.sockets.car[s].get();
        sock->setRemoteHost(st.car[s].Address);
        sock->setRemotePort(core::carPort(s));
        sock->setLocalPort(core::consolePort(s));
        lapTimers_[s]->start();
        if (!sock->bind()) {
            unbound.append({.slot = s, .port = core::consolePort(s)});
        }
    }
    c_.sockets.check->close();
    // The other cars are timed; the operator must know which car is not, and why.
    if (!unbound.isEmpty()) {
        Q_EMIT told({.kind = Notice::Kind::CarPortsTaken, .cars = unbound});
    }
    // A car PC entered by name is never heard: the link takes reports from its address only.
    const QList<Notice::Car> unnumbered = carsWithoutNumericAddress(st);
    if (c_.settings.CheckSender && !unnumbered.isEmpty()) {
        Q_EMIT told({.kind = Notice::Kind::CarAddressesNotNumeric, .cars = unnumbered});
    }
}

void RaceEngine::closeCar(int s) {
    lapTimers_[s]->stop();
    c_.sockets.car[s]->close();
}

void RaceEngine::stop() {
    for (int s = 0; s < kSlotCount; ++s) {
        if (c_.state.car[s].Running) {
            recordOpenStop(s);
        }
    }
    c_.tick.stop();
    c_.race.stop();
    for (int s = 0; s < kSlotCount; ++s) {
        c_.race.switchCountdown(s, false, core::kCountdownOffText);
        closeCar(s);
    }
    bindAddressCheck();
}

void RaceEngine::stopCar(int s) {
    closeCar(s);
    recordOpenStop(s);
    c_.race.stopCar(s);
    const bool last = !c_.race.anyRunning() && c_.race.timing();
    c_.race.setStopNoAsk(last);
    if (last) {
        stop();
    }
}

bool RaceEngine::bindAddressCheck() {
    auto* chker = c_.sockets.check.get();
    chker->setLocalPort(core::kCheckConsolePort);
    chker->setRemotePort(core::kCheckCarPort);
    if (chker->bind()) {
        return true;
    }
    if (!checkPortTold_) {
        checkPortTold_ = true;
        Q_EMIT told({.kind = Notice::Kind::CheckPortTaken, .port = core::kCheckConsolePort});
    }
    return false;
}

void RaceEngine::recordOpenStop(int s) {
    if (const auto stop = timing::stopAtEnd(c_.state.car[s], pitStopTicks(), c_.TickCnt())) {
        c_.race.recordPitStop(s, *stop);
    }
}

qint64 RaceEngine::pitStopTicks() const {
    return timing::ruleTicks(c_.state.rules, c_.settings.TicksPerSecond).pitStop;
}

void RaceEngine::onLapTimer(int s) {
    Q_EMIT lapClockTicked(s);
    const auto& car = c_.state.car[s];
    const qint32 now = c_.TickCnt();
    // Found here, not at the report: the car's reply waits for nothing.
    if (const auto since = timing::pitEntry(car, pitStopTicks())) {
        c_.race.enterPit(s, *since);
    }
    // 64-bit sum: a car silent since an earlier run must not overflow into a lap.
    if (car.LapPending || qint64(car.LastRcvTick) + c_.settings.NoCommTicks >= now) {
        return;
    }
    const QString countdown =
        car.CountdownOn ? race::countdownStep(car.CountdownTxt) : car.CountdownTxt;
    // The silence ends the car's contact period: a car in the pit left it with its last report,
    // in the lap counted now. Its stop began when it entered, whatever contact a restart began.
    c_.race.countLap(s, countdown);
    if (car.PitSinceTick) {
        c_.race.recordPitStop(s, {car.LapCnt, *car.PitSinceTick, car.LastRcvTick, false});
    }
}

void RaceEngine::onClockSecond() {
    const auto& st = c_.state;
    const QDateTime now = c_.clock.now();
    if (st.EndTimeSet) {
        c_.race.updateClock(
            timing::remainTicks(timing::secondsToEnd(now, st.RaceEndTime), c_.settings));
    }
    Q_EMIT clockTicked(now);
}

}  // namespace kaltero::engine
