#include "car_sim.h"

#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>

#include "link/protocol.h"
#include "platform/cp932.h"

namespace kaltero::carsim {

namespace {

// Long replies are shown cut in problem reports.
QString shortened(const QString& text) {
    constexpr int kShown = 100;
    return text.size() <= kShown ? text : text.first(kShown) + u"…";
}

}  // namespace

struct CarSim::Car {
    int number = 0;
    QUdpSocket* socket = nullptr;
    QTimer* reportTimer = nullptr;
    QTimer* phaseTimer = nullptr;
    // Lap number of the last record received; reported back in every report.
    qint32 heldLap = 0;
    bool holdsRecord = false;
    // Passes begun after a silence; pass 0 is the one at start.
    int silences = 0;
    // Milliseconds since start of the first report of each pass; [0] is the start itself.
    QList<qint64> passStartMs{0};
    // Milliseconds since start when the first reply of each pass was read; -1 while none was.
    QList<qint64> passReplyMs{-1};
    int lastCountedPass = -1;
    int lapsDone = 0;
    QString pitMessage;
    // The pass now in range is a pit stop; and when it sent its first and its last report.
    bool inPit = false;
    qint64 passFirstReportMs = -1;
    qint64 passLastReportMs = -1;
    qint64 passEnterMs = 0;  // when the pass in range began
    bool inRange = false;
    bool done = false;
    bool retired = false;
};

int CarSimResult::exitCode() const {
    if (malformed) {
        return 1;
    }
    return completed ? 0 : 2;
}

QString formatLap(const LapResult& lap) {
    const qint64 difference = lap.consoleMs - lap.measuredMs;
    QString text = QStringLiteral("car %1  lap %2  console %3 ms  carsim %4 ms")
                       .arg(lap.car)
                       .arg(lap.lap)
                       .arg(lap.consoleMs)
                       .arg(lap.measuredMs);
    if (lap.fromSimulatorStart) {
        text += QStringLiteral(" (since carsim started; the console times lap 1 from its Start)");
    }
    text += QStringLiteral("  difference %1%2 ms")
                .arg(difference > 0 ? QStringLiteral("+") : QString())
                .arg(difference);
    return text;
}

CarSim::CarSim(CarSimOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {}

CarSim::~CarSim() = default;

bool CarSim::start(QString* error) {
    for (int number : options_.cars) {
        auto car = std::make_unique<Car>();
        car->number = number;
        car->socket = new QUdpSocket(this);
        const quint16 port = link::carPort(number - 1);
        if (!car->socket->bind(QHostAddress::AnyIPv4, port)) {
            if (error) {
                *error = QStringLiteral("car %1: cannot listen on port %2: %3")
                             .arg(number)
                             .arg(port)
                             .arg(car->socket->errorString());
            }
            cars_.clear();
            return false;
        }
        car->reportTimer = new QTimer(this);
        car->reportTimer->setSingleShot(true);
        car->reportTimer->setTimerType(Qt::PreciseTimer);
        car->phaseTimer = new QTimer(this);
        car->phaseTimer->setSingleShot(true);
        car->phaseTimer->setTimerType(Qt::PreciseTimer);
        Car* raw = car.get();
        connect(car->socket, &QUdpSocket::readyRead, this, [this, raw] { readReplies(*raw); });
        connect(car->reportTimer, &QTimer::timeout, this, [this, raw] {
            sendReport(*raw);
            scheduleReport(*raw);
        });
        connect(car->phaseTimer, &QTimer::timeout, this, [this, raw] {
            if (raw->inRange) {
                leaveRange(*raw);
            } else {
                ++raw->silences;
                enterRange(*raw);
            }
        });
        cars_.push_back(std::move(car));
    }
    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    connect(timeout_, &QTimer::timeout, this, [this] {
        for (const auto& car : cars_) {
            if (!car->done && !car->retired) {
                result_.problems << QStringLiteral("car %1: %2 of %3 laps completed in %4 s")
                                        .arg(car->number)
                                        .arg(car->lapsDone)
                                        .arg(options_.laps)
                                        .arg(options_.effectiveTimeoutMs() / 1000.0);
            }
        }
        finish();
    });
    clock_.start();
    timeout_->start(options_.effectiveTimeoutMs());
    for (const auto& car : cars_) {
        enterRange(*car);
    }
    return true;
}

void CarSim::enterRange(Car& car) {
    if (finished_) {
        return;
    }
    car.inRange = true;
    // Pass k closes lap k; a stop after the last lap would hold up nothing but the end.
    const int lapClosed = car.silences;
    car.inPit = options_.pitEveryLaps > 0 && lapClosed >= 1 && lapClosed < options_.laps &&
                lapClosed % options_.pitEveryLaps == 0;
    car.passFirstReportMs = -1;
    car.passLastReportMs = -1;
    car.passEnterMs = clock_.elapsed();
    if (car.silences > 0) {
        car.passStartMs.append(car.passEnterMs);
        car.passReplyMs.append(-1);
        result_.passes.append({car.number, car.silences, car.passEnterMs,
                               car.silences != options_.missedPass, car.inPit});
        Q_EMIT returning(car.number);
    }
    sendReport(car);
    scheduleReport(car);
    car.phaseTimer->start(car.inPit ? options_.pitStopMs : options_.inRangeMs);
}

void CarSim::leaveRange(Car& car) {
    car.inRange = false;
    car.reportTimer->stop();
    if (car.inPit) {
        car.inPit = false;
        const PitStopResult stop{car.number, car.silences + 1, car.passFirstReportMs,
                                 car.passLastReportMs};
        result_.stops.append(stop);
        Q_EMIT pitStopped(stop);
        if (car.retired || finished_) {
            return;
        }
    }
    if (car.done) {
        // The car has acknowledged its last record for a whole pass: it is parked.
        finishIfAllParked();
        return;
    }
    car.phaseTimer->start(options_.silenceMs);
}

void CarSim::retire(int carNumber) {
    for (const auto& car : cars_) {
        if (car->number != carNumber || car->retired) {
            continue;
        }
        car->retired = true;
        car->inRange = false;
        car->reportTimer->stop();
        car->phaseTimer->stop();
        car->socket->close();
        if (!finished_) {
            finishIfAllParked();
        }
    }
}

void CarSim::finishIfAllParked() {
    const bool allParked = std::all_of(cars_.begin(), cars_.end(), [](const auto& c) {
        return c->retired || (c->done && !c->inRange);
    });
    // A run whose every car was retired drove nothing to completion.
    const bool anyDriven =
        std::any_of(cars_.begin(), cars_.end(), [](const auto& c) { return !c->retired; });
    if (allParked && anyDriven) {
        result_.completed = true;
        finish();
    }
}

void CarSim::scheduleReport(Car& car) {
    int interval = options_.intervalMs;
    if (options_.jitterMs > 0) {
        interval += QRandomGenerator::global()->bounded(-options_.jitterMs, options_.jitterMs + 1);
    }
    car.reportTimer->start(std::max(1, interval));
}

bool CarSim::unheard(const Car& car) const {
    if (options_.missedPass > 0 && car.silences == options_.missedPass) {
        return true;
    }
    if (!car.inPit || options_.stopHoleMs <= 0) {
        return false;
    }
    const qint64 into = clock_.elapsed() - car.passEnterMs;
    const qint64 holeStart = (options_.pitStopMs - options_.stopHoleMs) / 2;
    return into >= holeStart && into < holeStart + options_.stopHoleMs;
}

void CarSim::sendReport(Car& car) {
    if (!car.inRange || finished_) {
        return;
    }
    if (unheard(car)) {
        return;
    }
    const QString report =
        QStringLiteral("%1").arg(car.heldLap, 3, 10, QLatin1Char('0')) + options_.message;
    car.socket->writeDatagram(platform::encodeCp932(report), options_.console,
                              link::consolePort(car.number - 1));
    car.passLastReportMs = clock_.elapsed();
    if (car.passFirstReportMs < 0) {
        car.passFirstReportMs = car.passLastReportMs;
    }
}

void CarSim::readReplies(Car& car) {
    while (!car.retired && car.socket->hasPendingDatagrams() && !finished_) {
        const QNetworkDatagram datagram = car.socket->receiveDatagram();
        const qint64 readMs = clock_.elapsed();
        const QString text = platform::decodeCp932(datagram.data());
        const link::ParsedReply reply = link::parseReply(text);
        if (!reply.ok) {
            result_.malformed = true;
            result_.problems << QStringLiteral("car %1: malformed reply: %2; received \"%3\"")
                                    .arg(car.number)
                                    .arg(reply.error, shortened(text));
            finish();
            return;
        }
        if (car.passReplyMs[car.silences] < 0) {
            car.passReplyMs[car.silences] = readMs;
        }
        const Reply received{car.number,
                             readMs,
                             reply.flag,
                             reply.record ? reply.record->lap : -1,
                             reply.record,
                             reply.message,
                             reply.record ? text.mid(1, link::kLapRecordLength) : QString()};
        result_.replies.append(received);
        Q_EMIT replied(received);
        if (finished_ || car.retired) {
            return;
        }
        if (reply.message != car.pitMessage) {
            car.pitMessage = reply.message;
            Q_EMIT note(QStringLiteral("car %1: message from the pit: \"%2\"")
                            .arg(car.number)
                            .arg(car.pitMessage));
        }
        if (reply.record && !(car.holdsRecord && reply.record->lap == car.heldLap)) {
            takeRecord(car, *reply.record);
        }
    }
}

void CarSim::takeRecord(Car& car, const link::LapRecordFields& record) {
    car.holdsRecord = true;
    car.heldLap = record.lap;
    if (car.silences == 0) {
        // Not a lap driven here: a record from an earlier run, or a lap the console
        // recorded at once because the car reported another lap number.
        Q_EMIT note(QStringLiteral("car %1: the console sent lap %2 before any lap was "
                                   "driven; not counted")
                        .arg(car.number)
                        .arg(car.heldLap));
        return;
    }
    if (car.lastCountedPass == car.silences) {
        Q_EMIT note(QStringLiteral("car %1: the console sent lap %2 a second time in one "
                                   "pass (a correction?)")
                        .arg(car.number)
                        .arg(car.heldLap));
        return;
    }
    car.lastCountedPass = car.silences;
    LapResult lap;
    lap.car = car.number;
    lap.lap = car.heldLap;
    lap.consoleMs = record.lapMs;
    lap.measuredMs = car.passStartMs.at(car.silences) - car.passStartMs.at(car.silences - 1);
    lap.fromSimulatorStart = car.silences == 1;
    const auto roundTrip = [&car](int pass) {
        const qint64 replyMs = car.passReplyMs.at(pass);
        return replyMs < 0 ? -1 : replyMs - car.passStartMs.at(pass);
    };
    lap.openRoundTripMs = lap.fromSimulatorStart ? 0 : roundTrip(car.silences - 1);
    lap.closeRoundTripMs = roundTrip(car.silences);
    result_.laps.append(lap);
    ++car.lapsDone;
    car.done = car.lapsDone >= options_.laps;
    Q_EMIT lapCompleted(lap);
}

void CarSim::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    timeout_->stop();
    for (const auto& car : cars_) {
        car->reportTimer->stop();
        car->phaseTimer->stop();
        car->socket->close();
    }
    Q_EMIT finished(result_);
}

AddressCheck::AddressCheck(QHostAddress console, QString ownAddress, int timeoutMs, QObject* parent)
    : QObject(parent),
      console_(std::move(console)),
      ownAddress_(std::move(ownAddress)),
      timeoutMs_(timeoutMs) {}

AddressCheck::~AddressCheck() = default;

bool AddressCheck::start(QString* error) {
    if (ownAddress_.isEmpty()) {
        ownAddress_ = localAddressTowards(console_);
    }
    socket_ = new QUdpSocket(this);
    if (!socket_->bind(QHostAddress::AnyIPv4, link::kCheckCarPort)) {
        if (error) {
            *error = QStringLiteral("cannot listen on port %1: %2")
                         .arg(link::kCheckCarPort)
                         .arg(socket_->errorString());
        }
        return false;
    }
    connect(socket_, &QUdpSocket::readyRead, this, [this] {
        while (socket_->hasPendingDatagrams() && !done_) {
            done(true, platform::decodeCp932(socket_->receiveDatagram().data()));
        }
    });
    timeout_ = new QTimer(this);
    timeout_->setSingleShot(true);
    connect(timeout_, &QTimer::timeout, this, [this] { done(false, {}); });
    timeout_->start(timeoutMs_);
    socket_->writeDatagram(platform::encodeCp932(ownAddress_), console_, link::kCheckConsolePort);
    return true;
}

void AddressCheck::done(bool answered, const QString& answer) {
    if (done_) {
        return;
    }
    done_ = true;
    timeout_->stop();
    socket_->close();
    Q_EMIT finished(answered, answer);
}

QString localAddressTowards(const QHostAddress& host) {
    // Connecting a UDP socket sends nothing; it only makes the system choose the route.
    QUdpSocket probe;
    probe.connectToHost(host, link::kCheckConsolePort);
    if (probe.state() != QAbstractSocket::ConnectedState && !probe.waitForConnected(1000)) {
        return host.toString();
    }
    const QHostAddress local = probe.localAddress();
    return local.isNull() ? host.toString() : local.toString();
}

}  // namespace kaltero::carsim
