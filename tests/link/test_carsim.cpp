#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include "car_sim.h"
#include "link/protocol.h"
#include "platform/cp932.h"

using namespace kaltero;
using namespace Qt::Literals::StringLiterals;
using carsim::CarSim;
using carsim::CarSimOptions;
using carsim::CarSimResult;

namespace {

// Just enough of the console for one car: counts a lap after a silence longer than noCommMs
// and answers every report with a reply made by the real builders.
class FakeConsole : public QObject {
    Q_OBJECT

public:
    enum class Mode { Normal, MalformedAfterFirstLap };

    FakeConsole(int slot, int noCommMs, Mode mode = Mode::Normal)
        : slot_(slot), noCommMs_(noCommMs), mode_(mode) {
        connect(&socket_, &QUdpSocket::readyRead, this, &FakeConsole::answer);
    }

    bool listen() {
        clock_.start();
        return socket_.bind(QHostAddress::LocalHost, link::consolePort(slot_));
    }

    QList<qint64> sentLapMs;
    QList<qint32> reportedLaps;
    QString lastMessage;

private:
    void answer() {
        while (socket_.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket_.receiveDatagram();
            const qint64 now = clock_.elapsed();
            const link::CarReport report =
                link::parseReport(platform::decodeCp932(datagram.data()));
            if (reportedLaps.isEmpty() || reportedLaps.back() != report.CarLapNo) {
                reportedLaps.append(report.CarLapNo);
            }
            lastMessage = report.message;
            if (lastReportMs_ >= 0 && now - lastReportMs_ > noCommMs_) {
                ++LapCnt_;
            }
            lastReportMs_ = now;
            if (report.CarLapNo != LapCnt_) {
                link::LapRecordInput in;
                in.LapCnt = LapCnt_;
                in.LastLapTicks = static_cast<qint32>(now - lapStartMs_);
                in.DrvBestLapTicks = in.LastLapTicks;
                in.DrvTotalTicks = in.LastLapTicks;
                in.DrvLapCnt = 1;
                in.now = QDateTime::currentDateTime();
                LapRecord_ = link::buildLapRecord(in);
                lapStartMs_ = now;
                sentLapMs.append(in.LastLapTicks);
                if (mode_ == Mode::MalformedAfterFirstLap && LapCnt_ >= 2) {
                    LapRecord_.replace(u'/', u'-');
                }
            }
            const QString reply = link::buildReply(u"N", LapRecord_, u"ｐｉｔ");
            socket_.writeDatagram(platform::encodeCp932(reply), datagram.senderAddress(),
                                  link::carPort(slot_));
        }
    }

    int slot_;
    int noCommMs_;
    Mode mode_;
    QUdpSocket socket_;
    QElapsedTimer clock_;
    qint64 lastReportMs_ = -1;
    qint64 lapStartMs_ = 0;
    qint32 LapCnt_ = 0;
    QString LapRecord_;
};

// Short passes so a few laps take a few seconds; the silence outlasts the fake's 250 ms.
CarSimOptions quickOptions(QList<int> cars, int laps) {
    CarSimOptions options;
    options.cars = std::move(cars);
    options.laps = laps;
    options.inRangeMs = 300;
    options.silenceMs = 500;
    options.intervalMs = 40;
    return options;
}

constexpr int kNoCommMs = 250;

CarSimResult run(CarSim& sim) {
    QSignalSpy finished(&sim, &CarSim::finished);
    QString error;
    if (!sim.start(&error)) {
        qWarning("%s", qPrintable(error));
        return {};
    }
    finished.wait(30'000);
    return sim.result();
}

}  // namespace

class TestCarSim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void drivesLapsAndCarriesTheLapNumber() {
        FakeConsole console(0, kNoCommMs);
        QVERIFY(console.listen());
        CarSimOptions options = quickOptions({1}, 3);
        options.message = u"ﾀｲﾔ交換"_s;
        CarSim sim(options);
        const CarSimResult result = run(sim);

        QVERIFY2(result.completed, qPrintable(result.problems.join(u'\n')));
        QCOMPARE(result.exitCode(), 0);
        QVERIFY(result.problems.isEmpty());
        QCOMPARE(result.laps.size(), 3);
        QCOMPARE(console.sentLapMs.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const carsim::LapResult& lap = result.laps[i];
            QCOMPARE(lap.car, 1);
            QCOMPARE(lap.lap, i + 1);
            QCOMPARE(lap.consoleMs, console.sentLapMs[i]);
            QCOMPARE(lap.fromSimulatorStart, i == 0);
            // One pass and one silence, give or take a busy machine.
            QVERIFY2(lap.measuredMs >= 700 && lap.measuredMs < 2000,
                     qPrintable(carsim::formatLap(lap)));
            if (i > 0) {
                QVERIFY2(qAbs(lap.consoleMs - lap.measuredMs) < 200,
                         qPrintable(carsim::formatLap(lap)));
            }
        }
        // The car reported 000 until its first record, then each record's lap in turn.
        QCOMPARE(console.reportedLaps, (QList<qint32>{0, 1, 2, 3}));
        QCOMPARE(console.lastMessage, u"ﾀｲﾔ交換"_s);
    }

    void everyReplyIsKeptWithItsRecordAndMessage() {
        FakeConsole console(0, kNoCommMs);
        QVERIFY(console.listen());
        CarSim sim(quickOptions({1}, 2));
        QList<carsim::Reply> seen;
        connect(&sim, &CarSim::replied, &sim,
                [&seen](const carsim::Reply& reply) { seen << reply; });
        QList<int> returns;
        connect(&sim, &CarSim::returning, &sim, [&returns](int car) { returns << car; });
        const CarSimResult result = run(sim);
        QVERIFY2(result.completed, qPrintable(result.problems.join(u'\n')));
        // Told once for each silence, ahead of the report that closes its lap.
        QCOMPARE(returns, (QList<int>{1, 1}));

        QVERIFY(result.replies.size() >= 3);
        QCOMPARE(seen.size(), result.replies.size());
        QList<qint32> laps;
        qint64 lastAt = -1;
        for (const carsim::Reply& reply : result.replies) {
            QCOMPARE(reply.car, 1);
            QCOMPARE(reply.flag, u'N');
            QCOMPARE(reply.message, u"ｐｉｔ"_s);
            QVERIFY(reply.atMs >= lastAt);
            lastAt = reply.atMs;
            QCOMPARE(reply.record.has_value(), reply.lap >= 0);
            QCOMPARE(reply.recordText.isEmpty(), !reply.record);
            if (reply.record) {
                QCOMPARE(reply.record->lap, reply.lap);
                const auto again = link::parseReply(QString(u"N" + reply.recordText));
                QVERIFY(again.record && again.record->lapMs == reply.record->lapMs &&
                        again.message.isEmpty());
            }
            if (laps.isEmpty() || laps.back() != reply.lap) {
                laps << reply.lap;
            }
        }
        // No record before the first lap, then each lap's record in turn.
        QCOMPARE(laps, (QList<qint32>{-1, 1, 2}));

        // Each lap knows the round trips of the reports that began and ended it.
        QCOMPARE(result.laps.size(), 2);
        QCOMPARE(result.laps[0].openRoundTripMs, 0);
        for (const carsim::LapResult& lap : result.laps) {
            QVERIFY2(lap.closeRoundTripMs >= 0 && lap.closeRoundTripMs < 1000,
                     qPrintable(carsim::formatLap(lap)));
            QVERIFY2(lap.openRoundTripMs >= 0 && lap.openRoundTripMs < 1000,
                     qPrintable(carsim::formatLap(lap)));
        }
    }

    void aRetiredCarNoLongerHoldsUpTheRun() {
        FakeConsole car1(0, kNoCommMs);
        FakeConsole car2(1, kNoCommMs);
        QVERIFY(car1.listen());
        QVERIFY(car2.listen());
        CarSim sim(quickOptions({1, 2}, 3));
        connect(&sim, &CarSim::lapCompleted, &sim, [&sim](const carsim::LapResult& lap) {
            if (lap.car == 2) {
                sim.retire(2);
            }
        });
        QElapsedTimer elapsed;
        elapsed.start();
        const CarSimResult result = run(sim);
        QVERIFY2(result.completed, qPrintable(result.problems.join(u'\n')));
        QCOMPARE(result.exitCode(), 0);
        QVERIFY(result.problems.isEmpty());
        const auto lapsOf = [&result](int car) {
            return std::count_if(result.laps.begin(), result.laps.end(),
                                 [car](const carsim::LapResult& lap) { return lap.car == car; });
        };
        QCOMPARE(lapsOf(1), 3);
        QCOMPARE(lapsOf(2), 1);
        // Retired in its second pass: nothing more was read for it and it stopped reporting.
        const auto lastOfCar2 = std::find_if(result.replies.rbegin(), result.replies.rend(),
                                             [](const carsim::Reply& r) { return r.car == 2; });
        QVERIFY(lastOfCar2 != result.replies.rend());
        QCOMPARE(lastOfCar2->lap, 1);
        QCOMPARE(car2.sentLapMs.size(), 1);
        QVERIFY(elapsed.elapsed() < 10'000);
    }

    void pitStops_data() {
        QTest::addColumn<int>("laps");
        QTest::addColumn<int>("pitEveryLaps");
        QTest::addColumn<QList<qint32>>("stopLaps");
        // Lap 1's pass is a stop, lap 2's is the last and ends the run instead.
        QTest::newRow("every lap of two") << 2 << 1 << QList<qint32>{2};
        QTest::newRow("every second lap of three") << 3 << 2 << QList<qint32>{3};
    }
    void pitStops() {
        QFETCH(int, laps);
        QFETCH(int, pitEveryLaps);
        QFETCH(QList<qint32>, stopLaps);
        FakeConsole console(0, kNoCommMs);
        QVERIFY(console.listen());
        CarSimOptions options = quickOptions({1}, laps);
        options.intervalMs = 100;
        options.pitEveryLaps = pitEveryLaps;
        options.pitStopMs = 1000;
        CarSim sim(options);
        const CarSimResult result = run(sim);
        QVERIFY2(result.completed, qPrintable(result.problems.join(u'\n')));
        // Reporting all through the stop: the console counted no lap inside it.
        QCOMPARE(result.laps.size(), laps);
        QCOMPARE(console.sentLapMs.size(), laps);

        QList<qint32> seenLaps;
        for (const carsim::PitStopResult& stop : result.stops) {
            seenLaps << stop.lap;
            QCOMPARE(stop.car, 1);
            const qint64 span = stop.lastReportMs - stop.firstReportMs;
            QVERIFY2(span >= options.pitStopMs - 2 * options.intervalMs &&
                         span <= options.pitStopMs + options.intervalMs,
                     qPrintable(QString::number(span)));
            // The stop's first report closed the lap before it.
            const auto closing = std::find_if(
                result.replies.begin(), result.replies.end(),
                [&stop](const carsim::Reply& r) { return r.atMs >= stop.firstReportMs; });
            QVERIFY(closing != result.replies.end());
            QCOMPARE(closing->lap, stop.lap - 1);
        }
        QCOMPARE(seenLaps, stopLaps);
        // The console timed the stop inside the lap it names, and no other lap as long.
        for (const carsim::LapResult& lap : result.laps) {
            QVERIFY2((lap.consoleMs >= options.pitStopMs) == stopLaps.contains(lap.lap),
                     qPrintable(carsim::formatLap(lap)));
        }
    }

    void carsUseTheirOwnPorts() {
        FakeConsole car2(1, kNoCommMs);
        FakeConsole car4(3, kNoCommMs);
        QVERIFY(car2.listen());
        QVERIFY(car4.listen());
        CarSim sim(quickOptions({2, 4}, 1));
        const CarSimResult result = run(sim);
        QVERIFY2(result.completed, qPrintable(result.problems.join(u'\n')));
        QCOMPARE(result.laps.size(), 2);
        QCOMPARE(car2.sentLapMs.size(), 1);
        QCOMPARE(car4.sentLapMs.size(), 1);
    }

    void consoleStartedAfterTheCars() {
        // Reports refused by a port nobody listens on yet must not stop the car.
        FakeConsole console(0, kNoCommMs);
        bool listening = false;
        QTimer::singleShot(200, &console, [&] { listening = console.listen(); });
        CarSim sim(quickOptions({1}, 1));
        const CarSimResult result = run(sim);
        QVERIFY(listening);
        QVERIFY2(result.completed, qPrintable(result.problems.join(u'\n')));
        QCOMPARE(result.laps.size(), 1);
    }

    void malformedReplyFails() {
        FakeConsole console(0, kNoCommMs, FakeConsole::Mode::MalformedAfterFirstLap);
        QVERIFY(console.listen());
        CarSim sim(quickOptions({1}, 3));
        const CarSimResult result = run(sim);
        QVERIFY(sim.isFinished());
        QVERIFY(result.malformed);
        QVERIFY(!result.completed);
        QCOMPARE(result.exitCode(), 1);
        QCOMPARE(result.laps.size(), 1);
        QCOMPARE(result.problems.size(), 1);
        QVERIFY2(result.problems[0].contains(u"malformed"), qPrintable(result.problems[0]));
    }

    void lapsNotCompletedInTime() {
        // Nobody answers on 7011.
        CarSimOptions options = quickOptions({1}, 2);
        options.timeoutMs = 1200;
        CarSim sim(options);
        QElapsedTimer elapsed;
        elapsed.start();
        const CarSimResult result = run(sim);
        QVERIFY(sim.isFinished());
        QVERIFY(elapsed.elapsed() < 10'000);
        QVERIFY(!result.completed);
        QVERIFY(!result.malformed);
        QCOMPARE(result.exitCode(), 2);
        QVERIFY2(result.problems.join(u'\n').contains(u"0 of 2 laps"),
                 qPrintable(result.problems.join(u'\n')));
    }

    void addressCheck_data() {
        QTest::addColumn<bool>("consoleListens");
        QTest::addColumn<QString>("registered");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("answer");
        QTest::newRow("registered as car 3") << true << u"127.0.0.1"_s << true << u"３号車"_s;
        QTest::newRow("not registered") << true << u"10.0.0.7"_s << true << u"未登録"_s;
        QTest::newRow("no console") << false << QString() << false << QString();
    }
    void addressCheck() {
        QFETCH(bool, consoleListens);
        QFETCH(QString, registered);
        QFETCH(bool, answered);
        QFETCH(QString, answer);
        QUdpSocket console;
        if (consoleListens) {
            QVERIFY(console.bind(QHostAddress::LocalHost, link::kCheckConsolePort));
        }
        connect(&console, &QUdpSocket::readyRead, &console, [&] {
            while (console.hasPendingDatagrams()) {
                const QString request = platform::decodeCp932(console.receiveDatagram().data());
                const std::array<QString, link::kSlotCount> slots{QString(), QString(), registered,
                                                                  QString(), QString()};
                if (const auto text = link::addressCheckAnswer(request, slots)) {
                    console.writeDatagram(platform::encodeCp932(*text), QHostAddress(request),
                                          link::kCheckCarPort);
                }
            }
        });
        carsim::AddressCheck check(QHostAddress::LocalHost, QString(), 1000);
        QSignalSpy finished(&check, &carsim::AddressCheck::finished);
        QString error;
        QVERIFY2(check.start(&error), qPrintable(error));
        QCOMPARE(check.ownAddress(), u"127.0.0.1"_s);
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.at(0).at(0).toBool(), answered);
        QCOMPARE(finished.at(0).at(1).toString(), answer);
    }
};

QTEST_GUILESS_MAIN(TestCarSim)
#include "test_carsim.moc"
