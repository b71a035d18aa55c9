#include <QTest>
#include <limits>

#include "core/settings.h"
#include "core/slot_state.h"
#include "link/protocol.h"
#include "platform/cp932.h"

using namespace kaltero::link;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint32 kMax32 = std::numeric_limits<qint32>::max();

QDateTime at(int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// A well-formed record for reply tests.
QString sampleRecord() {
    LapRecordInput in;
    in.LapCnt = 12;
    in.LastLapTicks = 83456;
    in.DrvBestLapTicks = 82000;
    in.DrvTotalTicks = 250000;
    in.DrvLapCnt = 3;
    in.now = at(2026, 4, 3, 9, 15, 2);
    return buildLapRecord(in);
}

// sampleRecord with one character replaced.
QString spoiled(int position, QChar c) {
    QString record = sampleRecord();
    record[position] = c;
    return record;
}

}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ports_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("port");  // the console's port of the slot
        QTest::newRow("car 1") << 0 << 7011;
        QTest::newRow("car 5") << 4 << 7051;
    }
    void ports() {
        QFETCH(int, slot);
        QFETCH(int, port);
        QCOMPARE(int(consolePort(slot)), port);
        QCOMPARE(int(carPort(slot)), port + 1);
    }

    void reportParsing_data() {
        QTest::addColumn<QString>("report");
        QTest::addColumn<int>("lap");
        QTest::addColumn<QString>("message");
        QTest::newRow("no record yet") << u"000"_s << 0 << QString();
        QTest::newRow("message after lap") << u"001ピット"_s << 1 << u"ピット"_s;
        QTest::newRow("message keeps its blanks") << u"012 tyre "_s << 12 << u" tyre "_s;
        QTest::newRow("digits after the third are message") << u"123456"_s << 123 << u"456"_s;
        QTest::newRow("no digits") << u"abcx"_s << 0 << u"x"_s;
        QTest::newRow("empty") << QString() << 0 << QString();
        QTest::newRow("one digit") << u"7"_s << 7 << QString();
        QTest::newRow("two digits") << u"42"_s << 42 << QString();
        QTest::newRow("halves to even") << u"2.5rest"_s << 2 << u"rest"_s;
        QTest::newRow("beyond 32 bits saturates") << u"9e9go"_s << kMax32 << u"go"_s;
    }
    void reportParsing() {
        QFETCH(QString, report);
        QFETCH(int, lap);
        QFETCH(QString, message);
        const CarReport parsed = parseReport(report);
        QCOMPARE(parsed.CarLapNo, lap);
        QCOMPARE(parsed.message, message);
    }

    void autoMsg_data() {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("countdown");
        QTest::addColumn<QString>("expected");
        const QString three = u" [ three ] "_s;
        const QString zero = u" [ zero ] "_s;
        QTest::newRow("3") << true << u"3"_s << three;
        QTest::newRow("2") << true << u"2"_s << u" [ two ] "_s;
        QTest::newRow("1") << true << u"1"_s << u" [ one ] "_s;
        QTest::newRow("0") << true << u"0"_s << zero;
        QTest::newRow("-1") << true << u"-1"_s << zero;
        QTest::newRow("empty") << true << QString() << zero;
        QTest::newRow("leading blank sorts before 0") << true << u" 3"_s << zero;
        QTest::newRow("03 is not 3") << true << u"03"_s << u" "_s;
        QTest::newRow("00 sorts after 0") << true << u"00"_s << u" "_s;
        QTest::newRow("4") << true << u"4"_s << u" "_s;
        QTest::newRow("10") << true << u"10"_s << u" "_s;
        QTest::newRow("full-width 3") << true << u"３"_s << u" "_s;
        QTest::newRow("unticked at 3") << false << u"3"_s << QString();
        QTest::newRow("unticked at 0") << false << u"0"_s << QString();
    }
    void autoMsg() {
        QFETCH(bool, ticked);
        QFETCH(QString, countdown);
        QFETCH(QString, expected);
        kaltero::core::Settings settings;
        settings.AutoMess3 = u"three"_s;
        settings.AutoMess2 = u"two"_s;
        settings.AutoMess1 = u"one"_s;
        settings.AutoMess0 = u"zero"_s;
        QCOMPARE(chooseAutoMsg(ticked, countdown, settings), expected);
    }

    void sendMsg_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("allCars");
        QTest::addColumn<QString>("autoMsg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("typed goes full width")
            << u"pit in 3"_s << QString() << QString() << u"ｐｉｔ　ｉｎ　３"_s;
        QTest::newRow("nothing") << QString() << QString() << QString() << QString();
        QTest::newRow("all cars alone")
            << QString() << u"ABC"_s << QString() << u"（全車へ：ＡＢＣ）"_s;
        QTest::newRow("reminder stays half width, order typed-auto-all")
            << u"go"_s << u"rain"_s << u" [ box ] "_s << u"ｇｏ [ box ] （全車へ：ｒａｉｎ）"_s;
        QTest::newRow("countdown 4 gives one blank")
            << QString() << u"B"_s << u" "_s << u" （全車へ：Ｂ）"_s;
    }
    void sendMsg() {
        QFETCH(QString, typed);
        QFETCH(QString, allCars);
        QFETCH(QString, autoMsg);
        QFETCH(QString, expected);
        QCOMPARE(buildSendMsg(typed, autoMsg, kaltero::core::allCarMessageSent(allCars)), expected);
    }

    void lapRecord_data() {
        QTest::addColumn<int>("lapCnt");
        QTest::addColumn<int>("lastLap");
        QTest::addColumn<int>("drvBest");
        QTest::addColumn<int>("drvTotal");
        QTest::addColumn<int>("drvLapCnt");
        QTest::addColumn<int>("msPerTick");
        QTest::addColumn<QDateTime>("endTime");  // invalid: no race end time set
        QTest::addColumn<QString>("expected");
        const QString tail =
            u"2026/04/03"
            "09:15:02"
            "00:00:00"_s;
        QTest::newRow("typical, 1/1000") << 3 << 83456 << 82000 << 250000 << 3 << 1 << QDateTime()
                                         << QString(
                                                u"003"
                                                "0000083456"
                                                "0000082000"
                                                "0000083333"_s +
                                                tail);
        QTest::newRow("1/100 sends milliseconds")
            << 1 << 8345 << 8345 << 8345 << 1 << 10 << QDateTime()
            << QString(
                   u"001"
                   "0000083450"
                   "0000083450"
                   "0000083450"_s +
                   tail);
        QTest::newRow("race end time")
            << 7 << 60000 << 60000 << 60000 << 1 << 1 << at(2026, 4, 3, 14, 30, 0)
            << u"007"
               "0000060000"
               "0000060000"
               "0000060000"
               "2026/04/03"
               "09:15:02"
               "14:30:00"_s;
        QTest::newRow("average half away from zero") << 10 << 3 << 2 << 25 << 10 << 1 << QDateTime()
                                                     << QString(
                                                            u"010"
                                                            "0000000003"
                                                            "0000000002"
                                                            "0000000003"_s +
                                                            tail);
        QTest::newRow("average half at 1/100") << 4 << 1 << 1 << 1 << 4 << 10 << QDateTime()
                                               << QString(
                                                      u"004"
                                                      "0000000010"
                                                      "0000000010"
                                                      "0000000003"_s +
                                                      tail);
        QTest::newRow("driver lap count 0 counts as 1")
            << 1 << 500 << 500 << 500 << 0 << 1 << QDateTime()
            << QString(
                   u"001"
                   "0000000500"
                   "0000000500"
                   "0000000500"_s +
                   tail);
        QTest::newRow("no-lap best at 1/100 overflows 32 bits: held")
            << 2 << 8000 << 0x0FFFFFFF << 16000 << 2 << 10 << QDateTime()
            << QString(
                   u"002"
                   "0000080000"
                   "2147483647"
                   "0000080000"_s +
                   tail);
        QTest::newRow("largest ticks at 1/100 held")
            << 5 << kMax32 << kMax32 << kMax32 << 1 << 10 << QDateTime()
            << QString(
                   u"005"
                   "2147483647"
                   "2147483647"
                   "2147483647"_s +
                   tail);
        QTest::newRow("negative times held at 0")
            << 5 << -1500 << -1 << -9000 << 3 << 1 << QDateTime()
            << QString(
                   u"005"
                   "0000000000"
                   "0000000000"
                   "0000000000"_s +
                   tail);
        QTest::newRow("lap 1000 wraps") << 1000 << 1 << 1 << 1 << 1 << 1 << QDateTime()
                                        << QString(
                                               u"000"
                                               "0000000001"
                                               "0000000001"
                                               "0000000001"_s +
                                               tail);
        QTest::newRow("lap 1234 wraps") << 1234 << 1 << 1 << 1 << 1 << 1 << QDateTime()
                                        << QString(
                                               u"234"
                                               "0000000001"
                                               "0000000001"
                                               "0000000001"_s +
                                               tail);
        QTest::newRow("negative lap") << -3 << 1 << 1 << 1 << 1 << 1 << QDateTime()
                                      << QString(
                                             u"000"
                                             "0000000001"
                                             "0000000001"
                                             "0000000001"_s +
                                             tail);
    }
    void lapRecord() {
        QFETCH(int, lapCnt);
        QFETCH(int, lastLap);
        QFETCH(int, drvBest);
        QFETCH(int, drvTotal);
        QFETCH(int, drvLapCnt);
        QFETCH(int, msPerTick);
        QFETCH(QDateTime, endTime);
        QFETCH(QString, expected);
        LapRecordInput in;
        in.LapCnt = lapCnt;
        in.LastLapTicks = lastLap;
        in.DrvBestLapTicks = drvBest;
        in.DrvTotalTicks = drvTotal;
        in.DrvLapCnt = drvLapCnt;
        in.MsPerTick = msPerTick;
        in.now = at(2026, 4, 3, 9, 15, 2);
        in.EndTimeSet = endTime.isValid();
        in.RaceEndTime = endTime;
        const QString record = buildLapRecord(in);
        QCOMPARE(record.size(), kLapRecordLength);
        QCOMPARE(record, expected);

        // What the builder makes, a car PC reads back.
        const ParsedReply reply = parseReply(QString(u"N" + record + u"ｐｉｔ"_s));
        QVERIFY2(reply.ok, qPrintable(reply.error));
        QVERIFY(reply.record);
        QCOMPARE(reply.record->lap, wireLapNumber(lapCnt));
        QCOMPARE(reply.record->lapMs, expected.sliced(3, 10).toLongLong());
        QCOMPARE(reply.record->averageMs, expected.sliced(23, 10).toLongLong());
        QCOMPARE(reply.record->date, QDate(2026, 4, 3));
        QCOMPARE(reply.record->time, QTime(9, 15, 2));
        QCOMPARE(reply.record->endTime, endTime.isValid() ? endTime.time() : QTime(0, 0));
        QCOMPARE(reply.message, u"ｐｉｔ"_s);
    }

    void endTimeIgnoredWhenNotSet() {
        LapRecordInput in;
        in.now = at(2026, 12, 31, 23, 59, 59);
        in.EndTimeSet = false;
        in.RaceEndTime = at(2026, 12, 31, 14, 30, 0);  // left over from an earlier race
        QVERIFY(
            buildLapRecord(in).endsWith(u"2026/12/31"
                                        "23:59:59"
                                        "00:00:00"));
    }

    void replyAccepted_data() {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QChar>("flag");
        QTest::addColumn<int>("lap");  // -1: no record
        QTest::addColumn<QString>("message");
        QTest::newRow("before the first lap") << u"N"_s << QChar(u'N') << -1 << QString();
        QTest::newRow("messages before the first lap")
            << u"N [ box ] （全車へ：Ａ）"_s << QChar(u'N') << -1 << u" [ box ] （全車へ：Ａ）"_s;
        QTest::newRow("one blank only") << u"N "_s << QChar(u'N') << -1 << u" "_s;
        QTest::newRow("record alone")
            << QString(u"N" + sampleRecord()) << QChar(u'N') << 12 << QString();
        QTest::newRow("correction")
            << QString(u"C" + sampleRecord() + u"ｘ") << QChar(u'C') << 12 << u"ｘ"_s;
        QTest::newRow("message starting with a digit after the record")
            << QString(u"N" + sampleRecord() + u"123") << QChar(u'N') << 12 << u"123"_s;
    }
    void replyAccepted() {
        QFETCH(QString, reply);
        QFETCH(QChar, flag);
        QFETCH(int, lap);
        QFETCH(QString, message);
        const ParsedReply parsed = parseReply(reply);
        QVERIFY2(parsed.ok, qPrintable(parsed.error));
        QCOMPARE(parsed.flag, flag);
        QCOMPARE(parsed.record ? parsed.record->lap : -1, lap);
        QCOMPARE(parsed.message, message);
    }

    void replyRejected_data() {
        QTest::addColumn<QString>("reply");
        QTest::newRow("empty") << QString();
        QTest::newRow("unknown flag") << u"X"_s;
        QTest::newRow("lower-case flag") << QString(u"n" + sampleRecord());
        QTest::newRow("record without flag") << sampleRecord();
        QTest::newRow("C without record") << u"C"_s;
        QTest::newRow("C with message only") << u"Cｐｉｔ"_s;
        QTest::newRow("record cut short") << QString(u"N" + sampleRecord().first(58));
        QTest::newRow("three digits only") << u"N003"_s;
        QTest::newRow("letter in lap time") << QString(u"N" + spoiled(7, u'x'));
        QTest::newRow("full-width digit") << QString(u"N" + spoiled(20, u'５'));
        QTest::newRow("blank in average") << QString(u"N" + spoiled(23, u' '));
        QTest::newRow("date with dashes") << QString(u"N" + spoiled(37, u'-'));
        QTest::newRow("time with dots") << QString(u"N" + spoiled(45, u'.'));
        QTest::newRow("end time separator moved") << QString(u"N" + spoiled(53, u'0'));
        QTest::newRow("month 13") << QString(
            u"N" + sampleRecord().replace(u"2026/04/03"_s, u"2026/13/03"_s));
        QTest::newRow("hour 24") << QString(u"N" +
                                            sampleRecord().replace(u"09:15:02"_s, u"24:15:02"_s));
        QTest::newRow("end minute 60")
            << QString(u"N" + sampleRecord().replace(u"00:00:00"_s, u"10:60:00"_s));
    }
    void replyRejected() {
        QFETCH(QString, reply);
        const ParsedReply parsed = parseReply(reply);
        QVERIFY(!parsed.ok);
        QVERIFY(!parsed.error.isEmpty());
        QVERIFY(!parsed.record);
    }

    void replyFitsOneDatagram_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("cut");
        const QString record = sampleRecord();
        QTest::newRow("short message untouched") << record << u"ｐｉｔ　ｉｎ"_s << false;
        QTest::newRow("just fits in single bytes")
            << QString() << QString(kMaxReplyBytes - 1, u' ') << false;
        QTest::newRow("one byte too many") << QString() << QString(kMaxReplyBytes, u' ') << true;
        QTest::newRow("fewer characters than bytes allowed, still too long")
            << record << QString(5000, u'ｐ') << true;
        QTest::newRow("tens of thousands of single bytes")
            << record << QString(70000, u'a') << true;
        QTest::newRow("mixed widths") << record << QString(u"aア"_s).repeated(5000) << true;
    }
    void replyFitsOneDatagram() {
        QFETCH(QString, record);
        QFETCH(QString, message);
        QFETCH(bool, cut);
        const QString reply = buildReply(u"N", record, message);
        const qsizetype bytes = kaltero::platform::encodeCp932(reply).size();
        QVERIFY(bytes <= kMaxReplyBytes);
        const QString sent = reply.sliced(1 + record.size());
        QVERIFY(message.startsWith(sent));
        QCOMPARE(sent.size() < message.size(), cut);
        if (cut) {
            // Cut at the last character that fits, not earlier.
            QVERIFY(bytes > kMaxReplyBytes - 2);
        }
    }

    void cutNeverSplitsASurrogatePair() {
        // The cut falls right after the first half of the pair.
        const qsizetype room = kMaxReplyBytes - 1;
        const QString message = QString(room - 1, u'a') + u"😀tail";
        const QString sent = fitSendMsg(u"N", QString(), message);
        QVERIFY(!sent.isEmpty());
        QVERIFY(!sent.back().isHighSurrogate());
        QVERIFY(message.startsWith(sent));
    }

    void addressCheck_data() {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("answer");  // null: no answer at all
        const QStringList car2Only{QString(), u"10.0.0.2"_s, QString(), QString(), QString()};
        QTest::newRow("car 2") << car2Only << u"10.0.0.2"_s << u"２号車"_s;
        QTest::newRow("other address") << car2Only << u"10.0.0.3"_s << u"未登録"_s;
        QTest::newRow("exact text only") << car2Only << u"10.0.0.02"_s << u"未登録"_s;
        QTest::newRow("lower slot wins")
            << QStringList{QString(), u"10.0.0.9"_s, QString(), u"10.0.0.9"_s, QString()}
            << u"10.0.0.9"_s << u"２号車"_s;
        QTest::newRow("car 5") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"1.2.3.4"_s}
                               << u"1.2.3.4"_s << u"５号車"_s;
        QTest::newRow("empty request, empty slots") << car2Only << QString() << QString();
        QTest::newRow("not an address") << car2Only << u"car two"_s << QString();
        QTest::newRow("three parts") << car2Only << u"10.0.0"_s << QString();
        QTest::newRow("part above 255") << car2Only << u"10.0.0.256"_s << QString();
        QTest::newRow("trailing blank") << car2Only << u"10.0.0.2 "_s << QString();
        QTest::newRow("five parts") << car2Only << u"10.0.0.2.1"_s << QString();
        QTest::newRow("empty part") << car2Only << u"10..0.2"_s << QString();
        QTest::newRow("trailing dot") << car2Only << u"10.0.0.2."_s << QString();
        QTest::newRow("full-width digits") << car2Only << u"１０.0.0.2"_s << QString();
    }
    void addressCheck() {
        QFETCH(QStringList, addresses);
        QFETCH(QString, request);
        QFETCH(QString, answer);
        std::array<QString, kSlotCount> slots;
        std::copy(addresses.begin(), addresses.end(), slots.begin());
        const auto got = addressCheckAnswer(request, slots);
        QCOMPARE(got.has_value(), !answer.isNull());
        if (got) {
            QCOMPARE(*got, answer);
        }
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "test_protocol.moc"
