// How far a standby lags behind the console: five simulated cars race on a console that
// publishes to a Mosquitto of its own on 127.0.0.1, a standby follows it through that broker
// on a thread of its own, as on a machine of its own. For each lap the time from the console
// recording it to the standby's race holding it, on one clock. Prints the median, the 99th
// percentile and the worst; fails when a lap the console recorded never reaches the standby.
//
//   bench_standby_lag [laps per car]      (default 40: about 75 s, 200 laps)

#include "bench_common.h"
#include "car_sim.h"
#include "common/broker.h"
#include "core/relay_settings.h"
#include "core/settings.h"
#include "engine/engine_run.h"
#include "model/operations.h"
#include "relay/relay_service.h"
#include "standby/follower.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <chrono>
#include <map>
#include <mutex>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

constexpr int kCars = 5;
constexpr int kReachMs = 10'000;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// When each lap (car, lap number) was recorded on one side; written from that side's thread.
struct LapTimes {
    void mark(const model::Change& change) {
        if (change.op == model::Op::LapRecorded) {
            const std::lock_guard lock(mutex);
            at.try_emplace({change.slot, change.lap}, nowNs());
        }
    }
    std::size_t size() {
        const std::lock_guard lock(mutex);
        return at.size();
    }
    std::mutex mutex;
    std::map<std::pair<int, int>, qint64> at;
};

// The settings of a console publishing as "pit", or standing by for it as "spare".
bool settle(const QString& folder, int port, bool standingBy) {
    using namespace core::ini;
    QList<std::array<QString, 3>> keys = {
        {kLiveSection, kLiveOn, u"0"_s},
        {kTimingSection, kNoCommSeconds, u"1"_s},
        {kRelaySection, kBroker, u"127.0.0.1:%1"_s.arg(port)},
        {kRelaySection, kConsoleName, standingBy ? u"spare"_s : u"pit"_s}};
    if (standingBy) {
        keys.append({kRelaySection, kFollow, u"pit"_s});
    }
    return std::all_of(keys.begin(), keys.end(), [&](const auto& k) {
        return core::WriteIni(k[0], k[1], k[2], folder + u"/Kaltero.ini"_s);
    });
}

// The standby console, as it runs standing by (its journal, its standings), on a thread of
// its own as on a machine of its own.
struct Standby {
    explicit Standby(int port) {
        onThread.moveToThread(&thread);
        thread.start();
        QMetaObject::invokeMethod(
            &onThread,
            [&] {
                if (!settle(dir.path(), port, true)) {
                    return;
                }
                run = std::make_unique<testing::EngineRun>(dir.path(), clock, false);
                if (standby::Follower* follower = run->session.follower()) {
                    QObject::connect(&follower->mirror(), &standby::Mirror::applied,
                                     [this](const model::Change& c) { held.mark(c); });
                }
            },
            Qt::BlockingQueuedConnection);
    }
    ~Standby() {
        QMetaObject::invokeMethod(
            &onThread, [&] { run.reset(); }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    // Whether it follows the console through the broker.
    bool following() {
        bool is = false;
        QMetaObject::invokeMethod(
            &onThread,
            [&] {
                is = run && run->session.follower() && run->session.follower()->brokerConnected();
            },
            Qt::BlockingQueuedConnection);
        return is;
    }
    QTemporaryDir dir;
    platform::SystemClock clock;
    QThread thread;
    QObject onThread;
    std::unique_ptr<testing::EngineRun> run;
    LapTimes held;
};

// Races the cars their laps on the console, each car stopped once it drove them.
bool race(testing::EngineRun& run, int laps, QString* why) {
    for (int s = 0; s < kCars; ++s) {
        run.race.setAddress(s, u"127.0.0.1"_s, true);
    }
    carsim::CarSimOptions options;
    options.cars = {1, 2, 3, 4, 5};
    options.laps = laps;
    options.inRangeMs = 300;
    options.silenceMs = 1500;
    options.intervalMs = 100;
    options.jitterMs = 30;
    carsim::CarSim sim(options);
    bool finished = false;
    QObject::connect(&sim, &carsim::CarSim::finished, [&] { finished = true; });
    std::array<int, kCars> records{};
    QObject::connect(&sim, &carsim::CarSim::lapCompleted, [&](const carsim::LapResult& lap) {
        if (++records[lap.car - 1] == laps) {
            run.engine.stopCar(lap.car - 1);
        }
    });
    if (!run.engine.start() || !sim.start(why)) {
        return false;
    }
    const bool drove = QTest::qWaitFor([&] { return finished; }, options.effectiveTimeoutMs());
    run.engine.stop();
    return drove;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int laps = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 40;
    QTextStream out(stdout);

    testing::TestBroker broker;
    QTemporaryDir dir;
    if (!broker.ready() || !settle(dir.path(), broker.port(), false)) {
        out << "the broker did not start" << Qt::endl;
        return 1;
    }
    platform::SystemClock clock;
    testing::EngineRun console(dir.path(), clock, false);
    LapTimes recorded;
    QObject::connect(&console.race, &model::RaceModel::changed,
                     [&](const model::Change& c) { recorded.mark(c); });
    Standby spare(broker.port());
    relay::RelayService* relay = console.session.relay();
    if (!relay ||
        !QTest::qWaitFor([&] { return relay->state().connected && spare.following(); }, kReachMs)) {
        out << "the console or the standby did not reach the broker" << Qt::endl;
        return 1;
    }
    QString why;
    if (!race(console, laps, &why)) {
        out << "the cars did not drive their laps " << why << Qt::endl;
        return 1;
    }
    const std::size_t count = recorded.size();
    // What never comes is told below as laps never held.
    (void)QTest::qWaitFor([&] { return spare.held.size() >= count; }, kReachMs);

    std::vector<double> lagMs;
    {
        const std::scoped_lock lock(recorded.mutex, spare.held.mutex);
        for (const auto& [lap, at] : recorded.at) {
            if (const auto held = spare.held.at.find(lap); held != spare.held.at.end()) {
                lagMs.push_back(double(held->second - at) / 1e6);
            }
        }
    }
    const std::size_t missing = count - lagMs.size();
    out << "lap recorded on the console -> held by the standby's race, " << kCars << " cars, "
        << count << " laps through a broker on 127.0.0.1:\n"
        << QStringLiteral("  p50 %1 ms  p99 %2 ms  worst %3 ms (aim p99 <= 50 ms); never held: %4")
               .arg(bench::percentile(lagMs, 0.5), 0, 'f', 1)
               .arg(bench::percentile(lagMs, 0.99), 0, 'f', 1)
               .arg(lagMs.empty() ? 0 : *std::max_element(lagMs.begin(), lagMs.end()), 0, 'f', 1)
               .arg(missing)
        << Qt::endl;
    return count > 0 && missing == 0 ? 0 : 1;
}
