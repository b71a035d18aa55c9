// CPU and memory of the console during a timing run with five cars. The console runs in a
// process of its own (this program started again with --console); this process drives the
// five simulated cars and samples the console's resident set every 250 ms.
//
//   bench_resources [seconds]      (default 60)
//
// Linux only: CPU time from getrusage, resident set from /proc.

#include "bench_common.h"
#include "car_sim.h"
#include "live_console.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

using kaltero::carsim::CarSim;
using kaltero::carsim::CarSimOptions;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The console side: time five slots for `seconds`, then tell the CPU it used per wall second
// while timing, and its peak resident set.
int runConsole(int seconds) {
    QTextStream out(stdout);
    LiveConsole live(1);
    if (!live.ready()) {
        return 1;
    }
    live.registerSlots({0, 1, 2, 3, 4});
    live.pressStart();
    out << "timing" << Qt::endl;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runUntil([&] { return wall.elapsed() >= seconds * 1000LL; }, seconds * 1000 + 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << "cpu " << cpu << " wall " << wall.elapsed() / 1000.0 << " maxrss_kib " << usage.ru_maxrss
        << " laps";
    for (int s = 0; s < 5; ++s) {
        out << ' ' << live.state().car[s].LapCnt;
    }
    out << Qt::endl;
    return 0;
}

qint64 residentKib(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args[1] == u"--console") {
        return runConsole(std::max(5, args[2].toInt()));
    }
    const int seconds = args.size() > 1 ? std::max(10, args[1].toInt()) : 60;
    QTextStream out(stdout);

    QProcess console;
    console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    console.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--console"), QString::number(seconds)});
    if (!console.waitForStarted(5000) || !runUntil([&] { return console.canReadLine(); }, 15'000)) {
        out << "the console process did not start timing" << Qt::endl;
        return 1;
    }
    console.readLine();

    CarSimOptions options;
    options.cars = {1, 2, 3, 4, 5};
    options.laps = 10'000;  // drive until the console stops
    options.inRangeMs = 400;
    options.intervalMs = 100;
    options.silenceMs = 1500;
    options.timeoutMs = seconds * 1000;
    CarSim sim(options);
    QString error;
    if (!sim.start(&error)) {
        out << error << Qt::endl;
        return 1;
    }

    std::vector<qint64> rss;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const qint64 kib = residentKib(console.processId());
        if (kib > 0) {
            rss.push_back(kib);
        }
    });
    sampler.start(250);
    runUntil([&] { return console.state() == QProcess::NotRunning || console.canReadLine(); },
             (seconds + 20) * 1000);
    sampler.stop();
    console.waitForFinished(5000);
    const QStringList report = QString::fromLocal8Bit(console.readAll()).simplified().split(u' ');
    if (report.size() < 6 || report[0] != u"cpu" || rss.size() < 8) {
        out << "the console process did not report" << Qt::endl;
        return 1;
    }
    const double cpu = report[1].toDouble();
    const double wall = report[3].toDouble();
    const double peakMib = report[5].toDouble() / 1024.0;
    // Flat: the largest resident set of the last quarter of the run against the first quarter.
    const std::size_t quarter = rss.size() / 4;
    const qint64 firstQuarter = *std::max_element(rss.begin(), rss.begin() + quarter);
    const qint64 lastQuarter = *std::max_element(rss.end() - quarter, rss.end());

    out << "timing run with five cars, " << wall << " s; laps counted per car:";
    for (int i = 7; i < report.size(); ++i) {
        out << ' ' << report[i];
    }
    out << "\n";
    out << QStringLiteral("  CPU: %1 of one core\n").arg(cpu / wall, 0, 'f', 3);
    out << QStringLiteral("  peak resident set: %1 MiB of the 120 MiB budget (%2)\n")
               .arg(peakMib, 0, 'f', 1)
               .arg(peakMib / 120.0, 0, 'f', 2);
    out << QStringLiteral("  growth: last quarter's peak / first quarter's = %1 (%2 samples)\n")
               .arg(double(lastQuarter) / double(firstQuarter), 0, 'f', 3)
               .arg(rss.size());
    out.flush();
    return 0;
}
