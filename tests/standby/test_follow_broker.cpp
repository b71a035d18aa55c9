// A standby follows a console's operations through a real broker, under a persistent session:
// what is published while the standby is away reaches it when it is back.
#include "common/broker.h"
#include "common/whole_race.h"
#include "engine/engine_run.h"
#include "engine/race_engine.h"
#include "relay/broker_client.h"
#include "relay/ops_message.h"
#include "standby/follower.h"
#include "standby/source_race.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;
using testing::Compare;
using testing::EngineRun;
using testing::SourceRace;
using testing::TestBroker;
using testing::wholeRace;

namespace {

const QDateTime kStart{QDate(2026, 4, 3), QTime(14, 0)};

relay::BrokerSettings on(const TestBroker& broker, const QString& clientId) {
    relay::BrokerSettings s;
    s.host = u"127.0.0.1"_s;
    s.port = broker.port();
    s.clientId = clientId;
    return s;
}

}  // namespace

class TestFollowBroker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsThroughTheBroker_data() {
        QTest::addColumn<int>("awayFrom");  // the standby is away from this seq on; 0: never
        QTest::newRow("there throughout") << 0;
        QTest::newRow("away for the second half") << 14;
    }
    void followsThroughTheBroker() {
        QFETCH(int, awayFrom);
        TestBroker broker;
        QVERIFY(broker.ready());
        platform::ManualClock clock(kStart);
        const SourceRace pit(clock);
        const QList<model::Change>& ops = pit.operations;
        QTemporaryDir dir;
        EngineRun spare(dir.path(), clock, false);
        standby::Follower follower(spare.race);
        QVERIFY(follower.start(on(broker, u"kaltero-spare-standby"_s), u"pit"_s));
        QVERIFY(QTest::qWaitFor([&] { return follower.brokerConnected(); }, 5000));

        relay::BrokerClient publisher;
        QString why;
        QVERIFY2(publisher.start(on(broker, u"kaltero-pit-pub"_s), &why), qPrintable(why));
        QVERIFY(QTest::qWaitFor([&] { return publisher.isConnected(); }, 5000));
        publisher.publish(u"kaltero/pit/status"_s, "online", 1, true);
        for (int seq = 1; seq <= ops.size(); ++seq) {
            if (seq == awayFrom) {
                QVERIFY(
                    QTest::qWaitFor([&] { return follower.mirror().heldSeq() == seq - 1; }, 5000));
                follower.stop();
            }
            QVERIFY(
                publisher.publish(u"kaltero/pit/ops"_s,
                                  relay::encodeOps({.race = 3, .seq = seq, .change = ops[seq - 1]}),
                                  1, false) >= 0);
        }
        if (awayFrom != 0) {
            QTest::qWait(300);
            QCOMPARE(follower.mirror().heldSeq(), qint64(awayFrom - 1));
            QVERIFY(follower.start(on(broker, u"kaltero-spare-standby"_s), u"pit"_s));
        }
        QVERIFY(QTest::qWaitFor([&] { return follower.mirror().heldSeq() == qint64(ops.size()); },
                                10000));
        QCOMPARE(follower.mirror().state(), standby::Mirror::State::Following);
        QCOMPARE(follower.sourceState(), standby::Follower::Source::Online);
        spare.engine.link().UpdateStandings();
        QCOMPARE(wholeRace(spare.race, Compare::Resumed), pit.whole);
    }

    // A car's last report and message are taken for the race held whole, and for no other: a
    // resume then counts the car's silence from that report, else from the resume.
    void heardOfThisRaceOnly_data() {
        QTest::addColumn<int>("race");  // the race the entry names; the race followed is 3
        QTest::addColumn<QString>("topic");
        QTest::addColumn<int>("firstSeq");  // the first operation received
        QTest::addColumn<bool>("stopped");  // the race's Stop received before the entry
        QTest::addColumn<bool>("taken");
        const QString car1 = u"kaltero/pit/heard/1"_s;
        QTest::newRow("this race") << 3 << car1 << 1 << false << true;
        QTest::newRow("another race") << 2 << car1 << 1 << false << false;
        QTest::newRow("another car's topic")
            << 3 << u"kaltero/pit/heard/2"_s << 1 << false << false;
        QTest::newRow("race not held whole") << 3 << car1 << 2 << false << false;
        QTest::newRow("race stopped") << 3 << car1 << 1 << true << false;
    }
    void heardOfThisRaceOnly() {
        QFETCH(int, race);
        QFETCH(QString, topic);
        QFETCH(int, firstSeq);
        QFETCH(bool, stopped);
        QFETCH(bool, taken);
        platform::ManualClock clock(kStart);
        const SourceRace pit(clock);
        QTemporaryDir dir;
        EngineRun spare(dir.path(), clock, false);
        standby::Follower follower(spare.race);
        relay::BrokerSettings none;  // nothing listens there: the messages are handed over
        none.host = u"127.0.0.1"_s;
        none.port = 1;
        none.clientId = u"kaltero-spare-standby"_s;
        QVERIFY(follower.start(none, u"pit"_s));
        // The operations as published: each car's last report and message go apart.
        qint64 seq = firstSeq;
        for (const model::Change& c : pit.operations.mid(firstSeq - 1)) {
            if (c.op != model::Op::MessageReceived && c.op != model::Op::ReportHeard) {
                follower.receive(u"kaltero/pit/ops"_s, relay::encodeOps({3, seq++, c}));
            }
        }
        if (stopped) {
            follower.receive(u"kaltero/pit/ops"_s,
                             relay::encodeOps({3, seq++, model::changeOf(model::op::Stopped{})}));
        }
        follower.receive(topic, relay::encodeHeard({race, 0, u"BOX"_s, 5'000}));
        spare.race.resume(90'000);
        QCOMPARE(spare.race.car(0).LastRcvTick, taken ? 5'000 : 90'000);
        QCOMPARE(spare.race.car(0).InMsg == u"BOX"_s, taken);
        // The next race hears nothing of this one's cars.
        follower.receive(topic, relay::encodeHeard({race, 0, u"BOX"_s, 500}));
        follower.receive(u"kaltero/pit/ops"_s, relay::encodeOps({4, 1, pit.operations.first()}));
        spare.race.resume(1'000);
        QCOMPARE(spare.race.car(0).LastRcvTick, 1'000);
    }
};

QTEST_GUILESS_MAIN(TestFollowBroker)
#include "test_follow_broker.moc"
