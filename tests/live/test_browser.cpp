#include "car_sim.h"
#include "console/live_console.h"

#include <QProcess>
#include <QTest>

using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

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
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(QStringLiteral("/usr/bin/python3"),
                    {QString::fromUtf8(KALTERO_BROWSER_CHECK), page, QStringLiteral("--laps"),
                     QStringLiteral("3")});
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
};

QTEST_MAIN(TestBrowser)
#include "test_browser.moc"
