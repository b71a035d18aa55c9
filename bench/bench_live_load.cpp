// The console under the live page's load: 50 WebSocket pages connected while five simulated
// cars race (one second of silence makes a lap, so laps come every two seconds or so). In one
// run on 127.0.0.1:
//   - from a lap recorded (the model announcing it) to the 50th page holding it;
//   - the console's CPU while it times the cars and feeds the pages (its thread, from /proc);
//   - then, car 1 off the track and its port used for the measurement, the report -> reply
//     round trip against a minimal UDP echo, with the pages connected and four cars racing.
// The pages and the cars run on threads of their own.
//
//   bench_live_load [seconds]      (default 60 of racing before the round trips)

#include "car_sim.h"
#include "echo_pairs.h"
#include "live/client_gate.h"
#include "live/live_server.h"
#include "live/live_service.h"
#include "model/race_model.h"

#include <QApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSet>
#include <QTimer>
#include <QWebSocket>

#include <atomic>
#include <chrono>
#include <map>

#include <sys/syscall.h>
#include <unistd.h>

using kaltero::bench::percentile;
using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

namespace {

constexpr int kPages = 50;

qint64 steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A lap of the race: car number * 100000 + lap number.
qint64 lapKey(int carNumber, int lap) {
    return qint64(carNumber) * 100'000 + lap;
}

// CPU seconds a thread of this process has used (user and system), from /proc.
double threadCpuSeconds(long tid) {
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray text = stat.readAll();
    // Fields after the command's closing parenthesis: state is field 3, utime 14, stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) {
        return -1;
    }
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// Runs work on a thread of its own with an event loop, until stop is set.
std::unique_ptr<QThread> loopThread(std::function<void()> setUp, std::atomic<bool>& stop) {
    return std::unique_ptr<QThread>(QThread::create([setUp = std::move(setUp), &stop] {
        setUp();
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (stop) {
                loop.quit();
            }
        });
        poll.start(20);
        loop.exec();
    }));
}

// When each page first held each timed lap.
struct Arrivals {
    QMutex mutex;
    std::map<qint64, std::vector<qint64>> at;  // lap key -> steady ns, one per page
    std::atomic<int> connected = 0;

    void take(QSet<qint64>& seen, const QString& text) {
        const qint64 now = steadyNs();
        const QJsonArray cars =
            QJsonDocument::fromJson(text.toUtf8()).object()[u"race"].toObject()[u"cars"].toArray();
        QMutexLocker lock(&mutex);
        for (const QJsonValue& car : cars) {
            const int number = car[u"slot"].toInt();
            for (const QJsonValue& lap : car[u"laps"].toArray()) {
                const qint64 key = lapKey(number, lap[u"lap"].toInt());
                if (!lap[u"ms"].isNull() && !seen.contains(key)) {
                    seen.insert(key);
                    at[key].push_back(now);
                }
            }
        }
    }
};

std::unique_ptr<QThread> pagesThread(const QUrl& url, Arrivals& arrivals, std::atomic<bool>& stop) {
    return loopThread(
        [url, &arrivals] {
            // Owned by the thread's objects, which live as long as its loop.
            auto* owner = new QObject;
            QObject::connect(QThread::currentThread(), &QThread::finished, owner,
                             &QObject::deleteLater);
            for (int p = 0; p < kPages; ++p) {
                auto* page = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, owner);
                auto seen = std::make_shared<QSet<qint64>>();
                QObject::connect(page, &QWebSocket::connected, page,
                                 [&arrivals] { ++arrivals.connected; });
                QObject::connect(
                    page, &QWebSocket::textMessageReceived, page,
                    [&arrivals, seen](const QString& text) { arrivals.take(*seen, text); });
                // One after another, as phones come: fifty connections at once, none of them
                // having shown the key yet, would find the slots kept for keyed clients.
                QTimer::singleShot(20 * p, page, [page, url] { page->open(url); });
            }
        },
        stop);
}

std::unique_ptr<QThread> carsThread(QList<int> cars, int seconds, std::atomic<bool>& stop,
                                    std::atomic<int>& failed) {
    return loopThread(
        [cars, seconds, &failed] {
            CarSimOptions options;
            options.cars = cars;
            options.laps = 100'000;  // drive until stopped
            options.inRangeMs = 400;
            options.intervalMs = 100;
            options.silenceMs = 1500;
            options.timeoutMs = seconds * 1000;
            auto* sim = new CarSim(options);
            QObject::connect(QThread::currentThread(), &QThread::finished, sim,
                             &QObject::deleteLater);
            QString error;
            if (!sim->start(&error)) {
                ++failed;
            }
        },
        stop);
}

// Sets stop and serves the console until the thread is done.
void finish(std::unique_ptr<QThread>& thread, std::atomic<bool>& stop) {
    stop = true;
    runUntil([&] { return thread->isFinished(); }, 10'000);
    thread->wait();
}

}  // namespace

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(10, QString::fromLocal8Bit(argv[1]).toInt()) : 60;
    QTextStream out(stdout);
    const long consoleThread = syscall(SYS_gettid);

    LiveConsole live(1);
    if (!live.ready() || live.program.liveService() == nullptr) {
        out << "the console window or its live server did not open" << Qt::endl;
        return 1;
    }
    // Fifty pages from this one address stand in for fifty phones.
    live.program.liveService()->onServer(
        [](kaltero::live::LiveServer& server) { server.gate()->setMaxPerAddress(kPages + 1); });
    const QUrl url(QStringLiteral("ws://127.0.0.1:%1/ws?key=%2")
                       .arg(live.program.liveService()->port())
                       .arg(live.console.settings.LiveKey));

    // When each lap was recorded, as the model announces it.
    std::map<qint64, qint64> recorded;
    QObject::connect(&live.model, &kaltero::model::RaceModel::changed,
                     [&recorded](const kaltero::model::Change& c) {
                         if (c.op == kaltero::model::Op::LapRecorded) {
                             recorded[lapKey(c.slot + 1, c.lap)] = steadyNs();
                         }
                     });

    Arrivals arrivals;
    std::atomic<bool> stopPages = false;
    auto pages = pagesThread(url, arrivals, stopPages);
    pages->start();
    if (!runUntil([&] { return arrivals.connected == kPages; }, 20'000)) {
        out << "only " << arrivals.connected << " of " << kPages << " pages connected" << Qt::endl;
        finish(pages, stopPages);
        return 1;
    }

    live.registerSlots({0, 1, 2, 3, 4});
    live.pressStart();
    std::atomic<int> simFailed = 0;
    std::atomic<bool> stopCar1 = false;
    std::atomic<bool> stopOthers = false;
    const int raceSeconds = seconds + 120;  // the round trips follow the timed part
    auto car1 = carsThread({1}, raceSeconds, stopCar1, simFailed);
    auto others = carsThread({2, 3, 4, 5}, raceSeconds, stopOthers, simFailed);
    car1->start();
    others->start();

    const qint64 from = steadyNs();
    const double cpuBefore = threadCpuSeconds(consoleThread);
    QElapsedTimer wall;
    wall.start();
    runUntil([&] { return wall.elapsed() >= seconds * 1000LL; }, seconds * 1000 + 1000);
    const double cpu = threadCpuSeconds(consoleThread) - cpuBefore;
    const double wallSeconds = wall.elapsed() / 1000.0;
    const qint64 to = steadyNs();

    finish(car1, stopCar1);
    const kaltero::bench::EchoPairs pairs = kaltero::bench::measureEchoPairs(3000);
    finish(others, stopOthers);
    finish(pages, stopPages);
    if (simFailed > 0) {
        out << "the car simulator could not bind its ports" << Qt::endl;
        return 1;
    }

    std::vector<qint64> latencyNs;
    int missed = 0;
    {
        QMutexLocker lock(&arrivals.mutex);
        for (const auto& [key, at] : recorded) {
            if (at < from || at > to) {
                continue;
            }
            const auto got = arrivals.at.find(key);
            if (got == arrivals.at.end() || int(got->second.size()) < kPages) {
                ++missed;
                continue;
            }
            latencyNs.push_back(*std::max_element(got->second.begin(), got->second.end()) - at);
        }
    }
    out << "live page load: " << kPages << " pages, five cars, " << wallSeconds << " s of racing\n";
    out << QStringLiteral(
               "  lap recorded -> %1th page holds it: %2 laps, median %3 ms, p99 %4 ms "
               "(aim <= 100), %5 missed\n")
               .arg(kPages)
               .arg(latencyNs.size())
               .arg(percentile(latencyNs, 0.5) / 1e6, 0, 'f', 1)
               .arg(percentile(latencyNs, 0.99) / 1e6, 0, 'f', 1)
               .arg(missed);
    out << QStringLiteral("  console CPU (its thread): %1 of one core (aim <= 0.05)\n")
               .arg(cpu / wallSeconds, 0, 'f', 3);
    out << "with the pages connected and cars 2-5 racing:\n";
    if (!kaltero::bench::printEchoPairs(out, pairs, 1.2)) {
        return 1;
    }
    out.flush();
    return latencyNs.empty() || missed > 0 ? 1 : 0;
}
