#include "car_sim.h"
#include "console/live_console.h"
#include "link/lap_closing.h"
#include "live/live_service.h"

#include <QProcess>
#include <QTest>

using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;
using namespace Qt::StringLiterals;

namespace {

// Runs browser_check.py on the page with these arguments while the event loop serves it; its
// output, or why it failed.
void runBrowserCheck(const QStringList& arguments) {
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral("/usr/bin/python3"),
                QStringList{QString::fromUtf8(KALTERO_BROWSER_CHECK)} + arguments);
    QVERIFY2(check.waitForStarted(), qPrintable(check.errorString()));
    // The console must go on answering its cars and the page while the browser runs.
    const bool ended = runUntil([&] { return check.state() == QProcess::NotRunning; }, 150'000);
    if (!ended) {
        check.kill();
        check.waitForFinished();
    }
    const QString output = QString::fromUtf8(check.readAll());
    qInfo("%s", qPrintable(output));
    QVERIFY2(ended, "the browser check did not end in time");
    QCOMPARE(check.exitStatus(), QProcess::NormalExit);
    QVERIFY2(check.exitCode() == 0 && output.contains(u"PASS"), qPrintable(output));
}

// A car's report of the lap it is on, with its message.
kaltero::model::ReportIn carReport(int lap, const QString& message) {
    kaltero::model::ReportIn report;
    report.RcvData = QString::number(lap) + message;
    report.CarLapNo = lap;
    report.message = message;
    return report;
}

// A race of `hours` on the race model, its cars' laps of about `lapMs` closed by the console's
// own lap rule at the end of each lap, as the car link closes them: five cars, four drivers
// each taking turns with a stop in the pit at each change. The laps end a few minutes before
// now, and the race goes on for an hour more.
void raceFor(kaltero::model::RaceModel& race, const kaltero::core::Settings& settings, int hours,
             qint32 lapMs) {
    const QStringList drivers = {QStringLiteral("山田"), QStringLiteral("佐藤"),
                                 QStringLiteral("鈴木"), QStringLiteral("田中")};
    const qint64 raceMs = hours * 3'600'000LL;
    const QDateTime start = QDateTime::currentDateTimeUtc().addMSecs(-raceMs - 600'000);
    for (int s = 0; s < kaltero::core::kSlotCount; ++s) {
        race.setAddress(s, QStringLiteral("10.0.0.%1").arg(s + 1), true);
        race.chooseCar(s, QStringLiteral("耐久%1号").arg(s + 1), QStringLiteral("60"), 60.0F, 0.0F);
        race.chooseDriver(s, drivers[s % drivers.size()], QStringLiteral("0"));
    }
    race.start(start, start.addMSecs(raceMs + 3'600'000));
    const int laps = int(raceMs / lapMs);
    const int stint = laps / int(drivers.size());
    std::array<qint32, kaltero::core::kSlotCount> end{};
    for (int lap = 1; lap <= laps; ++lap) {
        for (int s = 0; s < kaltero::core::kSlotCount; ++s) {
            const bool stop = lap % stint == 0 && lap < laps;
            // Lap times spread over a second; a lap with a stop in it is 40 s longer.
            end[s] += lapMs - 500 + (lap * 379 + s * 211) % 1000;
            race.countLap(s, QStringLiteral("0"));
            const QString said = QStringLiteral("OK %1").arg(lap);
            race.receiveReport(s, carReport(lap, said));
            const auto closed = kaltero::link::closeLap(race.state(), s, said, end[s],
                                                        start.addMSecs(end[s]), settings);
            race.recordLap(s, closed.lapNo, closed.lap, end[s], closed.figures, closed.record);
            race.reportHandled(s, end[s]);
            if (stop) {
                race.recordPitStop(
                    s, {.lap = lap + 1, .startTick = end[s], .endTick = end[s] + 40'000});
                end[s] += 40'000;
                race.chooseDriver(s, drivers[(s + lap / stint) % drivers.size()],
                                  QStringLiteral("0"));
            }
        }
    }
    race.updateStandings(
        kaltero::link::UpdateStandings(kaltero::link::standingsCars(race.state())).rows);
}

}  // namespace

// The live page in a real headless Chromium (browser_check.py drives it through chromedriver)
// while the console times two simulated cars on its own event loop.
class TestBrowser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pageFollowsTheRace() {
        LiveConsole live(1);
        QVERIFY(live.ready());
        const auto& settings = live.console.settings;
        QVERIFY(settings.LiveOn);
        live.registerSlots({0, 2});
        // A pass is 0.4 s within reach, a stop in the pit 2.5 s.
        live.console.settings.rules.PitStopSeconds = 1;
        live.pressStart();
        QVERIFY(live.timing());

        CarSimOptions options;
        options.cars = {1, 3};
        options.laps = 60;
        options.inRangeMs = 400;
        options.intervalMs = 100;
        options.silenceMs = 1500;
        options.pitEveryLaps = 2;
        options.pitStopMs = 2500;
        CarSim sim(options);
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));

        const QString page = u"http://127.0.0.1:" + QString::number(settings.LivePort) + u"/?key=" +
                             settings.LiveKey;
        runBrowserCheck({page, QStringLiteral("--laps"), QStringLiteral("3")});
    }

    // A 24-hour race of five cars (960 laps of 90 s each) served by the console's live server
    // while one car's message changes 20 times a second: the page shows each car's latest laps,
    // fetches older ones from its lap table, and draws each update within the page's budget.
    void longRacePage() {
        kaltero::model::RaceModel race;
        kaltero::core::Settings settings;
        QElapsedTimer built;
        built.start();
        raceFor(race, settings, 24, 90'000);
        QCOMPARE(race.car(0).LapCnt, 960);
        qInfo("the race of 5 x 960 laps built in %lld ms", built.elapsed());
        const qint64 startMs = race.state().RaceStartTime.toMSecsSinceEpoch();
        const QString key = kaltero::core::newLiveKey();
        kaltero::live::RaceFeed feed(race, settings, [startMs] {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            return kaltero::live::RaceMoment{now, qint32(now - startMs)};
        });
        kaltero::live::LiveService live(feed, key);
        QVERIFY(live.start(0));

        int said = 0;
        QTimer chatty;
        QObject::connect(&chatty, &QTimer::timeout, &race, [&] {
            const qint32 tick = qint32(QDateTime::currentMSecsSinceEpoch() - startMs);
            race.receiveReport(2, carReport(960, QStringLiteral("OK %1").arg(++said)));
            race.reportHandled(2, tick);
        });
        chatty.start(50);
        runBrowserCheck({u"http://127.0.0.1:%1/?key=%2"_s.arg(live.port()).arg(key),
                         QStringLiteral("--long-race")});
        qInfo("%d messages of car 3 while the page was open", said);
    }
};

QTEST_MAIN(TestBrowser)
#include "test_browser.moc"
