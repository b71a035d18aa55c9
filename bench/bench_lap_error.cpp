// Lap-time error: simulated cars drive laps against the running console; every lap the
// console records (lap grid, ticks) is set against the interval the simulator measured
// between its own first reports after two silences. One run, four conditions side by side:
//
//   a  five cars, nothing else going on
//   b  five cars, the console's thread blocked for 50-300 ms at random moments
//   c  five cars, about 1,000 datagrams/s of 0-65,000 random bytes to three other links
//      read by the console's thread (ports 7061, 7071, 7081: a car port would take them
//      for that car's reports)
//   d  cars 1, 2 and 5, the same flood on the ports of cars 3 and 4 and the address check
//      (7031, 7041, 7001), all five slots taking part
//
// The cars run on a thread of their own, as real car PCs do not wait for the console. The
// loopback delay (a clock reading on one thread to the datagram read on another) is measured
// all through each condition.
//
//   bench_lap_error [laps per car] [precision 1/1000|1/100]      (default 11, 1/1000)
//
// Lap 1 is left out: the console times it from its Start, which the simulator cannot see.

#include "bench_common.h"
#include "car_sim.h"
#include "link/protocol.h"
#include "live_console.h"
#include "loopback_delay.h"
#include "platform/udp_link.h"

#include <QApplication>
#include <QLabel>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

using kaltero::bench::LoopbackDelay;
using kaltero::bench::percentile;
using kaltero::bench::steadyNs;
using kaltero::bench::Worker;
using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::carsim::CarSimResult;
using kaltero::carsim::LapResult;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

namespace {

// The simulator on a thread of its own.
class CarsOnTheirOwnThread {
public:
    explicit CarsOnTheirOwnThread(CarSimOptions options) : sim_(new CarSim(std::move(options))) {
        QObject::connect(
            sim_, &CarSim::finished, sim_, [this] { finished_ = true; }, Qt::DirectConnection);
        sim_->moveToThread(&thread_);
        thread_.start();
    }
    ~CarsOnTheirOwnThread() {
        sim_->deleteLater();  // on its own thread, as that thread ends
        thread_.quit();
        thread_.wait();
    }

    bool start(QString* error) {
        bool started = false;
        QMetaObject::invokeMethod(
            sim_, [&] { started = sim_->start(error); }, Qt::BlockingQueuedConnection);
        return started;
    }
    bool finished() const { return finished_; }
    // What the cars measured, read on their thread once they are finished.
    const CarSimResult& result() {
        QMetaObject::invokeMethod(
            sim_, [this] { result_ = sim_->result(); }, Qt::BlockingQueuedConnection);
        return result_;
    }

private:
    QThread thread_;
    CarSim* sim_;
    CarSimResult result_;
    std::atomic<bool> finished_{false};
};

// Random datagrams of 0 to 65,000 bytes, about 1,000 a second, in turn to each port.
void flood(const QList<quint16>& ports, quint32 seed, const std::atomic<bool>& stop,
           std::atomic<qint64>& sent) {
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    QRandomGenerator rng(seed);
    QByteArray bytes;
    const qint64 start = steadyNs();
    for (qint64 i = 0; !stop; ++i) {
        bytes.resize(rng.bounded(65'001));
        for (char& byte : bytes) {
            byte = char(rng.bounded(256));
        }
        if (socket.writeDatagram(bytes, QHostAddress::LocalHost, ports[i % ports.size()]) >= 0) {
            ++sent;
        }
        const qint64 due = start + (i + 1) * 1'000'000;
        while (!stop && steadyNs() < due) {
            QThread::usleep(200);
        }
    }
}

// Holds the console's thread for 50-300 ms every 0.2 to 1.5 s.
class Blocker : public QObject {
public:
    Blocker() {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const int ms = 50 + int(rng_.bounded(251));
            QThread::msleep(ms);
            ++count_;
            totalMs_ += ms;
            timer_.start(200 + int(rng_.bounded(1301)));
        });
        timer_.start(200);
    }
    int count() const { return count_; }
    qint64 totalMs() const { return totalMs_; }

private:
    QTimer timer_;
    QRandomGenerator rng_{7};
    int count_ = 0;
    qint64 totalMs_ = 0;
};

struct Condition {
    QString name;
    QList<int> cars;  // 1..5
    bool block = false;
    QList<quint16> floodPorts = {};
    QList<quint16> extraLinks = {};  // links on the console's thread that take the flood
};

struct Figures {
    QString problem;
    std::vector<double> errorTicks;
    std::vector<qint64> loopbackNs;
    int missing = 0;
    QString load;
};

Figures drive(const Condition& condition, int laps, const QString& precision) {
    Figures figures;
    LiveConsole live(1, precision);
    if (!live.ready()) {
        figures.problem = QStringLiteral("the console window did not open");
        return figures;
    }
    const int msPerTick = live.console.settings.MsPerTick;
    live.registerSlots({0, 1, 2, 3, 4});
    live.pressStart();

    // Links that do with each datagram what the console does with a report: read it, show it.
    std::vector<std::unique_ptr<kaltero::platform::UdpLink>> links;
    QLabel shown;
    for (quint16 port : condition.extraLinks) {
        auto& link = links.emplace_back(std::make_unique<kaltero::platform::UdpLink>());
        link->setLocalPort(port);
        link->bind();
        QObject::connect(link.get(), &kaltero::platform::UdpLink::dataArrival, &shown,
                         [&shown](const QString& text) {
                             shown.setText(kaltero::link::parseReport(text).message.left(256));
                         });
    }

    CarSimOptions options;
    options.cars = condition.cars;
    options.laps = laps;
    options.inRangeMs = 400;
    options.intervalMs = 100;
    options.jitterMs = 20;
    options.silenceMs = 1500;
    CarsOnTheirOwnThread sim(options);
    LoopbackDelay loopback;
    std::atomic<qint64> sent{0};
    std::unique_ptr<Worker> flooding;
    if (!condition.floodPorts.isEmpty()) {
        flooding = std::make_unique<Worker>(
            [&](const std::atomic<bool>& stop) { flood(condition.floodPorts, 11, stop, sent); });
    }
    std::unique_ptr<Blocker> blocker = condition.block ? std::make_unique<Blocker>() : nullptr;
    QString error;
    if (!sim.start(&error)) {
        figures.problem = error;
        return figures;
    }
    runUntil([&] { return sim.finished(); }, options.effectiveTimeoutMs() + 5000);
    flooding.reset();
    figures.loopbackNs = loopback.samplesNs();
    if (blocker) {
        figures.load =
            QStringLiteral("%1 blocks, %2 ms in all").arg(blocker->count()).arg(blocker->totalMs());
        blocker.reset();
    }
    if (!condition.floodPorts.isEmpty()) {
        figures.load = QStringLiteral("%1 datagrams").arg(sent.load());
    }
    if (!sim.finished()) {
        figures.problem = QStringLiteral("the cars did not finish");
        return figures;
    }
    const CarSimResult& result = sim.result();
    if (!result.completed || result.malformed) {
        figures.problem = u"the run did not complete: " + result.problems.join(u"; ");
        return figures;
    }
    for (const LapResult& lap : result.laps) {
        if (lap.fromSimulatorStart) {
            continue;
        }
        const kaltero::core::Lap recorded = live.state().car[lap.car - 1].laps.value(lap.lap - 1);
        if (!recorded.timed) {
            ++figures.missing;
            continue;
        }
        figures.errorTicks.push_back(
            std::abs(double(recorded.ticks) - double(lap.measuredMs) / msPerTick));
    }
    return figures;
}

}  // namespace

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int laps = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 11;
    const QString precision = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("1/1000");
    const double msPerTick = precision == u"1/100" ? 10.0 : 1.0;
    QTextStream out(stdout);

    using kaltero::link::consolePort;
    const QList<Condition> conditions = {
        {.name = QStringLiteral("a unloaded"), .cars = {1, 2, 3, 4, 5}},
        {.name = QStringLiteral("b thread blocked"), .cars = {1, 2, 3, 4, 5}, .block = true},
        {.name = QStringLiteral("c flood, 3 links"),
         .cars = {1, 2, 3, 4, 5},
         .floodPorts = {7061, 7071, 7081},
         .extraLinks = {7061, 7071, 7081}},
        {.name = QStringLiteral("d flood, car ports"),
         .cars = {1, 2, 5},
         .floodPorts = {consolePort(2), consolePort(3), kaltero::link::kCheckConsolePort}},
    };

    out << "lap-time error at " << precision << ", " << laps
        << " laps per car, lap 1 of each car left out; errors in ticks, loopback in us\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8  %9\n")
               .arg(QStringLiteral("condition"), -20)
               .arg(QStringLiteral("laps"), 5)
               .arg(QStringLiteral("largest"), 8)
               .arg(QStringLiteral("p99"), 6)
               .arg(QStringLiteral("median"), 7)
               .arg(QStringLiteral("loopback max"), 13)
               .arg(QStringLiteral("bound"), 6)
               .arg(QStringLiteral("within"), 7)
               .arg(QStringLiteral("load"));
    out.flush();
    bool allWithin = true;
    for (const Condition& condition : conditions) {
        const Figures figures = drive(condition, laps, precision);
        if (!figures.problem.isEmpty() || figures.missing > 0) {
            out << condition.name << ": " << figures.problem << ' ' << figures.missing
                << " laps missing from the grid" << Qt::endl;
            allWithin = false;
            continue;
        }
        const double loopbackMaxUs = double(percentile(figures.loopbackNs, 1.0)) / 1000.0;
        // One tick, the simulator's whole-millisecond clock, and the loopback delay.
        const double boundTicks = 1.0 + (1.0 + loopbackMaxUs / 1000.0) / msPerTick;
        const double largest = percentile(figures.errorTicks, 1.0);
        const bool within = largest <= boundTicks;
        allWithin = allWithin && within;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8  %9\n")
                   .arg(condition.name, -20)
                   .arg(int(figures.errorTicks.size()), 5)
                   .arg(largest, 8, 'f', 1)
                   .arg(percentile(figures.errorTicks, 0.99), 6, 'f', 1)
                   .arg(percentile(figures.errorTicks, 0.5), 7, 'f', 1)
                   .arg(loopbackMaxUs, 13, 'f', 0)
                   .arg(boundTicks, 6, 'f', 2)
                   .arg(within ? QStringLiteral("yes") : QStringLiteral("NO"), 7)
                   .arg(figures.load);
        out.flush();
    }
    out << "bound: 1 tick + 1 ms (the simulator's clock counts whole milliseconds) + the largest "
           "loopback delay of the same condition"
        << Qt::endl;
    return allWithin ? 0 : 1;
}
