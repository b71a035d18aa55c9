#include "common/pipelining_clients.h"
#include "console/live_console.h"
#include "core/ports.h"
#include "live/live_service.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using kaltero::testing::LiveConsole;
using kaltero::testing::PipeliningClients;
using kaltero::testing::runUntil;

namespace {

// The slowest of the fastest 99 in a hundred.
double p99(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : double(v[std::min(v.size() - 1, v.size() * 99 / 100)]);
}

// Car 1's PC on a thread of its own: a report every 50 ms, each waited for up to a second;
// the round trip of each in µs, -1 for a report never answered.
class ReportingCar {
public:
    ReportingCar() : thread_([this] { run(); }) {}
    ~ReportingCar() {
        stop_ = true;
        thread_.join();
    }
    // From now on the trips go to `into`, until the next call.
    void collectInto(std::vector<qint64>* into) { into_ = into; }
    bool bound() const { return bound_; }

private:
    void run() {
        QUdpSocket car;
        bound_ = car.bind(QHostAddress::AnyIPv4, kaltero::core::carPort(0));
        while (!stop_ && bound_) {
            QElapsedTimer trip;
            trip.start();
            car.writeDatagram("000", QHostAddress::LocalHost, kaltero::core::consolePort(0));
            bool answered = false;
            while (!answered && trip.elapsed() < 1000) {
                answered = car.hasPendingDatagrams() || car.waitForReadyRead(1000);
            }
            const qint64 us = answered ? trip.nsecsElapsed() / 1000 : -1;
            while (car.hasPendingDatagrams()) {
                car.receiveDatagram();
            }
            if (std::vector<qint64>* into = into_) {
                into->push_back(us);
            }
            QThread::msleep(std::max<qint64>(0, 50 - trip.elapsed()));
        }
    }

    std::atomic<bool> stop_ = false;
    std::atomic<bool> bound_ = false;
    std::atomic<std::vector<qint64>*> into_ = nullptr;
    std::thread thread_;
};

}  // namespace

// Browsers and scripts pipeline their requests; however many do, the car link answers every
// report as it would without them.
class TestLinkUnderPipelining : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyReportAnsweredWhileClientsPipeline() {
        LiveConsole live(10);  // no lap here: the car is never silent that long
        QVERIFY(live.ready());
        QVERIFY(live.program.liveService() != nullptr);
        live.registerSlots({0});
        live.pressStart();
        QVERIFY(live.timing());

        std::vector<qint64> quiet;
        std::vector<qint64> attacked;
        ReportingCar car;
        const auto serve = [](int ms) {
            QElapsedTimer clock;
            clock.start();
            runUntil([&] { return clock.elapsed() >= ms; }, ms + 1000);
        };
        serve(500);
        QVERIFY(car.bound());
        car.collectInto(&quiet);
        serve(10'000);
        car.collectInto(nullptr);

        PipeliningClients clients(live.program.liveService()->port(),
                                  live.console.settings.LiveKey.toUtf8());
        serve(1000);
        car.collectInto(&attacked);
        const qint64 answeredBefore = clients.answered();
        serve(20'000);
        car.collectInto(nullptr);
        const qint64 answers = clients.answered() - answeredBefore;

        const auto lost = [](const std::vector<qint64>& trips) {
            return std::count(trips.begin(), trips.end(), -1);
        };
        qInfo(
            "without the clients: %zu reports, p99 %.0f us; with them (%lld answers to the "
            "clients): %zu reports, p99 %.0f us",
            quiet.size(), p99(quiet), answers, attacked.size(), p99(attacked));
        QCOMPARE(lost(quiet), 0);
        QCOMPARE(lost(attacked), 0);
        QVERIFY(attacked.size() >= 300);
        QVERIFY(answers > 0);  // the clients were served too, not shut out
        QVERIFY2(p99(attacked) <= 3 * p99(quiet), "the clients slowed the car link");
    }
};

QTEST_MAIN(TestLinkUnderPipelining)
#include "test_link_under_pipelining.moc"
