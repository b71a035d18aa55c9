// Another program holds the journal's write lock in the middle of a race: five cars on
// 127.0.0.1, the console in real time, and a second process on the same Kaltero.db holding
// BEGIN IMMEDIATE for 20 s. Figures of one run:
//   - report -> reply round trip while the lock is held against the rest of the same race
//     (ratio; aim: the 99th percentile under the lock within 50 ms);
//   - every lap, and above all every lap closed under the lock, timed within one tick plus the
//     largest loopback delay of the run of the interval the car measured itself between the
//     reports that closed it;
//   - once the lock is let go, every lap of the race is in the journal.
//
// The cars are plain blocking sockets, one thread each, as real car PCs do not wait for one
// another; each report carries a message of its own (a counter), as a chatty car's would.
//
//   bench_journal_lock [seconds held]      (default 20)
//   bench_journal_lock --hold <journal> <ms>   (the other program: holds the lock, then lets go)

#include "bench_common.h"
#include "car_end.h"
#include "journal/journal.h"
#include "link/protocol.h"
#include "live_console.h"
#include "loopback_delay.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

using kaltero::bench::CarEnd;
using kaltero::bench::LoopbackDelay;
using kaltero::bench::percentile;
using kaltero::bench::steadyNs;
using kaltero::bench::Worker;
using kaltero::testing::LiveConsole;
using kaltero::testing::runUntil;

namespace {

// The console counts a lap after a second without a report; a car is silent 1.5 s.
constexpr int kNoCommSeconds = 1;
constexpr qint64 kInRangeMs = 400;
constexpr qint64 kSilenceMs = 1500;
constexpr qint64 kIntervalMs = 100;
constexpr int kJitterMs = 20;
// Race before the lock and after it is let go.
constexpr qint64 kBeforeMs = 12'000;
constexpr qint64 kAfterMs = 8'000;
constexpr int kReplyTimeoutMs = 1000;
// What a reply under the lock may take at the 99th percentile.
constexpr double kAimP99Ms = 50.0;
const QList<int> kSlots = {0, 1, 2, 3, 4};

// ---- the other program ----------------------------------------------------------------------

// Opens the journal as a second program would, takes its write lock and holds it for ms, then
// lets go; tells the monotonic clock at both moments on stdout.
int holdLock(const QString& path, int ms) {
    int code = 1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("h"));
        db.setDatabaseName(path);
        // Waits for a commit of the console in progress, as a patient program does.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        QSqlQuery q(db);
        if (!db.open() || !q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            std::printf("failed %s\n", qPrintable(db.isOpen() ? q.lastError().text()
                                                                : db.lastError().text()));
        } else {
            std::printf("held %lld\n", static_cast<long long>(steadyNs()));
            std::fflush(stdout);
            QThread::msleep(ms);
            const bool let = q.exec(QStringLiteral("ROLLBACK"));
            std::printf("released %lld\n", static_cast<long long>(steadyNs()));
            code = let ? 0 : 1;
        }
        std::fflush(stdout);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("h"));
    return code;
}

// ---- the cars -------------------------------------------------------------------------------

struct Exchange {
    qint64 sentNs = 0;
    qint64 roundTripNs = -1;  // -1: no reply
    bool closedLap = false;
};

struct ClosedLap {
    int lap = 0;
    qint64 consoleMs = 0;  // the lap time in the record the console replied with
    qint64 sentNs = 0;     // when the report that closed it left the car
};

struct CarLog {
    bool bound = false;  // the car's port could be had
    std::vector<Exchange> exchanges;
    std::vector<ClosedLap> laps;
    int unexpectedLaps = 0;  // a record that was neither the lap held nor the next
};

// The record a reply carries, read as a car PC reads it.
std::optional<kaltero::link::LapRecordFields> recordOf(const QByteArray& reply) {
    constexpr int kWithRecord = 1 + kaltero::link::kLapRecordLength;
    if (reply.size() < kWithRecord || reply.at(1) < '0' || reply.at(1) > '9') {
        return std::nullopt;
    }
    const auto parsed = kaltero::link::parseReply(QString::fromLatin1(reply.left(kWithRecord)));
    return parsed.ok ? parsed.record : std::nullopt;
}

// One car: in range for kInRangeMs reporting every kIntervalMs (± jitter), then silent for
// kSilenceMs, until told to stop. The first report after each silence closes a lap.
void drive(int slot, qint64 firstNs, const std::atomic<bool>& stop, CarLog& log) {
    CarEnd car(slot);
    log.bound = car.ready();
    if (!log.bound) {
        return;
    }
    QRandomGenerator rng(quint32(slot + 1));
    int held = 0;
    qint64 count = 0;
    qint64 passAt = firstNs;
    const auto sleepUntil = [&](qint64 ns) {
        while (!stop && steadyNs() < ns) {
            std::this_thread::sleep_for(
                std::chrono::nanoseconds(std::min<qint64>(ns - steadyNs(), 20'000'000)));
        }
    };
    while (!stop) {
        sleepUntil(passAt);
        const qint64 passEnd = steadyNs() + kInRangeMs * 1'000'000;
        qint64 lastSent = 0;
        for (qint64 due = steadyNs(); !stop && due < passEnd;) {
            sleepUntil(due);
            // The lap held and a message that changes with every report.
            const QByteArray report = CarEnd::lapReport(held) + "OK " + QByteArray::number(++count);
            Exchange e;
            QByteArray reply;
            e.roundTripNs = car.exchange(report, &reply, kReplyTimeoutMs, &e.sentNs);
            lastSent = e.sentNs;
            if (const auto record = e.roundTripNs >= 0 ? recordOf(reply) : std::nullopt;
                record && record->lap != held) {
                if (record->lap == kaltero::link::wireLapNumber(held + 1)) {
                    e.closedLap = true;
                    log.laps.push_back({held + 1, record->lapMs, e.sentNs});
                    ++held;
                } else {
                    ++log.unexpectedLaps;
                }
            }
            log.exchanges.push_back(e);
            due += (kIntervalMs + rng.bounded(2 * kJitterMs + 1) - kJitterMs) * 1'000'000;
        }
        passAt = lastSent + kSilenceMs * 1'000'000;
    }
}

// ---- figures --------------------------------------------------------------------------------

QString line(const QString& what, const std::vector<qint64>& ns) {
    return QStringLiteral("  %1 %2 reports  median %3 us  p99 %4 us\n")
        .arg(what, -36)
        .arg(qulonglong(ns.size()), 5)
        .arg(percentile(ns, 0.5) / 1000.0, 8, 'f', 1)
        .arg(percentile(ns, 0.99) / 1000.0, 8, 'f', 1);
}

QString errorLine(const QString& what, const std::vector<double>& ticks, double bound) {
    const double largest = percentile(ticks, 1.0);
    return QStringLiteral("  %1 %2 laps  largest %3  p99 %4  median %5 ticks  %6\n")
        .arg(what, -28)
        .arg(qulonglong(ticks.size()), 4)
        .arg(largest, 0, 'f', 2)
        .arg(percentile(ticks, 0.99), 0, 'f', 2)
        .arg(percentile(ticks, 0.5), 0, 'f', 2)
        .arg(ticks.empty()         ? QStringLiteral("NONE")
             : largest <= bound ? QStringLiteral("within")
                                : QStringLiteral("BEYOND the bound"));
}

struct JournalRows {
    qint64 laps = -1;
    qint64 operations = -1;
    qint64 messages = -1;
};

// What the journal holds, read over a connection of its own as another program would.
JournalRows journalRows(const QString& path) {
    JournalRows rows;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        const auto count = [&db](const QString& sql) -> qint64 {
            QSqlQuery q(db);
            return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1;
        };
        if (db.open()) {
            rows.laps =
                count(QStringLiteral("SELECT count(*) FROM operations WHERE op = 'lap recorded'"));
            rows.operations = count(QStringLiteral("SELECT count(*) FROM operations"));
            rows.messages = count(QStringLiteral("SELECT count(*) FROM last_messages"));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

// The journal's own warnings, counted rather than printed: one for each write refused.
std::atomic<int> journalWarnings{0};
QtMessageHandler passOn = nullptr;

void countJournalWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category != nullptr && qstrcmp(context.category, "kaltero.journal") == 0 &&
        type == QtWarningMsg) {
        ++journalWarnings;
        return;
    }
    passOn(type, context, text);
}

// Laps the console has timed; a car silent at the end has one more counted, not yet timed.
qint64 timedLaps(const kaltero::core::CarSlot& car) {
    return std::count_if(car.laps.begin(), car.laps.end(),
                         [](const kaltero::core::Lap& lap) { return lap.timed; });
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication child(argc, argv);
        return holdLock(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]).toInt());
    }
    kaltero::bench::useOffscreenPlatform();
    passOn = qInstallMessageHandler(countJournalWarnings);
    QApplication app(argc, argv);
    const int heldSeconds = argc > 1 ? std::max(5, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    QTextStream out(stdout);

    LiveConsole live(kNoCommSeconds);
    if (!live.ready()) {
        out << "the console window did not open" << Qt::endl;
        return 1;
    }
    kaltero::journal::Journal* journal = live.program.journal();
    if (journal == nullptr || !journal->isOpen()) {
        out << "the console's journal did not open" << Qt::endl;
        return 1;
    }
    const QString dbPath = QDir(live.dir.path()).filePath(QStringLiteral("Kaltero.db"));
    const double msPerTick = live.console.settings.MsPerTick;
    std::vector<qint64> toldNs;
    QObject::connect(journal, &kaltero::journal::Journal::writeFailed,
                     [&toldNs] { toldNs.push_back(steadyNs()); });
    // What waits in memory for the journal, looked at every 5 ms.
    std::vector<std::pair<qint64, qsizetype>> waiting;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout,
                     [&] { waiting.emplace_back(steadyNs(), journal->waiting()); });
    sample.start(5);

    live.registerSlots({0, 1, 2, 3, 4});
    live.pressStart();
    const qint64 startNs = steadyNs();
    LoopbackDelay loopback;
    std::atomic<bool> stopCars{false};
    std::atomic<int> carsDone{0};
    std::vector<CarLog> logs(kSlots.size());
    std::vector<std::unique_ptr<Worker>> cars;
    for (int s : kSlots) {
        // Cars spread over the first pass, so that their laps close at different moments.
        const qint64 firstNs = startNs + s * 370'000'000LL;
        cars.push_back(std::make_unique<Worker>([&, s, firstNs](const std::atomic<bool>&) {
            drive(s, firstNs, stopCars, logs[std::size_t(s)]);
            ++carsDone;
        }));
    }

    runUntil([&] { return steadyNs() - startNs >= kBeforeMs * 1'000'000; }, kBeforeMs + 1000);
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hold"), dbPath, QString::number(heldSeconds * 1000)});
    runUntil([&] { return holder.state() == QProcess::NotRunning; }, heldSeconds * 1000 + 15'000);
    qint64 heldNs = 0;
    qint64 releasedNs = 0;
    const QString said = QString::fromLocal8Bit(holder.readAllStandardOutput());
    for (const QString& l : said.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList w = l.split(u' ');
        if (w.value(0) == u"held") {
            heldNs = w.value(1).toLongLong();
        } else if (w.value(0) == u"released") {
            releasedNs = w.value(1).toLongLong();
        }
    }
    if (heldNs == 0 || releasedNs == 0) {
        out << "the other program did not hold the lock: " << said.trimmed()
            << QString::fromLocal8Bit(holder.readAllStandardError()).trimmed() << Qt::endl;
        stopCars = true;
        runUntil([&] { return carsDone == int(kSlots.size()); }, 5000);
        return 1;
    }
    runUntil([&] { return steadyNs() - releasedNs >= kAfterMs * 1'000'000; }, kAfterMs + 1000);
    stopCars = true;
    // A car may be waiting for its reply: the console answers while they finish.
    runUntil([&] { return carsDone == int(kSlots.size()); }, 5000);
    cars.clear();
    runUntil([&] { return journal->waiting() == 0; }, 3000);
    sample.stop();
    const std::vector<qint64> loopbackNs = loopback.samplesNs();

    // Round trips, and lap errors against the interval each car measured itself.
    const auto underLock = [&](qint64 ns) { return ns >= heldNs && ns <= releasedNs; };
    std::vector<qint64> rtFree, rtLocked, closeFree, closeLocked;
    std::vector<double> errFree, errLocked;
    Exchange slowestFree;  // the slowest lap-closing reply without the lock
    int lost = 0;
    int unexpected = 0;
    qint64 lapsSeen = 0;
    bool sameAsConsole = true;
    for (std::size_t i = 0; i < logs.size(); ++i) {
        const CarLog& log = logs[i];
        for (const Exchange& e : log.exchanges) {
            if (e.roundTripNs < 0) {
                ++lost;
                continue;
            }
            const bool locked = underLock(e.sentNs);
            (locked ? rtLocked : rtFree).push_back(e.roundTripNs);
            if (e.closedLap) {
                (locked ? closeLocked : closeFree).push_back(e.roundTripNs);
                if (!locked && e.roundTripNs > slowestFree.roundTripNs) {
                    slowestFree = e;
                }
            }
        }
        unexpected += log.unexpectedLaps;
        lapsSeen += qint64(log.laps.size());
        sameAsConsole = sameAsConsole && log.bound &&
                        timedLaps(live.model.car(kSlots[int(i)])) == qint64(log.laps.size());
        // Lap 1 is timed from Start, which no car sees.
        for (std::size_t k = 1; k < log.laps.size(); ++k) {
            const ClosedLap& lap = log.laps[k];
            if (lap.lap != log.laps[k - 1].lap + 1) {
                continue;
            }
            const double measuredMs = double(lap.sentNs - log.laps[k - 1].sentNs) / 1e6;
            const double error = std::abs(double(lap.consoleMs) - measuredMs) / msPerTick;
            (underLock(lap.sentNs) ? errLocked : errFree).push_back(error);
        }
    }
    const double loopbackMaxMs = double(percentile(loopbackNs, 1.0)) / 1e6;
    const double boundTicks = 1.0 + loopbackMaxMs / msPerTick;
    const double lockedP99Ms = percentile(rtLocked, 0.99) / 1e6;
    const double closeLockedP99Ms = percentile(closeLocked, 0.99) / 1e6;

    // The journal under the lock: refusals told, operations kept waiting, and when they were in.
    qsizetype mostWaiting = 0;
    qint64 caughtUpNs = -1;
    for (const auto& [ns, n] : waiting) {
        if (underLock(ns)) {
            mostWaiting = std::max(mostWaiting, n);
        } else if (ns > releasedNs && n == 0 && caughtUpNs < 0) {
            caughtUpNs = ns - releasedNs;
        }
    }
    const auto toldUnderLock =
        std::count_if(toldNs.begin(), toldNs.end(), [&](qint64 ns) { return underLock(ns); });
    const JournalRows rows = journalRows(dbPath);
    qint64 lapsInModel = 0;
    for (int s : kSlots) {
        lapsInModel += timedLaps(live.model.car(s));
    }

    out << "five cars on 127.0.0.1 in real time, the journal's write lock held by another "
           "program for "
        << QString::number((releasedNs - heldNs) / 1e9, 'f', 1) << " s from "
        << QString::number((heldNs - startNs) / 1e9, 'f', 1) << " s into the race ("
        << QString::number((steadyNs() - startNs) / 1e9, 'f', 0) << " s in all; " << lost
        << " replies lost)\n";
    out << "report -> reply round trip\n";
    out << line(QStringLiteral("without the lock, every report"), rtFree);
    out << line(QStringLiteral("under the lock, every report"), rtLocked);
    out << QStringLiteral("  ratio under/without: median %1  p99 %2; p99 under the lock %3 ms "
                          "(aim <= %4)\n")
               .arg(double(percentile(rtLocked, 0.5)) / double(percentile(rtFree, 0.5)), 0, 'f', 2)
               .arg(double(percentile(rtLocked, 0.99)) / double(percentile(rtFree, 0.99)), 0, 'f',
                    2)
               .arg(lockedP99Ms, 0, 'f', 1)
               .arg(kAimP99Ms, 0, 'f', 0);
    out << line(QStringLiteral("without the lock, lap-closing"), closeFree);
    out << line(QStringLiteral("under the lock, lap-closing"), closeLocked);
    out << QStringLiteral("  ratio under/without: median %1  p99 %2; p99 under the lock %3 ms "
                          "(aim <= %4)\n")
               .arg(double(percentile(closeLocked, 0.5)) / double(percentile(closeFree, 0.5)), 0,
                    'f', 2)
               .arg(double(percentile(closeLocked, 0.99)) / double(percentile(closeFree, 0.99)), 0,
                    'f', 2)
               .arg(closeLockedP99Ms, 0, 'f', 1)
               .arg(kAimP99Ms, 0, 'f', 0);
    out << QStringLiteral("  slowest lap-closing reply without the lock: %1 ms, %2 s %3 the lock\n")
               .arg(slowestFree.roundTripNs / 1e6, 0, 'f', 1)
               .arg(std::abs(slowestFree.sentNs - (slowestFree.sentNs < heldNs ? heldNs : releasedNs)) /
                        1e9,
                    0, 'f', 2)
               .arg(slowestFree.sentNs < heldNs ? QStringLiteral("before") : QStringLiteral("after"));
    out << QStringLiteral("lap time against the car's own interval (bound %1 ticks: 1 tick + the "
                          "largest loopback delay, %2 us; lap 1 left out)\n")
               .arg(boundTicks, 0, 'f', 2)
               .arg(loopbackMaxMs * 1000.0, 0, 'f', 0);
    out << errorLine(QStringLiteral("closed without the lock"), errFree, boundTicks);
    out << errorLine(QStringLiteral("closed under the lock"), errLocked, boundTicks);
    out << "journal: write refused and told " << toldUnderLock << " time(s) under the lock ("
        << toldNs.size() << " in all), up to " << mostWaiting
        << " operations waiting in memory, " << journalWarnings.load()
        << " warnings logged; all written "
        << (caughtUpNs < 0 ? QStringLiteral("NEVER")
                           : QString(QString::number(caughtUpNs / 1e6, 'f', 0) + u" ms"))
        << " after the lock was let go\n";
    out << "  rows of recorded laps " << rows.laps << " / laps timed in the race " << lapsInModel
        << " / records the cars got " << lapsSeen << "; operations " << rows.operations
        << ", last messages " << rows.messages << "\n";
    out.flush();

    QStringList broken;
    if (lost > 0 || unexpected > 0) {
        broken << QStringLiteral("%1 replies lost, %2 unexpected records").arg(lost).arg(unexpected);
    }
    if (rtLocked.empty() || closeLocked.empty() || errLocked.empty() || rtFree.empty() ||
        errFree.empty()) {
        broken << QStringLiteral("no report or no lap on one side of the lock");
    }
    if (lockedP99Ms > kAimP99Ms || closeLockedP99Ms > kAimP99Ms) {
        broken << QStringLiteral("p99 under the lock beyond %1 ms").arg(kAimP99Ms);
    }
    if (percentile(errLocked, 1.0) > boundTicks || percentile(errFree, 1.0) > boundTicks) {
        broken << QStringLiteral("a lap beyond one tick plus the loopback delay");
    }
    // The lock must have kept the journal out, or the run shows nothing.
    if (toldUnderLock != 1 || mostWaiting == 0) {
        broken << QStringLiteral("the journal was not held off once (told %1 times, %2 waiting)")
                      .arg(toldUnderLock)
                      .arg(mostWaiting);
    }
    if (rows.laps != lapsInModel || lapsInModel != lapsSeen || !sameAsConsole) {
        broken << QStringLiteral("laps missing from the journal or the race");
    }
    if (!broken.isEmpty()) {
        out << "BOUND BROKEN: " << broken.join(QStringLiteral("; ")) << Qt::endl;
        return 1;
    }
    return 0;
}
