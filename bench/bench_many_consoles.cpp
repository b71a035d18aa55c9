// Many consoles on one broker: each of them publishes the race object of its five cars,
// retained, at its 200 ms pace as a console does, while viewers follow every console's race
// (kaltero/+/race) on connections of their own. Every 100 ms each viewer's last race object of
// each console is looked at: how long ago its console made it (the race clock's "now") is how
// stale the viewer's view of that console is. Prints the worst, the 99th percentile and the
// share within 1 s; fails when a viewer is missing a console's race or the share is below 99 %.
//
//   bench_many_consoles [seconds] [viewers] [laps per car] [consoles]
//   (default 30 s, 200 viewers, 50 laps a car: a race the page shows its whole window of, 20)

#include "bench_common.h"
#include "common/broker.h"
#include "followed_race_object.h"
#include "relay/broker_client.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QTimer>

using kaltero::relay::BrokerClient;
using kaltero::relay::BrokerSettings;

namespace {

constexpr int kPaceMs = 200;
constexpr int kLookEveryMs = 100;
constexpr int kWarmUpMs = 3000;
constexpr qint64 kCurrentMs = 1000;

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QString consoleName(int i) {
    return QStringLiteral("pit-%1").arg(i + 1, 2, 10, QLatin1Char('0'));
}

BrokerSettings onBroker(int port, const QString& clientId) {
    BrokerSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.clientId = clientId;
    return s;
}

// The consoles, on a thread of their own as on machines of their own: each publishes its race
// object, made now, every kPaceMs, the consoles' paces spread over the 200 ms.
class Consoles : public QObject {
public:
    Consoles(int port, int count, const kaltero::bench::RaceObject& race) : race_(race) {
        for (int i = 0; i < count; ++i) {
            auto* client = new BrokerClient(this);
            QString why;
            started_ =
                client->start(onBroker(port, u"kaltero-" + consoleName(i) + u"-pub"), &why) &&
                started_;
            auto* pace = new QTimer(this);
            pace->setInterval(kPaceMs);
            const QString topic = u"kaltero/" + consoleName(i) + u"/race";
            connect(pace, &QTimer::timeout, client, [this, client, topic] {
                if (client->publish(topic, race_.madeAt(nowMs()), 1, true) >= 0) {
                    ++published_;
                }
            });
            QTimer::singleShot(i * kPaceMs / count, pace, qOverload<>(&QTimer::start));
        }
    }
    int published() const { return published_; }
    bool started() const { return started_; }

private:
    bool started_ = true;
    const kaltero::bench::RaceObject& race_;
    std::atomic<int> published_ = 0;
};

// The viewers: the moment each one's last race object of each console was made. They take
// their messages on threads of their own, so that looking at them is never held up behind them.
struct Viewers {
    static constexpr int kThreads = 2;

    Viewers(int port, int count, int consoles) : madeAt(std::size_t(count) * consoles) {
        for (auto& t : threads) {
            t.start();
        }
        for (int v = 0; v < count; ++v) {
            auto client = std::make_unique<BrokerClient>();
            client->moveToThread(&threads[v % kThreads]);
            QObject::connect(client.get(), &BrokerClient::received, client.get(),
                             [this, v, consoles](const QString& topic, const QByteArray& race) {
                                 const int c = topic.section(u'/', 1, 1).mid(4).toInt() - 1;
                                 const qint64 made = kaltero::bench::RaceObject::madeIn(race);
                                 if (c >= 0 && c < consoles && made > 0) {
                                     madeAt[std::size_t(v) * consoles + c] = made;
                                     ++received;
                                 }
                             });
            QString why;
            started = client->start(onBroker(port, QStringLiteral("viewer-%1").arg(v)), &why) &&
                      client->subscribe(QStringLiteral("kaltero/+/race"), 0) && started;
            clients.push_back(std::move(client));
        }
    }
    ~Viewers() {
        for (auto& c : clients) {
            c->stop();
        }
        for (auto& t : threads) {
            t.quit();
            t.wait();
        }
    }
    std::array<QThread, kThreads> threads;
    std::vector<std::unique_ptr<BrokerClient>> clients;
    std::vector<std::atomic<qint64>> madeAt;
    std::atomic<qint64> received = 0;
    bool started = true;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto arg = [&](int i, int byDefault) {
        return argc > i ? std::max(1, QString::fromLocal8Bit(argv[i]).toInt()) : byDefault;
    };
    const int seconds = arg(1, 30);
    const int viewerCount = arg(2, 200);
    const int laps = arg(3, 50);
    const int consoleCount = arg(4, 20);
    QTextStream out(stdout);

    kaltero::testing::TestBroker broker;
    if (!broker.ready()) {
        out << "the broker did not start" << Qt::endl;
        return 1;
    }
    const kaltero::bench::RaceObject race(laps);
    QThread consolesThread;
    QObject onConsoles;
    onConsoles.moveToThread(&consolesThread);
    consolesThread.start();
    Consoles* consoles = nullptr;
    QMetaObject::invokeMethod(
        &onConsoles, [&] { consoles = new Consoles(broker.port(), consoleCount, race); },
        Qt::BlockingQueuedConnection);
    Viewers viewers(broker.port(), viewerCount, consoleCount);
    if (!consoles->started() || !viewers.started) {
        out << "a console or viewer could not start its broker client" << Qt::endl;
        return 1;
    }

    std::vector<qint64> staleness;
    qint64 missing = 0;
    QTimer look;
    look.setInterval(kLookEveryMs);
    QObject::connect(&look, &QTimer::timeout, [&] {
        const qint64 now = nowMs();
        for (const std::atomic<qint64>& made : viewers.madeAt) {
            if (made == 0) {
                ++missing;
            } else {
                staleness.push_back(now - made.load());
            }
        }
    });
    QTimer::singleShot(kWarmUpMs, &look, qOverload<>(&QTimer::start));
    QTimer::singleShot(kWarmUpMs + seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();

    const int published = consoles->published();
    QMetaObject::invokeMethod(
        &onConsoles, [&] { delete consoles; }, Qt::BlockingQueuedConnection);
    consolesThread.quit();
    consolesThread.wait();

    const auto within = std::count_if(staleness.begin(), staleness.end(),
                                      [](qint64 ms) { return ms <= kCurrentMs; });
    const double share = staleness.empty() ? 0 : double(within) / double(staleness.size());
    out << consoleCount << " consoles of 5 cars (" << laps << " laps a car, race object "
        << race.bytes() << " bytes) every " << kPaceMs << " ms, " << viewerCount
        << " viewers of kaltero/+/race, " << seconds << " s:\n"
        << "  published " << published << ", received " << viewers.received << " ("
        << viewers.received / (seconds + kWarmUpMs / 1000) << " a second)\n"
        << "  staleness of a viewer's race: p50 " << kaltero::bench::percentile(staleness, 0.5)
        << " ms, p99 " << kaltero::bench::percentile(staleness, 0.99) << " ms, worst "
        << (staleness.empty() ? 0 : *std::max_element(staleness.begin(), staleness.end()))
        << " ms; within 1 s: " << QString::number(share * 100, 'f', 2) << " % of "
        << staleness.size() << " looks (aim 100 %); never received: " << missing << Qt::endl;
    return missing == 0 && share >= 0.99 ? 0 : 1;
}
