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
};

QTEST_GUILESS_MAIN(TestFollowBroker)
#include "test_follow_broker.moc"
