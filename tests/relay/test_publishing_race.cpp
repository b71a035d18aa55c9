// Five simulated cars raced for two minutes on a console that publishes to a real broker, the
// broker away for 20 s in the middle: a standby rebuilds the race from `ops` equal to the
// console's own.
#include "car_sim.h"
#include "common/broker.h"
#include "common/whole_race.h"
#include "core/settings.h"
#include "engine/engine_run.h"
#include "journal/journal.h"
#include "link/lap_closing.h"
#include "link/standings.h"
#include "relay/relay_service.h"
#include "standby/follower.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

namespace {

constexpr int kCars = 5;

void writeIni(const QString& folder, const QList<std::array<QString, 3>>& keys) {
    for (const auto& [section, key, value] : keys) {
        QVERIFY(core::WriteIni(section, key, value, folder + u"/Kaltero.ini"_s));
    }
}

void relayTo(const QString& folder, int port, const QString& name, const QString& password) {
    using namespace core::ini;
    writeIni(folder, {{kLiveSection, kLiveOn, u"0"_s},
                      {kTimingSection, kNoCommSeconds, u"1"_s},
                      {kRelaySection, kBroker, u"127.0.0.1:%1"_s.arg(port)},
                      {kRelaySection, kConsoleName, name},
                      {kRelaySection, kRelayUser, u"pit"_s},
                      {kRelaySection, kRelayPassword, password}});
}

// A standby's race, rebuilt from the console's operations, its figures and standings worked
// out as the console's link does.
struct Standby {
    explicit Standby(const core::Settings& settings) {
        race.setFigureRule(
            [&settings](const QList<core::Lap>& laps, const core::CarSlot& car, qint32 remain) {
                return link::figuresOfLap(laps, car, remain, settings);
            });
    }
    void rank() {
        race.updateStandings(link::UpdateStandings(link::standingsCars(race.state())).rows);
    }
    model::RaceModel race;
    standby::Follower follower{race};
};

// The first line that differs, both ways, or none.
QString firstDifference(const QByteArray& got, const QByteArray& expected) {
    const QList<QByteArray> a = got.split('\n');
    const QList<QByteArray> b = expected.split('\n');
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const QByteArray x = a.value(i);
        const QByteArray y = b.value(i);
        if (x != y) {
            return u"line %1: %2 | %3"_s.arg(i + 1).arg(QString::fromUtf8(x), QString::fromUtf8(y));
        }
    }
    return {};
}

}  // namespace

class TestPublishingRace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followerRebuildsTheRaceAcrossABrokerOutage() {
        testing::TestBroker broker({u"pit"_s, u"s3cret"_s});
        QVERIFY(broker.ready());
        QTemporaryDir dir;
        relayTo(dir.path(), broker.port(), u"pit-1"_s, u"s3cret"_s);
        platform::SystemClock clock;
        testing::EngineRun run(dir.path(), clock, false);
        relay::RelayService* relay = run.session.relay();
        QVERIFY(relay && relay->running());

        // Everything the broker gets for this console, to see where a car's text can reach.
        relay::BrokerSettings all;
        all.host = u"127.0.0.1"_s;
        all.port = broker.port();
        all.user = u"pit"_s;
        all.password = u"s3cret"_s;
        relay::BrokerClient watcher;
        QSignalSpy seen(&watcher, &relay::BrokerClient::received);
        QString why;
        QVERIFY(watcher.start(all, &why));
        watcher.subscribe(u"kaltero/#"_s, 0);
        all.clientId = u"kaltero-spare-standby"_s;
        Standby spare(run.console.settings);
        QVERIFY(spare.follower.start(all, u"pit-1"_s));
        QTRY_VERIFY_WITH_TIMEOUT(watcher.isConnected() && spare.follower.brokerConnected(), 5000);

        for (int s = 0; s < kCars; ++s) {
            run.race.setAddress(s, u"127.0.0.1"_s, true);
            // A driver's name with a topic's separators and wildcards in it.
            run.race.chooseDriver(s, u"D%1/#/+"_s.arg(s + 1), core::kCountdownOffText);
        }
        carsim::CarSimOptions options;
        options.cars = {1, 2, 3, 4, 5};
        options.laps = 66;  // about two minutes
        options.inRangeMs = 300;
        options.silenceMs = 1500;
        options.intervalMs = 100;
        options.message = u"kaltero/pit-1/ops"_s;
        carsim::CarSim sim(options);
        QSignalSpy finished(&sim, &carsim::CarSim::finished);
        // The pit stops timing each car once it has driven its laps: the run then ends.
        std::array<int, kCars> records{};
        QObject::connect(&sim, &carsim::CarSim::lapCompleted, [&](const carsim::LapResult& lap) {
            if (++records[lap.car - 1] == options.laps) {
                run.engine.stopCar(lap.car - 1);
            }
        });
        QVERIFY(run.engine.start());
        QVERIFY(sim.start(&why));

        QTest::qWait(6000);
        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!relay->state().connected, 5000);
        QTest::qWait(20'000);
        // The race went on meanwhile; the journal holds what the broker has not.
        QVERIFY(relay->state().waiting > 0);
        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), options.effectiveTimeoutMs());
        run.engine.stop();
        QVERIFY(run.session.journal()->flush());

        QTRY_VERIFY_WITH_TIMEOUT(relay->state().connected && relay->state().waiting == 0, 15000);
        // The cars' last texts stay with the journal's last messages, as for a resume.
        const auto resumed = testing::Compare::Resumed;
        const QByteArray console = testing::wholeRace(run.race, resumed);
        const bool caughtUp = QTest::qWaitFor(
            [&] {
                spare.rank();
                return testing::wholeRace(spare.race, resumed) == console;
            },
            10000);
        QCOMPARE(firstDifference(testing::wholeRace(spare.race, resumed), console), QString());
        QVERIFY(caughtUp);
        // Every operation held in order: none went missing across the outage.
        QCOMPARE(spare.follower.mirror().state(), standby::Mirror::State::Following);
        QVERIFY(run.race.car(0).laps.size() >= options.laps / 2);

        const QString root = u"kaltero/pit-1/"_s;
        QSet<QString> allowed = {root + u"status"_s, root + u"race"_s, root + u"ops"_s};
        for (int s = 1; s <= kCars; ++s) {
            allowed << root + u"laps/"_s + QString::number(s)
                    << root + u"heard/"_s + QString::number(s);
        }
        QSet<QString> topics;
        QHash<QString, QByteArray> last;
        for (const auto& message : seen) {
            topics << message.first().toString();
            last[message.first().toString()] = message.last().toByteArray();
        }
        // Each car's last report and message as the console holds them, also after the outage.
        for (int s = 0; s < kCars; ++s) {
            const auto heard = relay::decodeHeard(last.value(root + u"heard/%1"_s.arg(s + 1)));
            QVERIFY(heard);
            QCOMPARE(heard->race, spare.follower.mirror().race());
            QCOMPARE(heard->slot, s);
            QCOMPARE(heard->message, options.message);
            QCOMPARE(heard->tick, std::optional<qint32>(run.race.car(s).LastRcvTick));
        }
        QVERIFY2(allowed.contains(topics),
                 qPrintable(QStringList(topics.begin(), topics.end()).join(u' ')));
        QVERIFY(topics.contains(root + u"laps/5"_s));
    }

    // A console turned away by the broker, or one whose name could steer its topics, times
    // on and tells the operator why its race is not published.
    void refusalsAreTold_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("told");
        QTest::newRow("wrong password") << u"pit-1"_s << u"guess"_s << true << u"拒否"_s;
        QTest::newRow("name with a wildcard") << u"pit/#"_s << u"s3cret"_s << false << u"pit/#"_s;
    }
    void refusalsAreTold() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, running);
        QFETCH(QString, told);
        testing::TestBroker broker({u"pit"_s, u"s3cret"_s});
        QVERIFY(broker.ready());
        QTemporaryDir dir;
        relayTo(dir.path(), broker.port(), name, password);
        platform::SystemClock clock;
        testing::EngineRun run(dir.path(), clock, false);
        QCOMPARE(run.session.relay() != nullptr, running);
        if (running) {
            QTRY_VERIFY_WITH_TIMEOUT(!run.session.relay()->state().refused.isEmpty(), 10000);
            QVERIFY(!run.session.relay()->state().connected);
        }
        QTRY_VERIFY_WITH_TIMEOUT(run.prompts.texts().join(u'\n').contains(told), 5000);
    }
};

QTEST_GUILESS_MAIN(TestPublishingRace)
#include "test_publishing_race.moc"
