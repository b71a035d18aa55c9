// A standby console follows the pit console's race read-only, and after the pit console died
// takes it over through 引き継ぎ: asked first, then every car's next lap timed here, with every
// lap the cars were told in the race.
#include "console/application.h"
#include "console/console_fixture.h"
#include "console/test_car.h"
#include "core/relay_settings.h"
#include "core/settings.h"
#include "model/race_model.h"
#include "relay/ops_message.h"
#include "standby/follower.h"
#include "standby/source_race.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace kaltero;
using namespace Qt::StringLiterals;
using testing::ConsoleFixture;
using testing::SourceRace;
using testing::TestCar;

namespace {

// The console's settings standing by for "pit" on a broker that is not there: the operations
// are handed to the follower as the broker would deliver them.
void standByForPit(const QDir& folder) {
    using namespace core::ini;
    const QString ini = folder.filePath(u"Kaltero.ini"_s);
    core::WriteIni(kLiveSection, kLiveOn, u"0"_s, ini);
    core::WriteIni(kRelaySection, kBroker, u"127.0.0.1:1"_s, ini);
    core::WriteIni(kRelaySection, kConsoleName, u"spare"_s, ini);
    core::WriteIni(kRelaySection, kFollow, u"pit"_s, ini);
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
        ConsoleFixture spare(standByForPit, pitClock.now().addSecs(-3));
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
};

QTEST_MAIN(TestTakeOver)
#include "test_take_over.moc"
