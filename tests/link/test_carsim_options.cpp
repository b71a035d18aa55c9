#include <QTest>

#include "options.h"

using namespace kaltero::carsim;
using namespace Qt::Literals::StringLiterals;

class TestCarSimOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void carList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("cars");  // empty: refused
        QTest::newRow("list") << u"1,2,3"_s << QList<int>{1, 2, 3};
        QTest::newRow("range") << u"1-5"_s << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("mixed, sorted, no repeats") << u"4,2-3,2"_s << QList<int>{2, 3, 4};
        QTest::newRow("one car") << u"5"_s << QList<int>{5};
        QTest::newRow("blanks around") << u" 1 , 3 "_s << QList<int>{1, 3};
        QTest::newRow("car 0") << u"0"_s << QList<int>{};
        QTest::newRow("car 6") << u"1-6"_s << QList<int>{};
        QTest::newRow("backward range") << u"3-1"_s << QList<int>{};
        QTest::newRow("empty") << QString() << QList<int>{};
        QTest::newRow("empty item") << u"1,,2"_s << QList<int>{};
        QTest::newRow("open range") << u"2-"_s << QList<int>{};
        QTest::newRow("word") << u"all"_s << QList<int>{};
    }
    void carList() {
        QFETCH(QString, text);
        QFETCH(QList<int>, cars);
        const auto parsed = parseCarList(text);
        QCOMPARE(parsed.has_value(), !cars.isEmpty());
        if (parsed) {
            QCOMPARE(*parsed, cars);
        }
    }

    void commandLineAccepted() {
        const CommandLine line = parseCommandLine(
            {u"carsim"_s,     u"--cars"_s,    u"2-3"_s,       u"--laps"_s,      u"4"_s,
             u"--in-range"_s, u"0.5"_s,       u"--silence"_s, u"11.25"_s,       u"--interval"_s,
             u"100"_s,        u"--message"_s, u"ピット"_s,    u"--console"_s,   u"192.168.1.10"_s,
             u"--timeout"_s,  u"90"_s,        u"--records"_s, u"--pit-every"_s, u"2"_s,
             u"--pit-stop"_s, u"20.5"_s});
        QVERIFY2(line.options, qPrintable(line.error));
        QCOMPARE(line.options->cars, (QList<int>{2, 3}));
        QCOMPARE(line.options->laps, 4);
        QCOMPARE(line.options->inRangeMs, 500);
        QCOMPARE(line.options->silenceMs, 11250);
        QCOMPARE(line.options->intervalMs, 100);
        QCOMPARE(line.options->pitEveryLaps, 2);
        QCOMPARE(line.options->pitStopMs, 20500);
        QCOMPARE(line.options->message, u"ピット"_s);
        QCOMPARE(line.options->console, QHostAddress(u"192.168.1.10"_s));
        QCOMPARE(line.options->effectiveTimeoutMs(), 90'000);
        QVERIFY(!line.options->check);
        QVERIFY(line.options->records);
    }

    void defaultTimeoutCoversEveryLap_data() {
        QTest::addColumn<int>("pitEveryLaps");
        QTest::addColumn<int>("lapsTakeMs");
        // Laps end after the first pass and three silences with their passes.
        QTest::newRow("no stops") << 0 << 5000 + 3 * 17000;
        // Laps 1 and 2 end in a 30 s stop instead of a 5 s pass; lap 3 ends the run.
        QTest::newRow("a stop every lap") << 1 << 5000 + 3 * 17000 + 2 * 25000;
    }
    void defaultTimeoutCoversEveryLap() {
        QFETCH(int, pitEveryLaps);
        QFETCH(int, lapsTakeMs);
        CarSimOptions options;
        options.laps = 3;
        options.inRangeMs = 5000;
        options.silenceMs = 12000;
        options.pitEveryLaps = pitEveryLaps;
        options.pitStopMs = 30000;
        QVERIFY(options.effectiveTimeoutMs() > lapsTakeMs);
    }

    void commandLineRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown option") << QStringList{u"--speed"_s, u"3"_s};
        QTest::newRow("stray argument") << QStringList{u"car1"_s};
        QTest::newRow("bad cars") << QStringList{u"--cars"_s, u"7"_s};
        QTest::newRow("no laps") << QStringList{u"--laps"_s, u"0"_s};
        QTest::newRow("negative silence") << QStringList{u"--silence"_s, u"-1"_s};
        QTest::newRow("silence not a number") << QStringList{u"--silence"_s, u"long"_s};
        QTest::newRow("interval not shorter than in range")
            << QStringList{u"--in-range"_s, u"0.5"_s, u"--interval"_s, u"500"_s};
        QTest::newRow("negative pit interval") << QStringList{u"--pit-every"_s, u"-1"_s};
        QTest::newRow("pit interval not whole") << QStringList{u"--pit-every"_s, u"1.5"_s};
        QTest::newRow("no pit stop time") << QStringList{u"--pit-stop"_s, u"0"_s};
        QTest::newRow("pit stop not longer than in range") << QStringList{
            u"--pit-every"_s, u"2"_s, u"--in-range"_s, u"5"_s, u"--pit-stop"_s, u"5"_s};
        QTest::newRow("hole as long as the stop")
            << QStringList{u"--pit-stop"_s, u"30"_s, u"--stop-hole"_s, u"30"_s};
        QTest::newRow("missed pass not whole") << QStringList{u"--miss-pass"_s, u"2.5"_s};
        QTest::newRow("host name") << QStringList{u"--console"_s, u"pit-pc"_s};
        QTest::newRow("IPv6") << QStringList{u"--console"_s, u"::1"_s};
    }
    void commandLineRefused() {
        QFETCH(QStringList, arguments);
        arguments.prepend(u"carsim"_s);
        const CommandLine line = parseCommandLine(arguments);
        QVERIFY(!line.options);
        QVERIFY(!line.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCarSimOptions)
#include "test_carsim_options.moc"
