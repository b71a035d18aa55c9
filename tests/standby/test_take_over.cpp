// A standby console follows the pit console's race read-only, and after the pit console died
// takes it over through 引き継ぎ: asked first, then every car's next lap timed here, with every
// lap the cars were told in the race, and each car's silence counted from its last report to the
// pit console.
#include "common/broker.h"
#include "console/application.h"
#include "console/console_fixture.h"
#include "console/test_car.h"
#include "core/relay_settings.h"
#include "core/settings.h"
#include "journal/journal.h"
#include "model/race_model.h"
#include "relay/ops_message.h"
#include "relay/publisher.h"
#include "standby/follower.h"
#include "standby/source_race.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;
using testing::ConsoleFixture;
using testing::SourceRace;
using testing::TestCar;

namespace {

// The console's settings standing by for "pit" on the broker at 127.0.0.1:port (1: none there,
// the operations are handed to the follower as the broker would deliver them).
ConsoleFixture::Prepare standByForPit(int port = 1) {
    return [port](const QDir& folder) {
        using namespace core::ini;
        const QString ini = folder.filePath(u"Kaltero.ini"_s);
        core::WriteIni(kLiveSection, kLiveOn, u"0"_s, ini);
        core::WriteIni(kRelaySection, kBroker, u"127.0.0.1:%1"_s.arg(port), ini);
        core::WriteIni(kRelaySection, kConsoleName, u"spare"_s, ini);
        core::WriteIni(kRelaySection, kFollow, u"pit"_s, ini);
    };
}

// Each car's last message and report as a journal gives them back with its race.
QStringList heardOf(const QList<model::Change>& ops) {
    QStringList heard;
    for (const model::Change& c : ops) {
        if (c.op == model::Op::MessageReceived || c.op == model::Op::ReportHeard) {
            heard << c.logLine() + u' ' +
                         QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(model::argsOf(c)))
                                               .toJson(QJsonDocument::Compact));
        }
    }
    return heard;
}

void deliver(standby::Follower& follower, const QList<model::Change>& ops) {
    follower.receive(u"kaltero/pit/status"_s, "offline");
    for (int seq = 1; seq <= ops.size(); ++seq) {
        follower.receive(u"kaltero/pit/ops"_s,
                         relay::encodeOps({.race = 3, .seq = seq, .change = ops[seq - 1]}));
    }
}

// The lap number in the car's reply: the laps the console told it it has driven.
int toldLap(const QString& reply) {
    return reply.mid(1, 3).toInt();
}

}  // namespace

class TestTakeOver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void takeOver_data() {
        QTest::addColumn<bool>("agreed");
        QTest::newRow("operator agrees") << true;
        QTest::newRow("operator declines") << false;
    }
    void takeOver() {
        QFETCH(bool, agreed);
        platform::ManualClock pitClock(ConsoleFixture::kStart.addSecs(3));
        const SourceRace pit(pitClock);
        ConsoleFixture spare(standByForPit(), pitClock.now().addSecs(-3));
        auto& ui = spare.ui();
        standby::Follower* follower = spare.program.follower();
        QVERIFY(follower);
        deliver(*follower, pit.operations);

        auto* label = spare.find<QLabel>(u"Lbl_Standby"_s);
        auto* button = spare.find<QPushButton>(u"Btn_TakeOver"_s);
        QVERIFY(label->text().contains(u"pit"_s));
        QVERIFY(label->text().contains(u"オフライン"_s));
        QVERIFY(spare.model.timing());
        QCOMPARE(spare.model.car(0).LapCnt, 4);
        // Read-only while standing by: nothing the operator does reaches the race followed.
        QVERIFY(!ui.Btn_Start->isEnabled());
        QVERIFY(!ui.Car[0]->isEnabled());
        QVERIFY(!ui.Txt_Event->isEnabled());
        QVERIFY(ui.Btn_End->isEnabled());

        spare.prompts.answerYesNo(agreed);
        button->click();
        QCOMPARE(spare.prompts.calls().constLast().title, u"引き継ぎ"_s);
        QCOMPARE(follower->following(), !agreed);
        QCOMPARE(ui.Btn_Start->isEnabled(), agreed);
        QCOMPARE(ui.Car[0]->isEnabled(), agreed);
        if (!agreed) {
            return;
        }

        // Every running car's next lap is timed here; the lap spanning the change says so.
        TestCar car0(0);
        TestCar car1(1);
        spare.clock.advance(15'000);
        const QString reply0 = car0.exchange(TestCar::lapReport(4));
        spare.clock.advance(2'000);
        const QString reply1 = car1.exchange(TestCar::lapReport(3));
        QVERIFY2(reply0.startsWith(u'N'), qPrintable(reply0));
        QVERIFY2(reply1.startsWith(u'N'), qPrintable(reply1));
        QCOMPARE(toldLap(reply0), spare.model.car(0).LapCnt);
        QCOMPARE(toldLap(reply1), spare.model.car(1).LapCnt);
        QCOMPARE(spare.model.car(0).LapCnt, 5);
        QCOMPARE(spare.model.car(1).LapCnt, 4);
        QVERIFY(spare.model.car(0).laps.constLast().remarks.contains(u"再開"_s));
        QVERIFY(spare.model.car(1).laps.constLast().remarks.contains(u"再開"_s));
    }

    // Through a real broker: the pit console's publisher tells each car's last report and
    // message, the standby's journal keeps them, and after the take-over a car's silence goes on
    // from its last report to the pit console (car 0 just before its death, car 1 15 s before).
    void silenceGoesOnFromTheLastReport_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("downMs");     // from the pit console's death to the take-over
        QTest::addColumn<int>("afterMs");    // from the take-over to the car's next report
        QTest::addColumn<QString>("reply");  // its start: the lap the car is told and its time
        QTest::newRow("silent long enough only with the time before the take-over")
            << 0 << 4'000 << 7'000 << u"N0050000011000"_s;
        QTest::newRow("back within the silence") << 0 << 4'000 << 3'000 << u"N0040000017000"_s;
        QTest::newRow("silent 15 s when the pit console died")
            << 1 << 2'000 << 1'000 << u"N0040000018000"_s;
    }
    void silenceGoesOnFromTheLastReport() {
        QFETCH(int, slot);
        QFETCH(int, downMs);
        QFETCH(int, afterMs);
        testing::TestBroker broker;
        QVERIFY(broker.ready());
        platform::ManualClock pitClock(ConsoleFixture::kStart.addSecs(3));
        const SourceRace pit(pitClock, u"WET"_s);
        ConsoleFixture spare(standByForPit(broker.port()), pitClock.now().addSecs(-3));
        QVERIFY(QTest::qWaitFor([&] { return spare.program.follower()->brokerConnected(); }));
        // The pit console's publisher, behind its journal until its death.
        relay::BrokerSettings pitBroker;
        pitBroker.host = u"127.0.0.1"_s;
        pitBroker.port = broker.port();
        pitBroker.clientId = u"kaltero-pit"_s;
        relay::Publisher publisher(pitBroker, *relay::Topics::of(u"pit"_s),
                                   pit.dir.filePath(u"Kaltero.db"_s));
        publisher.begin();
        journal::Journal* journal = spare.program.journal();
        const QStringList heard = heardOf(pit.operations);
        QCOMPARE(heard.size(), 4);  // cars 0 and 1: a message (car 1's empty) and a report each
        QVERIFY(QTest::qWaitFor(
            [&] { return journal->flush() && heardOf(journal->unfinishedRace()) == heard; },
            10'000));
        QCOMPARE(spare.model.car(0).InMsg, u"WET"_s);

        spare.clock.advance(downMs);
        spare.prompts.answerYesNo(true);
        spare.find<QPushButton>(u"Btn_TakeOver"_s)->click();
        QVERIFY(!spare.program.follower()->following());
        QCOMPARE(spare.model.car(0).InMsg, u"WET"_s);
        spare.clock.advance(afterMs);
        TestCar car(slot);
        QTEST(car.exchange(TestCar::lapReport(slot == 0 ? 4 : 3)).left(14), "reply");
        publisher.finish();
    }
};

QTEST_MAIN(TestTakeOver)
#include "test_take_over.moc"
