#include "relay/ops_message.h"

#include "model/operations.h"

#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;

class TestOpsMessage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a follower reads is what the console journaled: operation, slot, lap, detail, args.
    void roundTrip() {
        relay::OpsMessage m;
        m.race = 7;
        m.seq = 42;
        m.change = model::changeOf(model::op::LapTimeEdited{.text = u"1'23.456"_s, .ticks = 83456},
                                   2, 13, u"1'23.456 佐藤"_s);
        const auto back = relay::decodeOps(relay::encodeOps(m));
        QVERIFY(back);
        QCOMPARE(back->race, 7);
        QCOMPARE(back->seq, 42);
        QCOMPARE(back->change.op, model::Op::LapTimeEdited);
        QCOMPARE(back->change.slot, 2);
        QCOMPARE(back->change.lap, 13);
        QCOMPARE(back->change.detail, m.change.detail);
        QCOMPARE(model::argsOf(back->change), model::argsOf(m.change));
    }

    void refused_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("not json") << "lap"_ba;
        QTest::newRow("array") << "[1,2]"_ba;
        QTest::newRow("unknown op") << R"({"race":1,"seq":1,"op":"rm -rf","args":{}})"_ba;
        QTest::newRow("no seq") << R"({"race":1,"op":"started","args":{}})"_ba;
        QTest::newRow("seq 0") << R"({"race":1,"seq":0,"op":"started","args":{}})"_ba;
        QTest::newRow("args not object") << R"({"race":1,"seq":1,"op":"started","args":3})"_ba;
    }
    void refused() {
        QFETCH(QByteArray, payload);
        QVERIFY(!relay::decodeOps(payload));
    }

    // A car's last message and report: its slot counted from 1 as in its topic, no tick before
    // its first report.
    void heard_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("tick");  // -1: none
        QTest::newRow("reported") << R"({"race":4,"slot":5,"message":"BOX","tick":120})"_ba << true
                                  << 4 << 120;
        QTest::newRow("no report yet")
            << R"({"race":4,"slot":1,"message":"","tick":null})"_ba << true << 0 << -1;
        QTest::newRow("slot 0") << R"({"race":4,"slot":0,"message":"","tick":1})"_ba << false << 0
                                << 0;
        QTest::newRow("slot beyond the cars")
            << R"({"race":4,"slot":6,"message":"","tick":1})"_ba << false << 0 << 0;
        QTest::newRow("no message") << R"({"race":4,"slot":1,"tick":1})"_ba << false << 0 << 0;
        QTest::newRow("tick a text")
            << R"({"race":4,"slot":1,"message":"","tick":"1"})"_ba << false << 0 << 0;
        QTest::newRow("not json") << "heard"_ba << false << 0 << 0;
    }
    void heard() {
        QFETCH(QByteArray, payload);
        QFETCH(bool, read);
        QFETCH(int, slot);
        QFETCH(int, tick);
        const auto heard = relay::decodeHeard(payload);
        QCOMPARE(heard.has_value(), read);
        if (read) {
            QCOMPARE(heard->slot, slot);
            QCOMPARE(heard->tick, tick < 0 ? std::nullopt : std::optional<qint32>(tick));
            QCOMPARE(relay::decodeHeard(relay::encodeHeard(*heard)), heard);
        }
    }
};

QTEST_GUILESS_MAIN(TestOpsMessage)
#include "test_ops_message.moc"
