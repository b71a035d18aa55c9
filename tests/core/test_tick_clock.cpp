#include "platform/clock.h"
#include "platform/tick_clock.h"

#include <QTest>
#include <cmath>

using kaltero::platform::ManualClock;
using kaltero::platform::TickClock;

class TestTickClock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsWholePeriods_data() {
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<int>("elapsedMs");
        QTest::addColumn<int>("ticks");
        QTest::newRow("1/1000 start") << 1000 << 0 << 0;
        QTest::newRow("1/1000 one second") << 1000 << 1000 << 1000;
        QTest::newRow("1/100 9 ms is no tick") << 100 << 9 << 0;
        QTest::newRow("1/100 10 ms is one tick") << 100 << 10 << 1;
        QTest::newRow("1/100 one hour") << 100 << 3'600'000 << 360'000;
    }
    void countsWholePeriods() {
        QFETCH(int, ticksPerSecond);
        QFETCH(int, elapsedMs);
        QFETCH(int, ticks);
        ManualClock clock;
        TickClock tick(clock);
        clock.advance(12345);  // the count starts at Start, not at the clock's origin
        tick.start(ticksPerSecond);
        clock.advance(elapsedMs);
        QCOMPARE(tick.TickCnt(), ticks);
    }

    void stopFreezesAndStartRestarts() {
        ManualClock clock;
        TickClock tick(clock);
        tick.start(1000);
        clock.advance(5000);
        tick.stop();
        clock.advance(5000);
        QCOMPARE(tick.TickCnt(), 5000);
        QCOMPARE(tick.TickCntAgo(2'000'000'000), 5000);  // nothing arrives while stopped
        tick.start(1000);
        QCOMPARE(tick.TickCnt(), 0);
        clock.advance(7);
        QCOMPARE(tick.TickCnt(), 7);
    }

    // On the real clock the count follows the monotonic clock exactly, however busy the
    // machine is: one tick per millisecond at 1/1000, one per 10 ms at 1/100.
    void followsTheMonotonicClock_data() {
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("1/1000") << 1000 << 2.0;
        QTest::newRow("1/100") << 100 << 1.0;
    }
    void followsTheMonotonicClock() {
        QFETCH(int, ticksPerSecond);
        QFETCH(double, tolerance);
        kaltero::platform::SystemClock clock;
        TickClock tick(clock);
        const qint64 startNs = clock.monotonicNs();
        tick.start(ticksPerSecond);
        QTest::qWait(1000);
        const qint32 ticks = tick.TickCnt();
        const double seconds = double(clock.monotonicNs() - startNs) / 1e9;
        QVERIFY2(std::abs(ticks / seconds - ticksPerSecond) <= tolerance / seconds,
                 qPrintable(QStringLiteral("%1 ticks in %2 s").arg(ticks).arg(seconds)));
    }

    // A datagram read now that arrived ageMs ago is stamped with the tick of its arrival.
    void arrivalTickLooksBack_data() {
        QTest::addColumn<int>("ageMs");
        QTest::addColumn<bool>("beforeStart");
        QTest::newRow("just arrived") << 0 << false;
        QTest::newRow("waited 200 ms") << 200 << false;
        QTest::newRow("arrived before Start") << 60'000 << true;
    }
    void arrivalTickLooksBack() {
        QFETCH(int, ageMs);
        QFETCH(bool, beforeStart);
        kaltero::platform::SystemClock clock;
        TickClock tick(clock);
        tick.start(1000);
        QTest::qWait(300);
        const qint32 arrived = tick.TickCntAgo(qint64(ageMs) * 1'000'000);
        const qint32 now = tick.TickCnt();
        if (beforeStart) {
            QCOMPARE(arrived, 0);
        } else {
            QVERIFY2(now - ageMs - arrived >= 0 && now - ageMs - arrived <= 5,
                     qPrintable(QStringLiteral("now %1, arrived %2").arg(now).arg(arrived)));
        }
    }

    void manualTimersFireInTimeOrder() {
        ManualClock clock;
        auto fast = clock.makeTimer();
        auto slow = clock.makeTimer();
        QStringList fired;
        fast->onTimeout([&] { fired << QStringLiteral("fast"); });
        slow->onTimeout([&] { fired << QStringLiteral("slow"); });
        fast->setInterval(99);
        slow->setInterval(250);
        fast->start();
        slow->start();
        clock.advance(300);
        QCOMPARE(fired, QStringList({QStringLiteral("fast"), QStringLiteral("fast"),
                                     QStringLiteral("slow"), QStringLiteral("fast")}));
        slow->stop();
        clock.advance(99);
        QCOMPARE(fired.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestTickClock)
#include "test_tick_clock.moc"
