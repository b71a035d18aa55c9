// Lap-time error: five simulated cars drive laps against the running console; every lap the
// console records (lap grid, ticks) is set against the interval the simulator measured
// between its own first reports after two silences.
//
//   bench_lap_error [laps per car] [precision 1/1000|1/100]      (default 11, 1/1000)
//
// Lap 1 is left out: the console times it from its Start, which the simulator cannot see.

#include "bench_common.h"
#include "car_sim.h"
#include "live_console.h"
#include "platform/grid.h"

#include <QApplication>
#include <QTextStream>

using kaltero::bench::percentile;
using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::carsim::LapResult;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int laps = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 11;
    const QString precision = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("1/1000");
    QTextStream out(stdout);

    LiveConsole live(1, precision);
    if (!live.ready()) {
        out << "the console window did not open" << Qt::endl;
        return 1;
    }
    const int msPerTick = live.console.settings.MsPerTick;
    live.registerSlots({0, 1, 2, 3, 4});

    CarSimOptions options;
    options.cars = {1, 2, 3, 4, 5};
    options.laps = laps;
    options.inRangeMs = 400;
    options.intervalMs = 100;
    options.jitterMs = 20;
    options.silenceMs = 1500;
    CarSim sim(options);
    live.pressStart();
    QString error;
    if (!sim.start(&error)) {
        out << error << Qt::endl;
        return 1;
    }
    runUntil([&] { return sim.isFinished(); }, options.effectiveTimeoutMs() + 2000);
    const auto& result = sim.result();
    if (!result.completed || result.malformed) {
        out << "the run did not complete: " << result.problems.join(u"; ") << Qt::endl;
        return 1;
    }

    // Error of each lap in ticks: the console's count against the car's interval.
    std::vector<double> errorTicks;
    int missing = 0;
    for (const LapResult& lap : result.laps) {
        if (lap.fromSimulatorStart) {
            continue;
        }
        bool ok = false;
        const qint64 ticks =
            live.ui().Car[lap.car - 1]->Spd_Laps->cellText(4, lap.lap).toLongLong(&ok);
        if (!ok) {
            ++missing;
            continue;
        }
        errorTicks.push_back(std::abs(double(ticks) - double(lap.measuredMs) / msPerTick));
    }
    out << "lap-time error, " << errorTicks.size() << " laps of 5 cars at " << precision
        << " (lap 1 of each car left out; " << missing << " laps missing from the grid)\n";
    out << QStringLiteral("  largest %1 ticks  p99 %2 ticks  median %3 ticks\n")
               .arg(percentile(errorTicks, 1.0), 0, 'f', 1)
               .arg(percentile(errorTicks, 0.99), 0, 'f', 1)
               .arg(percentile(errorTicks, 0.5), 0, 'f', 1);
    out.flush();
    return missing == 0 ? 0 : 1;
}
