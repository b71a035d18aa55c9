#include "console/race_tables.h"
#include "console_fixture.h"
#include "link/protocol.h"
#include "offered_choices.h"
#include "platform/cp932.h"
#include "platform/udp_link.h"
#include "table_texts.h"
#include "test_car.h"
#include "widgets/choice_list.h"
#include "widgets/grid.h"
#include "widgets/lap_grid.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QUdpSocket>

using kaltero::console::StandingsModel;
using kaltero::platform::decodeCp932;
using kaltero::platform::encodeCp932;
using kaltero::testing::cellText;
using kaltero::testing::Race;
using kaltero::testing::TestCar;

class TestCarLink : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstReportIsAnsweredWithTheFlagAlone() {
        Race race;
        TestCar car(0);
        race.start();
        QCOMPARE(car.exchange(QStringLiteral("000")), QStringLiteral("N"));
        QCOMPARE(race.car(0).LapCnt, 0);
        QVERIFY(race.ui().Car[0]->Lbl_InMess->text().isEmpty());
    }

    void firstReportAfterTheSilenceTimesTheLap() {
        Race race;
        TestCar car(0);
        kaltero::testing::offerDrivers(race.ui().Car[0]->Cmb_Driver, {QStringLiteral("佐藤")});
        race.ui().Car[0]->Cmb_Driver->setCurrentIndex(0);
        race.start();
        race.clock.advance(15'000);
        QCOMPARE(race.car(0).LapCnt, 1);
        const QString reply = car.exchange(QStringLiteral("000"));
        QCOMPARE(reply.size(), 1 + 59);
        QCOMPARE(reply.left(24), QStringLiteral("N0010000015000") + QStringLiteral("0000015000"));
        QCOMPARE(reply.mid(34, 10), QStringLiteral("2026/04/03"));
        QCOMPARE(reply.mid(44, 16), QStringLiteral("14:00:15") + QStringLiteral("00:00:00"));
        auto* laps = race.ui().Car[0]->Spd_Laps;
        QCOMPARE(laps->rowCount(), 1);
        QCOMPARE(laps->cellText(1, 1), QStringLiteral("0'15\"000"));
        QCOMPARE(laps->cellText(2, 1), QStringLiteral("佐藤"));
        QCOMPARE(laps->cellText(4, 1), QStringLiteral("15000"));
        QCOMPARE(laps->cellText(5, 1), QStringLiteral(", "));
        QCOMPARE(race.ui().Car[0]->Lbl_LapCnt->text(), QStringLiteral("2周目"));
        QCOMPARE(race.ui().Car[0]->Lbl_BestLapTm->text(), QStringLiteral("1周目 0'15\"000"));
        QCOMPARE(race.car(0).LapStartTick, 15'000);
        QVERIFY(!race.car(0).LapPending);

        // The car now holds lap 1: its reports only refresh the messages.
        race.clock.advance(500);
        QCOMPARE(car.exchange(QStringLiteral("001")), reply);
        QCOMPARE(laps->rowCount(), 1);
    }

    // The reply after a lap was lost: the car still reports the lap before. Its lap time
    // must survive, and the car gets the record again.
    void lostReplyKeepsTheLapTime() {
        Race race;
        TestCar car(0);
        race.start();
        race.clock.advance(15'000);
        const QString record = car.exchange(QStringLiteral("000"));
        race.clock.advance(400);
        QCOMPARE(car.exchange(QStringLiteral("000")), record);
        QCOMPARE(race.car(0).LapCnt, 1);
        QCOMPARE(race.ui().Car[0]->Spd_Laps->cellText(4, 1), QStringLiteral("15000"));
        QCOMPARE(race.car(0).LapStartTick, 15'000);
    }

    // A car still holding the last record of an earlier race reports its number at the start:
    // that is no lap; the first lap runs from the start to the first report after a silence.
    void secondRaceTimesTheFirstLapFromTheStart() {
        Race race;
        TestCar car(0);
        race.start();
        race.clock.advance(15'000);
        car.exchange(QStringLiteral("000"));
        race.prompts.answerYesNo(true);
        race.ui().Btn_Start->click();
        race.start();
        race.clock.advance(500);
        const QString old = car.exchange(QStringLiteral("001"));
        QCOMPARE(old.mid(1, 3), QStringLiteral("001"));
        QCOMPARE(race.car(0).LapCnt, 0);
        QCOMPARE(race.ui().Car[0]->Spd_Laps->rowCount(), 0);
        race.clock.advance(12'000);
        const QString first = car.exchange(QStringLiteral("001"));
        QCOMPARE(first.left(14), QStringLiteral("N0010000012500"));
    }

    void reportWithAMessageBlinksAndKeepsTheLap() {
        Race race;
        TestCar car(0);
        race.start();
        race.clock.advance(11'000);
        const QString first = car.exchange(QStringLiteral("000"));
        const QString again = car.exchange(QStringLiteral("001ピット"));
        QCOMPARE(again, first);
        QCOMPARE(race.ui().Car[0]->Lbl_InMess->text(), QStringLiteral("ピット"));
        QVERIFY(race.ui().Car[0]->Time_MessBlk->isActive());
        car.exchange(QStringLiteral("001"));
        QVERIFY(!race.ui().Car[0]->Time_MessBlk->isActive());
        QCOMPARE(race.ui().Car[0]->Lbl_InMess->palette().color(QPalette::Window),
                 QColor(Qt::white));
    }

    // A long message shows its start and goes whole into the lap log; markup stays text.
    void longMessageIsShownInPartAndLoggedWhole() {
        Race race;
        TestCar car(0);
        race.start();
        race.clock.advance(11'000);
        const QString message = QStringLiteral("<b>") + QString(3000, u'x');
        car.exchange(QStringLiteral("000") + message);
        QCOMPARE(race.ui().Car[0]->Lbl_InMess->text(), message.left(256));
        QCOMPARE(race.ui().Car[0]->Lbl_InMess->textFormat(), Qt::PlainText);
        QCOMPARE(race.ui().Car[0]->Spd_Laps->cellText(5, 1), QStringLiteral(", ") + message);
    }

    void replyCarriesTheMessagesInCodePage932() {
        Race race;
        TestCar car(0);
        race.ui().Car[0]->Txt_OutMess->setText(QStringLiteral("pit in 3"));
        race.ui().Car[0]->Chk_ChgCnter->setChecked(true);
        race.ui().Car[0]->Txt_ZanRunCnt->setText(QStringLiteral("2"));
        race.start();
        car.send(QStringLiteral("000"));
        const auto bytes = car.receive();
        QVERIFY(bytes.has_value());
        const QString expected =
            QStringLiteral("Nｐｉｔ　ｉｎ　３ [ あと２周でピットインです。 ] ");
        QCOMPARE(*bytes, encodeCp932(expected));
        QCOMPARE(bytes->left(3), QByteArray("N\x82\x90"));
    }

    void reportOfAnotherCarGoesToItsOwnSlot() {
        Race race({0, 3});
        TestCar car4(3);
        race.start();
        race.clock.advance(11'000);
        QCOMPARE(car4.exchange(QStringLiteral("000")).left(4), QStringLiteral("N001"));
        QCOMPARE(race.car(3).LapCnt, 1);
        QCOMPARE(race.ui().Car[3]->Spd_Laps->cellText(4, 1), QStringLiteral("11000"));
        QCOMPARE(race.ui().Car[0]->Spd_Laps->cellText(4, 1), QString());
    }

    void standingsRankTheCarsTakingPart() {
        Race race({0, 2});
        TestCar car1(0);
        TestCar car3(2);
        kaltero::testing::offerCars(race.ui().Car[0]->Cmb_Car,
                                    {{QStringLiteral("赤"), {}, 60, 8.5F}});
        race.ui().Car[0]->Cmb_Car->setCurrentIndex(0);
        kaltero::testing::offerCars(race.ui().Car[2]->Cmb_Car,
                                    {{QStringLiteral("青"), {}, 60, 8.5F}});
        race.ui().Car[2]->Cmb_Car->setCurrentIndex(0);
        race.start();
        race.clock.advance(11'000);
        car3.exchange(QStringLiteral("000"));  // car 3 closes lap 1 at 11 s
        race.clock.advance(1'000);
        car1.exchange(QStringLiteral("000"));  // car 1 closes lap 1 at 12 s
        const auto* board = race.find<QTableView>(QStringLiteral("Spd_Standings"));
        QCOMPARE(cellText(board, 0, StandingsModel::kCarName), QStringLiteral("青"));
        QCOMPARE(cellText(board, 0, StandingsModel::kLap), QStringLiteral("2"));
        QCOMPARE(cellText(board, 0, StandingsModel::kBestTime), QStringLiteral("0'11\"000"));
        QCOMPARE(cellText(board, 0, StandingsModel::kBestLap), QStringLiteral("1"));
        QCOMPARE(cellText(board, 1, StandingsModel::kCarName), QStringLiteral("赤"));
        QCOMPARE(cellText(board, 1, StandingsModel::kBestTime), QStringLiteral("0'12\"000"));
    }

    // Any device on the pit network can reach port 7011: only the car PC at the address
    // entered for car 1 may close its laps, unless the operator switched the check off.
    void reportsOnlyFromTheCarPc_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("check");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<bool>("replied");
        QTest::addColumn<int>("told");
        const QString pc = QStringLiteral("127.0.0.1");
        const QString other = QStringLiteral("127.0.0.2");
        const QString name = QStringLiteral("localhost");
        QTest::newRow("car PC") << pc << pc << true << true << true << 0;
        QTest::newRow("another device") << pc << other << true << false << false << 0;
        QTest::newRow("another device, check off") << pc << other << false << true << true << 0;
        // A name is never looked up: nothing matches, and the operator learns it at Start.
        QTest::newRow("car PC by name") << name << pc << true << false << false << 1;
        QTest::newRow("car PC by name, check off") << name << pc << false << true << false << 0;
    }
    void reportsOnlyFromTheCarPc() {
        QFETCH(QString, address);
        QFETCH(QString, from);
        QFETCH(bool, check);
        QFETCH(bool, taken);
        QFETCH(bool, replied);
        QFETCH(int, told);
        Race race;
        race.model.setAddress(0, address, false);
        race.console.settings.CheckSender = check;
        TestCar car(0);
        QUdpSocket device;
        QVERIFY(device.bind(QHostAddress(from), 0));
        race.start();
        race.clock.advance(15'000);
        QVERIFY(race.car(0).LapPending);

        QLoggingCategory::setFilterRules(QStringLiteral("kaltero.link.debug=true"));
        const QSignalSpy changes(&race.model, &kaltero::model::RaceModel::changed);
        for (int report = 1; report <= 2; ++report) {
            if (!taken) {
                QTest::ignoreMessage(
                    QtDebugMsg,
                    QRegularExpression(u"^car 1 report from \"" + from + u"\" ignored.* " +
                                       QString::number(report) + u" ignored"));
            }
            device.writeDatagram(encodeCp932(QStringLiteral("000ピット")), QHostAddress::LocalHost,
                                 7011);
            const auto answer = car.receive(replied ? 2000 : 300);
            QCOMPARE(answer.has_value(), replied);
            if (replied) {
                QCOMPARE(decodeCp932(*answer).left(4), QStringLiteral("N001"));
            }
        }
        QLoggingCategory::setFilterRules(QStringLiteral("kaltero.link.debug=false"));

        QCOMPARE(changes.isEmpty(), !taken);
        QCOMPARE(race.car(0).LapPending, !taken);
        QCOMPARE(race.ui().Car[0]->Spd_Laps->cellText(4, 1),
                 taken ? QStringLiteral("15000") : QString());
        QCOMPARE(race.ui().Car[0]->Lbl_InMess->text(),
                 taken ? QStringLiteral("ピット") : QString());
        const auto calls = race.prompts.calls();
        const auto addressNotices =
            static_cast<int>(std::count_if(calls.begin(), calls.end(), [](const auto& call) {
                return call.title == u"ＩＰ確認";
            }));
        QCOMPARE(addressNotices, told);
        if (told > 0) {
            QVERIFY(calls.back().text.endsWith(u"\n１号車：localhost"));
        }
    }

    void carsAreSilentWhileIdle() {
        Race race;
        TestCar car(0);
        car.send(QStringLiteral("000"));
        QVERIFY(!car.receive().has_value());
    }

    void addressCheckAnswersWhileIdle_data() {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("answer");
        QTest::newRow("registered for car 2")
            << QStringLiteral("127.0.0.1") << QStringLiteral("２号車");
        // Sent to the address named, which is this machine too.
        QTest::newRow("not registered") << QStringLiteral("127.0.0.2") << QStringLiteral("未登録");
    }
    void addressCheckAnswersWhileIdle() {
        QFETCH(QString, request);
        QFETCH(QString, answer);
        Race race(QList<int>{});
        race.model.setAddress(1, QStringLiteral("127.0.0.1"), false);
        TestCar pc(0, 7002);
        pc.send(request, 7001);
        const auto bytes = pc.receive();
        QVERIFY(bytes.has_value());
        QCOMPARE(decodeCp932(*bytes), answer);
        QVERIFY(race.console.sockets.check->isBound());
    }

    void addressCheckIgnoresRequestsWithoutAnAddress() {
        Race race(QList<int>{});
        TestCar pc(0, 7002);
        pc.send(QString(), 7001);
        pc.send(QStringLiteral("hello"), 7001);
        QVERIFY(!pc.receive().has_value());
        QVERIFY(race.console.sockets.check->isBound());
    }
};

QTEST_MAIN(TestCarLink)
#include "test_car_link.moc"
