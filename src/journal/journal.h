#pragma once

#include "model/change.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QSqlQuery;

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::journal {

// The race journal, "Kaltero.db" beside the console (SQLite in WAL mode): every operation on the
// race as it happens, so that a crash, a killed process or a power cut never loses a race.
//
// Start records the whole set-up the race begins with, so a race's operations rebuild it from
// an empty console. A recorded lap is committed, and synced to disk, before its reply leaves the
// console, as long as the journal can be written within kWriteWaitMs; other operations are
// committed with the next lap or within a second. Timing never waits longer: a write that fails
// (another program holds the file's lock, a full or removed medium) is told once, and what waits
// is kept in memory and written as soon as the journal can be written again.
//
// The main file holds the race, not only its write-ahead log: the log is written back at every
// Stop, every minute and every few hundred rows, so a copy of Kaltero.db alone holds the race.
class Journal : public QObject {
    Q_OBJECT

public:
    // The longest a report's reply waits for its lap to reach the disk (a lock another program
    // holds, a slow sync): a fifth of the lap timer's 99 ms, long enough for a healthy disk.
    static constexpr int kWriteWaitMs = 20;

    explicit Journal(QObject* parent = nullptr);
    ~Journal() override;

    // Opens the journal at path, creating it when missing. A file SQLite calls damaged or no
    // database, or a database without the journal's tables, is moved aside as
    // "path.damaged-YYYYMMDD-HHMMSS", never deleted, and a new journal is started; movedTo then
    // names it. A file another program holds locked is waited for up to lockWaitMs and then left
    // alone (heldByAnother()). A journal of a newer console, or one on a full or read-only
    // medium, is left as it is and never written (openFault()). False when no journal can be had
    // (why says why).
    bool open(const QString& path, QString* movedTo = nullptr, QString* why = nullptr,
              int lockWaitMs = 2000);
    bool isOpen() const;
    // Why the last open found no journal it could use, when the file itself is healthy.
    enum class OpenFault {
        None,
        Locked,       // another program holds the file: try again once it lets go
        NotWritable,  // a full or read-only medium
        Newer,        // written by a newer console: left as it is, never written
        Other,
    };
    OpenFault openFault() const;
    // The last open failed because another program held the file locked.
    bool heldByAnother() const;
    // Opens the next file read-only, as a write-protected medium would.
    void openReadOnly();
    // Every commit reaches the disk before it returns (SQLite's synchronous FULL).
    bool syncsEveryCommit() const;

    // Records the race's operations from now on.
    void follow(model::RaceModel& race);

    // The operations of the race that was started and never stopped, in order; empty when
    // every race was stopped or abandoned.
    QList<model::Change> unfinishedRace() const;
    // The unfinished race stays in the journal, marked abandoned, and is never offered again.
    void abandonUnfinished();
    // Goes on recording into the unfinished race (after it was rebuilt from its operations).
    void resumeUnfinished();

    // Forgets the races started more than `days` days before nowMs (0: keeps every race) and
    // compacts the file when it forgot any. The unfinished race is always kept.
    void prune(int days, qint64 nowMs);

    // Commits what waits; false while the journal cannot be written.
    bool flush();
    // Operations waiting in memory for a commit.
    qsizetype waiting() const;
    // Holds the file to at most this many bytes, as a small or nearly full medium would (from
    // the next open on, when called before it).
    void limitSize(qint64 bytes);

Q_SIGNALS:
    // A write failed (lock held by another program, full disk, removed drive); told once until a
    // write succeeds again.
    void writeFailed(const QString& why);
    // The file at the journal's path was deleted or replaced while open: the whole journal was
    // written anew at path (anything put there kept aside) and recording goes on; told once
    // for each time it happens.
    void fileReplaced(const QString& path);
    // A batch of operations reached the file: a reader of the file finds them there now.
    void written();

private:
    struct Impl;
    void record(const model::Change& change);
    // Hands what waits to the journal's thread, unless a batch is on its way already.
    void send();
    // Takes in what became of the batch on its way, once the disk is done with it.
    void collect();
    // Sends what waits and waits at most ms for the disk; true when all of it is on disk.
    bool commitWithin(int ms);
    // End and the tests wait this long for the disk.
    static constexpr int kFlushWaitMs = 2000;
    std::unique_ptr<Impl> d_;
};

// The operation in the query's row, its columns op, slot, lap, detail, args from `first` on;
// none for an operation this console does not know.
std::optional<model::Change> operationOfRow(const QSqlQuery& q, int first);

}  // namespace kaltero::journal
