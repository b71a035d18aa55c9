#include "platform/clock.h"
#include "platform/tick_clock.h"

#include <QTest>

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
        tick.start(1000);
        QCOMPARE(tick.TickCnt(), 0);
        clock.advance(7);
        QCOMPARE(tick.TickCnt(), 7);
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
