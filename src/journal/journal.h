#pragma once

#include "model/change.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace kaltero::model {
class RaceModel;
}

namespace kaltero::journal {

// The race journal, "Kaltero.db" beside the console (SQLite in WAL mode): every operation on the
// race as it happens, so that a crash, a killed process or a power cut never loses a race.
//
// A recorded lap is committed, and synced to disk, before its reply leaves the console: a car
// never holds a record the journal lacks. Other operations are committed with the next lap or
// within a second. Operations made while idle are kept and written with the next Start, so that
// a race's operations rebuild it from an empty console. A write that fails is told once and
// retried: timing never waits for the journal.
class Journal : public QObject {
    Q_OBJECT

public:
    explicit Journal(QObject* parent = nullptr);
    ~Journal() override;

    // Opens the journal at path, creating it when missing. A file that cannot be used (not a
    // journal, damaged, written by a newer console) is moved aside as
    // "path.damaged-YYYYMMDD-HHMMSS", never deleted, and a new journal is started; movedTo then
    // names it. False only when no journal can be had at all (why says why).
    bool open(const QString& path, QString* movedTo = nullptr, QString* why = nullptr);
    bool isOpen() const;

    // Records the race's operations from now on.
    void follow(model::RaceModel& race);

    // The operations of the race that was started and never stopped, in order; empty when
    // every race was stopped or abandoned.
    QList<model::Change> unfinishedRace() const;
    // The unfinished race stays in the journal, marked abandoned, and is never offered again.
    void abandonUnfinished();
    // Goes on recording into the unfinished race (after it was rebuilt from its operations).
    void resumeUnfinished();

    // Commits what waits; false while the journal cannot be written.
    bool flush();
    // Operations waiting in memory for a commit.
    qsizetype waiting() const;
    // Holds the file to at most this many bytes, as a small or nearly full medium would.
    void limitSize(qint64 bytes);

Q_SIGNALS:
    // A write failed (full disk, removed drive); told once until a write succeeds again.
    void writeFailed(const QString& why);

private:
    struct Impl;
    void record(const model::Change& change);
    std::unique_ptr<Impl> d_;
};

}  // namespace kaltero::journal
