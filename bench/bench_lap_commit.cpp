// What the journal adds to the round trip of a report that closes a lap, against its floor: a
// bare one-row commit of the same durability (WAL, synchronous FULL) in the console's folder.
// Rounds of five laps (one per car, on the manual clock) alternate between the console with
// its journal and the same console with the journal not following the race; a bare commit
// follows each lap. All in one run on 127.0.0.1.
//
//   bench_lap_commit [rounds]      (default 400 after 20 to warm up)

#include "manual_race.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

using kaltero::bench::ManualRace;
using kaltero::bench::percentile;

namespace {

constexpr int kWarmUp = 20;

// One row committed alone, as the journal commits a lap: WAL, synced in full on each commit.
class BareCommit {
public:
    explicit BareCommit(const QString& path)
        : db_(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"))) {
        db_.setDatabaseName(path);
        ok_ = db_.open() && exec("PRAGMA journal_mode = WAL") &&
              exec("PRAGMA synchronous = FULL") &&
              exec("CREATE TABLE IF NOT EXISTS rows (id INTEGER PRIMARY KEY, data TEXT NOT NULL)");
        insert_ = QSqlQuery(db_);
        ok_ = ok_ && insert_.prepare(QStringLiteral("INSERT INTO rows (data) VALUES (?)"));
    }
    ~BareCommit() {
        insert_ = QSqlQuery();
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("floor"));
    }

    bool ok() const { return ok_; }

    // ns of one commit, -1 when it failed.
    qint64 commit(const QString& row) {
        QElapsedTimer clock;
        clock.start();
        insert_.bindValue(0, row);
        if (!db_.transaction() || !insert_.exec() || !db_.commit()) {
            return -1;
        }
        return clock.nsecsElapsed();
    }

private:
    bool exec(const char* sql) {
        QSqlQuery q(db_);
        return q.exec(QString::fromLatin1(sql));
    }

    QSqlDatabase db_;
    QSqlQuery insert_;
    bool ok_ = false;
};

// Rows of recorded laps in the console's journal, read over a connection of its own.
qint64 recordedLapRows(const QString& path) {
    qint64 rows = -1;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() &&
            q.exec(QStringLiteral("SELECT count(*) FROM operations WHERE op = 'lap recorded'")) &&
            q.next()) {
            rows = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

QString line(const char* what, const std::vector<qint64>& ns) {
    return QStringLiteral("  %1 median %2 us  p99 %3 us\n")
        .arg(QString::fromLatin1(what), -28)
        .arg(percentile(ns, 0.5) / 1000.0, 0, 'f', 1)
        .arg(percentile(ns, 0.99) / 1000.0, 0, 'f', 1);
}

}  // namespace

int main(int argc, char* argv[]) {
    kaltero::bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(20, QString::fromLocal8Bit(argv[1]).toInt()) : 400;
    QTextStream out(stdout);

    ManualRace race({0, 1, 2, 3, 4});
    if (!race.ready()) {
        out << "the console or its journal did not open, or a car port is taken" << Qt::endl;
        return 1;
    }
    race.start();
    BareCommit floor(QDir(race.dir.path()).filePath(QStringLiteral("floor.db")));
    if (!floor.ok()) {
        out << "cannot open the bare commit's database" << Qt::endl;
        return 1;
    }
    // About the size of a recorded lap's row.
    const QString row(300, u'x');

    std::vector<qint64> on;
    std::vector<qint64> off;
    std::vector<qint64> bare;
    int lost = 0;
    qint64 lapsWithJournal = 0;
    for (int r = 0; r < kWarmUp + rounds; ++r) {
        const bool journalOn = r % 2 == 0;
        race.followJournal(journalOn);
        // A bare commit after each lap, so that both meet the machine in the same state.
        bool commitFailed = false;
        const auto bareCommit = [&] {
            const qint64 ns = floor.commit(row);
            commitFailed = commitFailed || ns < 0;
            if (r >= kWarmUp && ns >= 0) {
                bare.push_back(ns);
            }
        };
        for (const qint64 ns : race.lapRound(0, bareCommit)) {
            if (ns < 0) {
                ++lost;
                continue;
            }
            lapsWithJournal += journalOn ? 1 : 0;
            if (r >= kWarmUp) {
                (journalOn ? on : off).push_back(ns);
            }
        }
        if (commitFailed) {
            out << "the bare commit failed" << Qt::endl;
            return 1;
        }
    }
    race.followJournal(true);
    if (on.empty() || off.empty()) {
        out << "no lap was closed" << Qt::endl;
        return 1;
    }

    const double addedMedian = double(percentile(on, 0.5) - percentile(off, 0.5));
    const double addedP99 = double(percentile(on, 0.99) - percentile(off, 0.99));
    out << "report closing a lap -> reply on 127.0.0.1, " << on.size() << " laps with the journal, "
        << off.size() << " without, rounds interleaved (" << lost << " lost)\n";
    out << line("journal on", on) << line("journal off", off);
    out << QStringLiteral("  %1 median %2 us  p99 %3 us\n")
               .arg(QStringLiteral("journal adds (on - off)"), -28)
               .arg(addedMedian / 1000.0, 0, 'f', 1)
               .arg(addedP99 / 1000.0, 0, 'f', 1);
    out << line("bare one-row commit", bare);
    out << QStringLiteral("  ratio added/bare commit: median %1 (aim <= 1.5)  p99 %2 (aim <= 3)\n")
               .arg(addedMedian / double(percentile(bare, 0.5)), 0, 'f', 2)
               .arg(addedP99 / double(percentile(bare, 0.99)), 0, 'f', 2);
    race.program.journal()->flush();
    out << "  journal rows of recorded laps: "
        << recordedLapRows(QDir(race.dir.path()).filePath(QStringLiteral("Kaltero.db")))
        << " (laps closed with the journal on: " << lapsWithJournal << ")\n";
    out.flush();
    return lost == 0 ? 0 : 1;
}
