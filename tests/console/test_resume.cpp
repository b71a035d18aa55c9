#include "common/file_bytes.h"
#include "console_fixture.h"
#include "platform/choice_list.h"
#include "platform/cp932.h"
#include "platform/grid.h"
#include "test_car.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using kaltero::testing::ConsoleFixture;
using kaltero::testing::Race;
using kaltero::testing::readBytes;
using kaltero::testing::TestCar;
using kaltero::testing::writeBytes;
using namespace Qt::StringLiterals;

namespace {

// The journal as a killed console leaves it: the database and its write-ahead log.
struct JournalFiles {
    QByteArray db;
    QByteArray wal;
    void copyTo(const QDir& folder) const {
        QVERIFY(writeBytes(folder.filePath(u"Kaltero.db"_s), db));
        QVERIFY(writeBytes(folder.filePath(u"Kaltero.db-wal"_s), wal));
    }
};

QStringList lapTexts(kaltero::platform::Grid* grid) {
    QStringList rows;
    for (int r = 1; r <= grid->rowCount(); ++r) {
        rows << grid->cellText(1, r) + u'|' + grid->cellText(2, r) + u'|' + grid->cellText(3, r);
    }
    return rows;
}

}  // namespace

class TestResume : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A console killed in the middle of a race comes back with the race and goes on timing it:
    // the same laps, the same lap numbers, the tick counter on from the race's own start.
    void killedRaceGoesOnAfterTheRestart_data() {
        QTest::addColumn<bool>("resume");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void killedRaceGoesOnAfterTheRestart() {
        QFETCH(bool, resume);
        JournalFiles files;
        QStringList before;
        {
            Race race({0});
            TestCar car(0);
            race.start();
            for (int lap = 0; lap < 2; ++lap) {
                race.clock.advance(11'000);
                QVERIFY(car.exchange(TestCar::lapReport(lap)).startsWith(u'N'));
            }
            before = lapTexts(race.ui().Car[0]->Spd_Laps);
            files = {readBytes(race.dir.filePath(u"Kaltero.db"_s)),
                     readBytes(race.dir.filePath(u"Kaltero.db-wal"_s))};
        }
        QCOMPARE(before.size(), 2);

        // A minute later by the wall clock; the monotonic clock began again with the process.
        ConsoleFixture again([&](const QDir& folder) { files.copyTo(folder); },
                             ConsoleFixture::kStart.addSecs(60), resume);
        QCOMPARE(again.prompts.calls().size(), 1);
        QCOMPARE(again.prompts.calls()[0].text, u"前回の計測は終了していません。再開しますか？"_s);
        auto* panel = again.ui().Car[0];
        if (!resume) {
            QVERIFY(!again.model.timing());
            QCOMPARE(panel->Spd_Laps->rowCount(), 0);
            return;
        }
        QVERIFY(again.model.timing());
        QCOMPARE(again.ui().Btn_Start->text(), u"Stop"_s);
        QCOMPARE(panel->Lbl_IP->text(), u"127.0.0.1"_s);
        QCOMPARE(lapTexts(panel->Spd_Laps), before);
        QCOMPARE(panel->Lbl_LapCnt->text(), u"3周目"_s);
        // 14:00:00 was tick 0; the console came back at 14:01:00.
        QCOMPARE(again.console.TickCnt(), 60'000);

        TestCar car(0);
        again.clock.advance(11'000);
        const QString reply = car.exchange(TestCar::lapReport(2));
        QVERIFY(reply.startsWith(u'N'));
        QCOMPARE(reply.mid(1, 3), u"003"_s);
        QCOMPARE(panel->Spd_Laps->cellText(3, 3), u"再開"_s);
        // Only the first lap after the restart is marked.
        again.clock.advance(11'000);
        QVERIFY(car.exchange(TestCar::lapReport(3)).startsWith(u'N'));
        QCOMPARE(panel->Spd_Laps->cellText(3, 4), QString());
    }

    // What was set up before the Start comes back with the race: showing one field after the
    // restart must not overwrite those not shown yet with what the empty window held.
    void resumedRaceKeepsItsSetUp() {
        const auto masters = [](const QDir& folder) {
            QVERIFY(writeBytes(folder.filePath(u"Car.ini"_s), "Car A,Ann,60,8.5\r\n"));
            QVERIFY(writeBytes(folder.filePath(u"Drivers.ini"_s),
                               kaltero::platform::encodeCp932(u"Taro,全車\r\n"_s)));
        };
        const auto choose = [](kaltero::platform::ChoiceList* list, const QString& entry) {
            list->setCurrentIndex(list->findText(entry));
            Q_EMIT list->activated(list->currentIndex());
        };
        JournalFiles files;
        const kaltero::core::EventData event{u"耐久 第3戦"_s, u"2026/04/05"_s, u"曇"_s, u"18"_s};
        {
            ConsoleFixture race(masters);
            auto& ui = race.ui();
            race.prompts.answerInput(u"127.0.0.1"_s);
            ui.Car[0]->Btn_ClientNoSet->click();
            choose(ui.Car[0]->Cmb_Car, u"Car A"_s);
            choose(ui.Car[0]->Cmb_Driver, u"Taro"_s);
            ui.Txt_Event->setText(event.name);
            ui.Txt_Date->setText(event.date);
            ui.Cmb_Tenki->setCurrentIndex(ui.Cmb_Tenki->findText(event.weather));
            ui.Txt_Kion->setText(event.temperature);
            ui.Txt_RunH->setText(u"2"_s);
            ui.Txt_RunN->setText(u"30"_s);
            ui.Btn_Start->click();
            files = {readBytes(race.dir.filePath(u"Kaltero.db"_s)),
                     readBytes(race.dir.filePath(u"Kaltero.db-wal"_s))};
        }
        ConsoleFixture again(
            [&](const QDir& folder) {
                masters(folder);
                files.copyTo(folder);
            },
            ConsoleFixture::kStart.addSecs(60), true);
        const auto& st = again.model.state();
        QCOMPARE(QStringList({st.event.name, st.event.date, st.event.weather, st.event.temperature,
                              st.RunH, st.RunN, st.car[0].CarName, st.car[0].Driver}),
                 QStringList({event.name, event.date, event.weather, event.temperature, u"2"_s,
                              u"30"_s, u"Car A"_s, u"Taro"_s}));
    }

    // A second console on the same folder would share the journal and the car ports: it refuses
    // before its window (and so any port) exists.
    void secondConsoleOnTheSameFolderRefuses() {
        ConsoleFixture first;
        kaltero::platform::ManualClock clock(ConsoleFixture::kStart);
        kaltero::platform::ScriptedPrompts prompts;
        kaltero::model::RaceModel model;
        kaltero::core::Console console{prompts, clock, model, model.state()};
        int quits = 0;
        kaltero::console::Application second{console, first.dir.path(), [&quits] { ++quits; }};
        second.start();
        clock.advance(3000);
        QCOMPARE(quits, 1);
        QVERIFY(second.window() == nullptr);
        QCOMPARE(prompts.calls().size(), 1);
        QVERIFY(prompts.calls()[0].text.startsWith(u"このフォルダのKalteroは既に動いています。"_s));
        QVERIFY(first.model.state().car[0].Address.isEmpty());  // the first goes on untouched
    }
};

QTEST_MAIN(TestResume)
#include "test_resume.moc"
