// A 24-hour race of five cars with 90-second laps replayed through the console on the manual
// clock, over real UDP, with the console's journal: what a lap-closing report costs at the end
// of the race against the start, the peak resident set, the journal's size, and how long the
// console takes to come back with the whole race from its journal after a kill. Every report
// carries a message of its own (a counter), as a chatty car's would: the journal keeps each
// car's last one, so it grows with the laps, not with the reports. Then the same race resumed
// from a journal that also holds 300 races older than the days kept: the start-up prunes them,
// and the file must come back to about the race's own size.
//
//   bench_long_race [hours]      (default 24)

#include "manual_race.h"

#include <QApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <memory>

using kaltero::bench::ManualRace;
using kaltero::bench::percentile;

namespace {

constexpr qint64 kLapMs = 90'000;
// Laps compared at the start (after these first few) and at the end of the race.
constexpr int kSettle = 10;
constexpr int kCompared = 50;
// Reports that close nothing after each lap-closing one: the car is still in range.
constexpr int kMoreReports = 2;
const QList<int> kSlots = {0, 1, 2, 3, 4};

// The race's journal as a killed console leaves it: the database and its write-ahead log.
struct JournalCopy {
    QByteArray db;
    QByteArray wal;

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static bool write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    explicit JournalCopy(const QDir& folder)
        : db(read(folder.filePath(QStringLiteral("Kaltero.db")))),
          wal(read(folder.filePath(QStringLiteral("Kaltero.db-wal")))) {}
    bool copyTo(const QDir& folder) const {
        return write(folder.filePath(QStringLiteral("Kaltero.db")), db) &&
               write(folder.filePath(QStringLiteral("Kaltero.db-wal")), wal);
    }
};

// What the journal holds, read over a connection of its own.
struct JournalRows {
    qint64 operations = -1;
    qint64 laps = -1;          // 'lap recorded' rows
    qint64 messageOps = -1;    // messages kept as operations: none expected
    qint64 lastMessages = -1;  // one per car expected
};

JournalRows journalRows(const QString& path) {
    JournalRows rows;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("rows"));
        db.setDatabaseName(path);
        const auto count = [&db](const char* sql) -> qint64 {
            QSqlQuery q(db);
            return q.exec(QString::fromLatin1(sql)) && q.next() ? q.value(0).toLongLong() : -1;
        };
        if (db.open()) {
            rows.operations = count("SELECT count(*) FROM operations");
            rows.laps = count("SELECT count(*) FROM operations WHERE op = 'lap recorded'");
            rows.messageOps =
                count("SELECT count(*) FROM operations WHERE op = 'message received'");
            rows.lastMessages = count("SELECT count(*) FROM last_messages");
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("rows"));
    return rows;
}

// Adds `count` stopped races started 60 days and more before `now` to the journal at path, each
// holding the first `rows` operations of race `of`, as a season of earlier races would.
bool addOldRaces(const QString& path, int count, int rows, const QDateTime& now) {
    bool ok = true;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(path);
        const auto exec = [&db, &ok](const QString& sql) {
            QSqlQuery q(db);
            ok = ok && q.exec(sql);
        };
        ok = db.open();
        exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < count; ++i) {
            const qint64 startMs = now.addDays(-60 - i).toMSecsSinceEpoch();
            exec(QStringLiteral("INSERT INTO races (started, started_ms, state) VALUES "
                                "('', %1, 'stopped')")
                     .arg(startMs));
            exec(QStringLiteral("INSERT INTO operations (race, op, slot, lap, detail, args) "
                                "SELECT last_insert_rowid(), op, slot, lap, detail, args "
                                "FROM operations WHERE race = (SELECT min(id) FROM races) "
                                "ORDER BY id LIMIT %1")
                     .arg(rows));
        }
        exec(QStringLiteral("COMMIT"));
        exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    return ok;
}

qint64 fileBytes(const QDir& folder) {
    return QFileInfo(folder.filePath(QStringLiteral("Kaltero.db"))).size() +
           QFileInfo(folder.filePath(QStringLiteral("Kaltero.db-wal"))).size();
}

std::vector<int> lapCounts(const ManualRace& race) {
    std::vector<int> counts;
    for (int s : kSlots) {
        counts.push_back(int(race.model.car(s).laps.size()));
    }
    return counts;
}

}  // namespace

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int hours = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 24;
    const int laps = int(hours * 3'600'000LL / kLapMs);
    QTextStream out(stdout);
    if (laps < 2 * (kSettle + kCompared)) {
        out << "a race of " << hours << " hours is too short to compare its start and end"
            << Qt::endl;
        return 1;
    }

    auto race = std::make_unique<ManualRace>(kSlots);
    if (!race->ready()) {
        out << "the console or its journal did not open, or a car port is taken" << Qt::endl;
        return 1;
    }
    // Each car's reports number themselves: every report's message differs from the last.
    std::vector<qint64> reports(kSlots.size(), 0);
    std::vector<QByteArray> lastMessage(kSlots.size());
    race->message = [&](std::size_t car) {
        lastMessage[car] = "OK " + QByteArray::number(++reports[car]);
        return lastMessage[car];
    };
    race->start();
    std::vector<qint64> atStart;
    std::vector<qint64> atEnd;
    int lost = 0;
    QElapsedTimer wall;
    wall.start();
    for (int lap = 0; lap < laps; ++lap) {
        for (const qint64 ns : race->lapRound(kMoreReports)) {
            if (ns < 0) {
                ++lost;
            } else if (lap >= kSettle && lap < kSettle + kCompared) {
                atStart.push_back(ns);
            } else if (lap >= laps - kCompared) {
                atEnd.push_back(ns);
            }
        }
        // Lap times spread over a second, so that best and average laps keep changing.
        race->clock.advance(kLapMs - ManualRace::kSilenceMs + (lap * 379) % 1001 - 500);
    }
    const qint64 peakKib = kaltero::bench::processStatusKib("VmHWM");
    const double startMedian = percentile(atStart, 0.5) / 1000.0;
    const double endMedian = percentile(atEnd, 0.5) / 1000.0;
    out << "a race of " << hours << " h, " << race->cars.size() << " cars, " << laps
        << " laps each of about 90 s, on the manual clock (" << lost << " lost, "
        << wall.elapsed() / 1000 << " s to run)\n";
    out << QStringLiteral("  lap-closing report, laps %1-%2: median %3 us  p99 %4 us\n")
               .arg(kSettle + 1)
               .arg(kSettle + kCompared)
               .arg(startMedian, 0, 'f', 1)
               .arg(percentile(atStart, 0.99) / 1000.0, 0, 'f', 1);
    out << QStringLiteral("  lap-closing report, last %1 laps: median %2 us  p99 %3 us\n")
               .arg(kCompared)
               .arg(endMedian, 0, 'f', 1)
               .arg(percentile(atEnd, 0.99) / 1000.0, 0, 'f', 1);
    out << QStringLiteral("  ratio end/start at the median: %1 (aim <= 1.2)\n")
               .arg(endMedian / startMedian, 0, 'f', 2);
    out << QStringLiteral("  peak resident set (VmHWM): %1 MiB (aim <= 120)\n")
               .arg(peakKib / 1024.0, 0, 'f', 1);
    race->program.journal()->flush();
    const qint64 journalBytes = race->journalBytes();
    const JournalRows rows =
        journalRows(QDir(race->dir.path()).filePath(QStringLiteral("Kaltero.db")));
    // Laps timed; a car silent at the end has one more counted, not yet timed.
    qint64 lapsRaced = 0;
    for (int s : kSlots) {
        const auto& laps = race->model.car(s).laps;
        lapsRaced += std::count_if(laps.begin(), laps.end(),
                                   [](const kaltero::core::Lap& lap) { return lap.timed; });
    }
    qint64 reportsSent = 0;
    for (const qint64 n : reports) {
        reportsSent += n;
    }
    out << QStringLiteral(
               "  journal on disk (database and write-ahead log): %1 MiB, %2 bytes a lap\n")
               .arg(journalBytes / 1048576.0, 0, 'f', 2)
               .arg(double(journalBytes) / double(std::max<qint64>(1, lapsRaced)), 0, 'f', 0);
    out << QStringLiteral(
               "  %1 reports, each with a new message: journal rows of operations %2 "
               "for %3 laps timed (%4 a lap; %5 lap rows), %6 messages among them (aim 0), "
               "last messages %7 (aim %8, one a car)\n")
               .arg(reportsSent)
               .arg(rows.operations)
               .arg(lapsRaced)
               .arg(double(rows.operations) / double(std::max<qint64>(1, lapsRaced)), 0, 'f', 2)
               .arg(rows.laps)
               .arg(rows.messageOps)
               .arg(rows.lastMessages)
               .arg(kSlots.size());

    // Killed in the middle of the race: the journal as it is on disk, then the console started
    // again on it, the race rebuilt from its operations. Timed from the start of the program
    // (splash, settings, window) to the console timing the race again.
    const JournalCopy copy(QDir(race->dir.path()));
    const std::vector<int> before = lapCounts(*race);
    const QDateTime now = race->clock.now();
    race.reset();
    qint64 copyNs = 0;
    bool copied = false;
    QElapsedTimer resume;
    resume.start();
    auto againRun = std::make_unique<ManualRace>(
        kSlots,
        [&](const QDir& folder) {
            QElapsedTimer c;
            c.start();
            copied = copy.copyTo(folder);
            copyNs = c.nsecsElapsed();
        },
        now, true);
    ManualRace& again = *againRun;
    const double resumeMs = (resume.nsecsElapsed() - copyNs) / 1e6;
    bool sameMessages = true;
    for (qsizetype i = 0; i < kSlots.size(); ++i) {
        sameMessages = sameMessages && again.model.car(kSlots[i]).InMsg ==
                                           QString::fromLatin1(lastMessage[std::size_t(i)]);
    }
    const bool sameRace =
        copied && again.model.timing() && lapCounts(again) == before && sameMessages;
    out << QStringLiteral("  resume of the race: %1 ms (aim <= 1000), %2\n")
               .arg(resumeMs, 0, 'f', 0)
               .arg(sameRace ? QStringLiteral("every lap back")
                             : QStringLiteral("NOT the same race"));

    againRun.reset();  // its car ports are the next console's

    // The same race in a journal with 300 races older than the days kept (30 by default).
    constexpr int kOldRaces = 300;
    constexpr int kOldRows = 700;  // about 250 kB a race, as a short race of a season
    qint64 withOldBytes = 0;
    qint64 prunedBytes = 0;
    qint64 prepareNs = 0;
    bool prepared = false;
    QElapsedTimer pruned;
    pruned.start();
    std::unique_ptr<ManualRace> afterPrune = std::make_unique<ManualRace>(
        kSlots,
        [&](const QDir& folder) {
            QElapsedTimer c;
            c.start();
            prepared =
                copy.copyTo(folder) && addOldRaces(folder.filePath(QStringLiteral("Kaltero.db")),
                                                   kOldRaces, kOldRows, now);
            withOldBytes = fileBytes(folder);
            prepareNs = c.nsecsElapsed();
        },
        now, true);
    const double prunedResumeMs = (pruned.nsecsElapsed() - prepareNs) / 1e6;
    prunedBytes = fileBytes(QDir(afterPrune->dir.path()));
    const bool prunedSame =
        prepared && afterPrune->model.timing() && lapCounts(*afterPrune) == before;
    const double sizeRatio = double(prunedBytes) / double(std::max<qint64>(1, journalBytes));
    out << QStringLiteral(
               "  with %1 older races (%2 MiB): resumed after pruning them in %3 ms "
               "(aim <= 1000), %4; journal %5 MiB, %6 times the race alone "
               "(aim <= 1.5)\n")
               .arg(kOldRaces)
               .arg(withOldBytes / 1048576.0, 0, 'f', 1)
               .arg(prunedResumeMs, 0, 'f', 0)
               .arg(prunedSame ? QStringLiteral("every lap back")
                               : QStringLiteral("NOT the same race"))
               .arg(prunedBytes / 1048576.0, 0, 'f', 2)
               .arg(sizeRatio, 0, 'f', 2);
    afterPrune.reset();
    const qint64 peakAfterKib = kaltero::bench::processStatusKib("VmHWM");
    out << QStringLiteral("  peak resident set after the resume: %1 MiB\n")
               .arg(peakAfterKib / 1024.0, 0, 'f', 1);
    QStringList broken;
    if (lost > 0) {
        broken << QStringLiteral("%1 replies lost").arg(lost);
    }
    if (!sameRace) {
        broken << (sameMessages ? QStringLiteral("the resumed race is not the same")
                                : QStringLiteral("a car's last message not resumed"));
    }
    if (endMedian / startMedian > 1.2) {
        broken << QStringLiteral("end/start above 1.2");
    }
    if (std::max(peakKib, peakAfterKib) > 120 * 1024) {
        broken << QStringLiteral("peak resident set above 120 MiB");
    }
    if (resumeMs > 1000) {
        broken << QStringLiteral("resume above 1 s");
    }
    if (!prunedSame) {
        broken << QStringLiteral("the race resumed after pruning is not the same");
    }
    if (prunedResumeMs > 1000) {
        broken << QStringLiteral("resume after pruning above 1 s");
    }
    if (sizeRatio > 1.5) {
        broken << QStringLiteral("journal after pruning above 1.5 times the race alone");
    }
    if (rows.laps != lapsRaced || rows.messageOps != 0 || rows.lastMessages != kSlots.size()) {
        broken << QStringLiteral("the journal does not hold the laps, or holds the messages");
    }
    if (!broken.isEmpty()) {
        out << "BOUND BROKEN: " << broken.join(QStringLiteral("; ")) << "\n";
    }
    out.flush();
    return broken.isEmpty() ? 0 : 1;
}
