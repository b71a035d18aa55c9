#include "console_fixture.h"
#include "link/protocol.h"
#include "platform/cp932.h"
#include "test_car.h"
#include "widgets/frame.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using kaltero::platform::decodeCp932;
using kaltero::platform::encodeCp932;
using kaltero::testing::ConsoleFixture;
using kaltero::testing::focusIn;
using kaltero::testing::focusOut;
using kaltero::testing::retype;
using kaltero::testing::TestCar;

namespace {

const QColor kPink(0xFF, 0x80, 0xFF);
const QColor kLightYellow(0xFF, 0xFF, 0xC0);
const QColor kWhite(0xFF, 0xFF, 0xFF);
// Flag and lap record ahead of the message part of a reply that closes a lap.
constexpr int kRecordedHead = 1 + kaltero::link::kLapRecordLength;

struct MessageRace : ConsoleFixture {
    explicit MessageRace(QList<int> slots = {0}) {
        for (int s : slots) {
            prompts.answerInput(QStringLiteral("127.0.0.1"));
            ui().Car[s]->Btn_ClientNoSet->click();
        }
    }
    void start() { ui().Btn_Start->click(); }
    void stop() {
        prompts.answerYesNo(true);
        ui().Btn_Start->click();
    }
    QColor inMessColour(int s) {
        return ui().Car[s]->Lbl_InMess->palette().color(QPalette::Window);
    }
};

}  // namespace

class TestPitMessages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The message part of the reply to the car's first report: typed text, reminder, all cars.
    void replyCarriesTheMessages_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("allCars");
        QTest::addColumn<QString>("part");
        const QString abc = QStringLiteral("（全車へ：ＡＢＣ）");
        QTest::newRow("typed only") << QStringLiteral("Box 2") << false << QString() << QString()
                                    << QStringLiteral("Ｂｏｘ　２");
        QTest::newRow("at 3") << QString() << true << QStringLiteral("3") << QString()
                              << QStringLiteral(" [ あと３周でピットインです。 ] ");
        QTest::newRow("at 2, all cars")
            << QString() << true << QStringLiteral("2") << QStringLiteral("ABC")
            << QStringLiteral(" [ あと２周でピットインです。 ] ") + abc;
        QTest::newRow("at 1") << QString() << true << QStringLiteral("1") << QString()
                              << QStringLiteral(" [ 次の周でピットインしてください。 ] ");
        QTest::newRow("at 0") << QString() << true << QStringLiteral("0") << QString()
                              << QStringLiteral(" [ はよピットインせんかい！ ] ");
        QTest::newRow("at -1") << QString() << true << QStringLiteral("-1") << QString()
                               << QStringLiteral(" [ はよピットインせんかい！ ] ");
        QTest::newRow("at 4, all cars") << QString() << true << QStringLiteral("4")
                                        << QStringLiteral("ABC") << QStringLiteral(" ") + abc;
        QTest::newRow("written 03")
            << QString() << true << QStringLiteral("03") << QString() << QStringLiteral(" ");
        QTest::newRow("countdown off, all cars")
            << QString() << false << QString() << QStringLiteral("ABC") << abc;
        QTest::newRow("all three")
            << QStringLiteral("pit") << true << QStringLiteral("2") << QStringLiteral("ABC")
            << QStringLiteral("ｐｉｔ [ あと２周でピットインです。 ] ") + abc;
    }
    void replyCarriesTheMessages() {
        QFETCH(QString, typed);
        QFETCH(bool, ticked);
        QFETCH(QString, count);
        QFETCH(QString, allCars);
        QFETCH(QString, part);
        MessageRace race;
        TestCar car(0);
        auto& ui = race.ui();
        retype(ui.Car[0]->Txt_OutMess, typed);
        if (ticked) {
            ui.Car[0]->Chk_ChgCnter->click();
            retype(ui.Car[0]->Txt_ZanRunCnt, count);
        }
        QTest::keyClicks(ui.Txt_AllOutMess, allCars);
        race.start();
        QCOMPARE(car.exchange(TestCar::lapReport(0)), u'N' + part);
    }

    void allCarsMessageGoesToEveryCarUntilEmptied() {
        MessageRace race({0, 1});
        TestCar car1(0);
        TestCar car2(1);
        auto& ui = race.ui();
        QTest::keyClicks(ui.Txt_AllOutMess, QStringLiteral("ABC"));
        QCOMPARE(kaltero::core::allCarMessageSent(race.state().AllCarTyped),
                 QStringLiteral("（全車へ：ＡＢＣ）"));
        race.start();
        QCOMPARE(car1.exchange(TestCar::lapReport(0)), QStringLiteral("N（全車へ：ＡＢＣ）"));
        QCOMPARE(car2.exchange(TestCar::lapReport(0)), QStringLiteral("N（全車へ：ＡＢＣ）"));
        // Still there a pass later: nothing but the operator empties it.
        race.clock.advance(11'000);
        QCOMPARE(car1.exchange(TestCar::lapReport(0)).mid(kRecordedHead),
                 QStringLiteral("（全車へ：ＡＢＣ）"));

        ui.Txt_AllOutMess->selectAll();
        QTest::keyClick(ui.Txt_AllOutMess, Qt::Key_Delete);
        QVERIFY(race.state().AllCarTyped.isEmpty());
        QCOMPARE(car1.exchange(TestCar::lapReport(1)).size(), kRecordedHead);
        QCOMPARE(car2.exchange(TestCar::lapReport(0)).size(), kRecordedHead);
    }

    void typedMessageLastsOnePass() {
        MessageRace race;
        TestCar car(0);
        auto& ui = race.ui();
        retype(ui.Car[0]->Txt_OutMess, QStringLiteral("BOX"));
        race.start();
        QCOMPARE(car.exchange(TestCar::lapReport(0)), QStringLiteral("NＢＯＸ"));
        race.clock.advance(5000);
        QCOMPARE(car.exchange(TestCar::lapReport(0)), QStringLiteral("NＢＯＸ"));
        race.clock.advance(11'000);
        QVERIFY(ui.Car[0]->Txt_OutMess->text().isEmpty());
        const QString next = car.exchange(TestCar::lapReport(0));
        QCOMPARE(next.size(), kRecordedHead);
        QVERIFY(next.startsWith(QStringLiteral("N001")));
    }

    // The car reports at 0 and leaves; the lap is counted a little after 10 s and the car is
    // back at 11 s. A message typed before the count is emptied with it and never sent.
    void messageTypedDuringTheSilence_data() {
        QTest::addColumn<int>("typedAt");
        QTest::addColumn<QString>("part");
        QTest::newRow("before the lap is counted") << 5000 << QString();
        QTest::newRow("after the lap is counted") << 10'500 << QStringLiteral("ＰＩＴ");
    }
    void messageTypedDuringTheSilence() {
        QFETCH(int, typedAt);
        QFETCH(QString, part);
        MessageRace race;
        TestCar car(0);
        auto& ui = race.ui();
        race.start();
        QCOMPARE(car.exchange(TestCar::lapReport(0)), QStringLiteral("N"));
        race.clock.advance(typedAt);
        retype(ui.Car[0]->Txt_OutMess, QStringLiteral("PIT"));
        race.clock.advance(11'000 - typedAt);
        QCOMPARE(race.state().car[0].LapCnt, 1);
        QCOMPARE(ui.Car[0]->Txt_OutMess->text(),
                 part.isEmpty() ? QString() : QStringLiteral("PIT"));
        QCOMPARE(car.exchange(TestCar::lapReport(0)).mid(kRecordedHead), part);
    }

    void incomingMessageBlinksUntilAQuietReport() {
        MessageRace race;
        TestCar car(0);
        auto& ui = race.ui();
        race.start();
        QCOMPARE(race.inMessColour(0), kLightYellow);
        car.exchange(QStringLiteral("000ピットOK"));
        QCOMPARE(ui.Car[0]->Lbl_InMess->text(), QStringLiteral("ピットOK"));
        QVERIFY(ui.Car[0]->Time_MessBlk->isActive());
        QCOMPARE(race.inMessColour(0), kLightYellow);
        for (const QColor& expected : {kPink, kLightYellow, kPink, kLightYellow}) {
            race.clock.advance(500);
            QCOMPARE(race.inMessColour(0), expected);
        }
        car.exchange(TestCar::lapReport(0));
        QVERIFY(ui.Car[0]->Lbl_InMess->text().isEmpty());
        QVERIFY(!ui.Car[0]->Time_MessBlk->isActive());
        QCOMPARE(race.inMessColour(0), kWhite);
        race.clock.advance(1500);
        QCOMPARE(race.inMessColour(0), kWhite);
    }

    void raceStopLeavesTheLabelEmptyAndStill() {
        MessageRace race;
        TestCar car(0);
        auto& ui = race.ui();
        retype(ui.Car[0]->Txt_OutMess, QStringLiteral("BOX"));
        race.start();
        car.exchange(QStringLiteral("000ピット"));
        race.clock.advance(500);
        QCOMPARE(race.inMessColour(0), kPink);
        race.stop();
        QVERIFY(ui.Car[0]->Lbl_InMess->text().isEmpty());
        QVERIFY(!ui.Car[0]->Time_MessBlk->isActive());
        QCOMPARE(race.inMessColour(0), kLightYellow);
        QVERIFY(ui.Car[0]->Txt_OutMess->text().isEmpty());
        race.clock.advance(1500);
        QCOMPARE(race.inMessColour(0), kLightYellow);
    }

    // A message longer than a car PC takes is cut between characters; the reply stays one
    // datagram of at most kMaxReplyBytes.
    void longMessagesStayOneDatagram_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("fullWidth");
        QTest::addColumn<bool>("closesALap");
        QTest::addColumn<int>("bytes");
        const QString kana(5000, u'あ');
        QTest::newRow("5000 kana") << kana << kana << false << 1 + 2 * 4095;
        QTest::newRow("5000 kana with a lap record")
            << kana << kana << true << kRecordedHead + 2 * 4066;
        QTest::newRow("5000 letters")
            << QString(5000, u'A') << QString(5000, QChar(0xFF21)) << false << 1 + 2 * 4095;
        QTest::newRow("one character short of the limit")
            << QString(4094, u'A') << QString(4094, QChar(0xFF21)) << false << 1 + 2 * 4094;
    }
    void longMessagesStayOneDatagram() {
        QFETCH(QString, typed);
        QFETCH(QString, fullWidth);
        QFETCH(bool, closesALap);
        QFETCH(int, bytes);
        MessageRace race;
        TestCar car(0);
        race.start();
        if (closesALap) {
            race.clock.advance(11'000);
        }
        // Typed after any lap count, which would empty it.
        race.ui().Car[0]->Txt_OutMess->setText(typed);
        car.send(TestCar::lapReport(0));
        const auto reply = car.receive();
        QVERIFY(reply.has_value());
        QCOMPARE(reply->size(), bytes);
        QVERIFY(reply->size() <= kaltero::link::kMaxReplyBytes);
        const QString text = decodeCp932(*reply);
        const QString part = text.mid(closesALap ? kRecordedHead : 1);
        QVERIFY(fullWidth.startsWith(part));
        QVERIFY(!car.receive(200).has_value());
        // The console goes on answering.
        race.ui().Car[0]->Txt_OutMess->setText(QStringLiteral("ok"));
        QVERIFY(
            car.exchange(TestCar::lapReport(closesALap ? 1 : 0)).endsWith(QStringLiteral("ｏｋ")));
    }

    void charactersOutsideCodePage932() {
        MessageRace race;
        TestCar car(0);
        race.ui().Car[0]->Txt_OutMess->setText(QStringLiteral("Pit 😀 한 ok"));
        race.start();
        car.send(TestCar::lapReport(0));
        const auto reply = car.receive();
        QVERIFY(reply.has_value());
        // Each character without a code page 932 form goes out as a full-width question mark.
        QCOMPARE(decodeCp932(*reply), QStringLiteral("NＰｉｔ　？　？　ｏｋ"));
        QVERIFY(!car.receive(200).has_value());
    }

    void longIncomingMessageIsShown() {
        MessageRace race;
        TestCar car(0);
        race.start();
        QTest::qWait(20);
        const int width = race.ui().Main->width();
        const int carWidth = race.ui().Car[0]->width();
        const QString message = QStringLiteral("😀한") + QString(3000, u'ア');
        QCOMPARE(car.exchange(TestCar::lapReport(0) + message), QStringLiteral("N"));
        // What code page 932 cannot carry arrives as "?"; the label shows the start.
        QCOMPARE(race.ui().Car[0]->Lbl_InMess->text(),
                 QString(QStringLiteral("??") + QString(3000, u'ア')).left(256));
        QVERIFY(race.ui().Car[0]->Time_MessBlk->isActive());
        // However long, it leaves the car's frame and the window as they were.
        QTest::qWait(20);
        QCOMPARE(race.ui().Main->width(), width);
        QCOMPARE(race.ui().Car[0]->width(), carWidth);
    }
};

QTEST_MAIN(TestPitMessages)
#include "test_pit_messages.moc"
