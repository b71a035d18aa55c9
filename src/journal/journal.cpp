#include "journal/journal.h"

#include "journal/journal_schema.h"
#include "model/race_model.h"
#include "platform/file_identity.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <QUuid>

#include <chrono>
#include <future>
#include <memory>
#include <optional>

namespace kaltero::journal {

namespace {

Q_LOGGING_CATEGORY(lcJournal, "kaltero.journal", QtInfoMsg)

constexpr int kGroupMs = 1000;

QString opKey(model::Op op) {
    return model::opName(op);
}

}  // namespace

// What one commit of a batch of operations came to.
struct Outcome {
    bool ok = false;
    QString why;
};

// The journal's database side: every SQLite call runs on the journal's own thread, with its own
// connection, so that no lock, slow sync or full medium ever holds up the event loop.
struct Journal::Impl {
    // --- the journal's thread only
    QString connection = QUuid::createUuid().toString();
    QSqlDatabase db;
    qint64 race = 0;  // the race being recorded, 0 while idle
    bool locked = false;
    OpenFault fault = OpenFault::None;
    bool readOnly = false;
    qint64 maxPages = 0;  // 0: as large as the medium allows
    // The file the connection has open, to notice when the path names another one (deleted,
    // or a copy put in its place by a sync client or a restore).
    QString path;
    std::optional<platform::FileIdentity> identity;
    bool replacedTold = false;
    Journal* self = nullptr;
    // Rows in the write-ahead log not yet written back to the main file.
    int unsavedRows = 0;
    QElapsedTimer sinceSaved;

    // --- the console's thread only
    QList<model::Change> queue;  // waiting for a commit, in order
    // The batch on its way to the disk, and what became of it.
    struct InFlight {
        QList<model::Change> batch;
        std::future<Outcome> outcome;
    };
    std::optional<InFlight> inFlight;
    bool opened = false;
    bool recording = false;  // a race is started and not stopped: its operations are kept
    bool failing = false;
    QTimer group;
    QTimer save;
    QThread thread;
    QObject* worker = nullptr;  // lives in `thread`: what runs there is invoked on it

    // Runs fn on the journal's thread and waits for it.
    template <typename F>
    auto call(F fn) {
        using R = decltype(fn());
        if constexpr (std::is_void_v<R>) {
            QMetaObject::invokeMethod(worker, fn, Qt::BlockingQueuedConnection);
        } else {
            R result{};
            QMetaObject::invokeMethod(
                worker, [&] { result = fn(); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    bool exec(const QString& sql, QString* why = nullptr) {
        QSqlQuery q(db);
        if (q.exec(sql)) {
            return true;
        }
        if (why != nullptr) {
            *why = q.lastError().text();
        }
        lastErrorCode = q.lastError().nativeErrorCode();
        return false;
    }
    QString lastErrorCode;

    // Opens the file at path as the journal. False with fault set when it cannot be used now
    // (left as it is), or with unusable set when it is damaged or no journal.
    bool openAt(const QString& path, QString* why, bool* unusable) {
        *unusable = false;
        fault = OpenFault::None;
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        // A lock another program holds makes a write fail after this wait, never hang timing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kLockWaitMs) +
                             (readOnly ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
        lastErrorCode.clear();
        if (!db.open()) {
            *why = db.lastError().text();
            lastErrorCode = db.lastError().nativeErrorCode();
            return refused(unusable);
        }
        if (maxPages > 0 &&
            !exec(QStringLiteral("PRAGMA max_page_count = %1").arg(maxPages), why)) {
            return refused(unusable);
        }
        // The schema is read before anything is written: a newer journal or another program's
        // database is never turned into a journal of this version.
        QString code;
        const Schema schema = migrate(db, why, &code);
        if (schema != Schema::Current) {
            lastErrorCode = code;
            if (schema == Schema::Newer) {
                fault = OpenFault::Newer;
                return false;
            }
            if (schema == Schema::NotJournal) {
                *unusable = true;
                return false;
            }
            return refused(unusable);
        }
        if (!exec(QStringLiteral("PRAGMA journal_mode = WAL"), why) ||
            !exec(QStringLiteral("PRAGMA synchronous = FULL"), why)) {
            return refused(unusable);
        }
        // A read-only connection reads the file but could never write the race.
        if (readOnly) {
            lastErrorCode = QStringLiteral("8");
            return refused(unusable);
        }
        return true;
    }

    // Sorts a refusal by SQLite's code: only a file SQLite calls damaged or no database is
    // unusable; a lock or the medium leaves a healthy file as it is.
    bool refused(bool* unusable) {
        switch (lastErrorCode.toInt() & 0xff) {
            case 5:  // SQLITE_BUSY
            case 6:  // SQLITE_LOCKED
                fault = OpenFault::Locked;
                break;
            case 8:   // SQLITE_READONLY
            case 10:  // SQLITE_IOERR
            case 13:  // SQLITE_FULL
            case 14:  // SQLITE_CANTOPEN
                fault = OpenFault::NotWritable;
                break;
            case 11:  // SQLITE_CORRUPT
            case 26:  // SQLITE_NOTADB
                *unusable = true;
                break;
            default:
                fault = OpenFault::Other;
                break;
        }
        return false;
    }

    bool lockedOut() const { return fault == OpenFault::Locked; }

    void close() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);
    }

    // Writes a batch in one transaction; a Start opens a race, a Stop closes it.
    bool commit(const QList<model::Change>& batch, QString* why) {
        if (batch.isEmpty()) {
            return true;
        }
        if (!db.isOpen() && !reopen(why)) {
            return false;
        }
        if (!exec(QStringLiteral("BEGIN IMMEDIATE"), why)) {
            return false;
        }
        qint64 current = race;
        bool stopped = false;
        for (const model::Change& c : batch) {
            if (c.op == model::Op::Started && !insertRace(c, &current, why)) {
                exec(QStringLiteral("ROLLBACK"));
                return false;
            }
            if (current == 0) {
                continue;  // the race was stopped in this queue: idle changes after it
            }
            const bool ok = c.op == model::Op::MessageReceived ? keepMessage(current, c, why)
                            : c.op == model::Op::ReportHeard   ? keepHeard(current, c, why)
                                                               : insertOperation(current, c, why);
            if (!ok || (c.op == model::Op::Stopped &&
                        !setState(current, QStringLiteral("stopped"), why))) {
                exec(QStringLiteral("ROLLBACK"));
                return false;
            }
            if (c.op == model::Op::Stopped) {
                current = 0;
                stopped = true;
            }
        }
        if (!exec(QStringLiteral("COMMIT"), why)) {
            exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        race = current;
        unsavedRows += int(batch.size());
        if (stopped || unsavedRows >= kSaveRows || sinceSaved.elapsed() >= kSaveMs) {
            writeBack(stopped);
        }
        return true;
    }

    // Writes the log back into the main file. At a Stop the log is also emptied; while timing a
    // passive write-back never waits for a reader.
    void writeBack(bool truncate) {
        checkFile();
        if (!db.isOpen() || (unsavedRows == 0 && !truncate)) {
            return;
        }
        if (exec(truncate ? QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")
                          : QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"))) {
            unsavedRows = 0;
            sinceSaved.start();
        }
    }
    // The open file is still the one at the path; when it is not, the whole journal is written
    // anew there from the open file, which still holds every race.
    void checkFile() {
        if (!db.isOpen() || !identity || platform::fileIdentity(path) == identity) {
            return;
        }
        if (!replacedTold) {
            replacedTold = true;
            qCWarning(lcJournal) << "journal" << path << "was deleted or replaced: written anew";
            QMetaObject::invokeMethod(self, [s = self, p = path] { Q_EMIT s->fileReplaced(p); });
        }
        const QString fresh = path + u".rewrite";
        QFile::remove(fresh);  // left by an attempt that failed
        {
            QSqlQuery copy(db);
            copy.prepare(QStringLiteral("VACUUM INTO ?"));
            copy.addBindValue(fresh);
            if (!copy.exec()) {
                // Still recorded into the open file: tried again at the next write-back.
                qCWarning(lcJournal) << "journal not written anew:" << copy.lastError().text();
                QFile::remove(fresh);
                return;
            }
        }
        close();
        // What was put at the path is kept, never deleted; a log left beside it is the old
        // file's and must not be read into the new one.
        const QString aside =
            path + u".replaced-" +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (const QString& side : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            if (QFileInfo::exists(path + side)) {
                QFile::rename(path + side, aside + side);
            }
        }
        QFile::rename(fresh, path);
        QString why;
        if (reopen(&why)) {
            replacedTold = false;
        }
    }

    bool reopen(QString* why) {
        bool unusable = false;
        if (!openAt(path, why, &unusable)) {
            close();
            return false;
        }
        identity = platform::fileIdentity(path);
        unsavedRows = 0;
        return true;
    }

    // How long one commit on the journal's thread waits for a lock another program holds:
    // the console does not wait for it, but a held lock is told within this time.
    static constexpr int kLockWaitMs = 100;
    static constexpr int kSaveRows = 300;
    static constexpr int kSaveMs = 60'000;

    bool insertRace(const model::Change& c, qint64* id, QString* why) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "INSERT INTO races (started, started_ms, state) VALUES (?, ?, 'running')"));
        q.addBindValue(c.detail.isNull() ? QStringLiteral("") : c.detail);
        q.addBindValue(model::instantArg(model::recordOf<model::op::Started>(c)->start));
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
        *id = q.lastInsertId().toLongLong();
        return true;
    }

    bool insertOperation(qint64 raceId, const model::Change& c, QString* why) {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("INSERT INTO operations (race, op, slot, lap, detail, args) VALUES (?, "
                           "?, ?, ?, ?, ?)"));
        q.addBindValue(raceId);
        q.addBindValue(opKey(c.op));
        q.addBindValue(c.slot);
        q.addBindValue(c.lap);
        // An empty text is stored as one, never as NULL.
        q.addBindValue(c.detail.isNull() ? QStringLiteral("") : c.detail);
        q.addBindValue(
            QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(model::argsOf(c)))
                                  .toJson(QJsonDocument::Compact)));
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
        return true;
    }

    // Only a car's last message matters for the race: one row per car, replaced.
    bool keepMessage(qint64 raceId, const model::Change& c, QString* why) {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("INSERT INTO last_messages (race, slot, message) VALUES (?, ?, ?)"
                           " ON CONFLICT (race, slot) DO UPDATE SET message = excluded.message"));
        q.addBindValue(raceId);
        q.addBindValue(c.slot);
        q.addBindValue(c.detail.isNull() ? QStringLiteral("") : c.detail);
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
        return true;
    }

    // The car's last report, in the same row: a silence then goes on across a restart.
    bool keepHeard(qint64 raceId, const model::Change& c, QString* why) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "INSERT INTO last_messages (race, slot, message, heard_tick) VALUES (?, ?, '', ?)"
            " ON CONFLICT (race, slot) DO UPDATE SET heard_tick = excluded.heard_tick"));
        q.addBindValue(raceId);
        q.addBindValue(c.slot);
        q.addBindValue(model::recordOf<model::op::ReportHeard>(c)->tick);
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
        return true;
    }

    bool setState(qint64 raceId, const QString& state, QString* why) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE races SET state = ? WHERE id = ?"));
        q.addBindValue(state);
        q.addBindValue(raceId);
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
        return true;
    }

    qint64 unfinished() const {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral(
                "SELECT id FROM races WHERE state = 'running' ORDER BY id DESC LIMIT 1")) ||
            !q.next()) {
            return 0;
        }
        return q.value(0).toLongLong();
    }

    bool openOrMoveAside(const QString& at, QString* movedTo, QString* why, int lockWaitMs) {
        path = at;
        identity.reset();
        if (!openOrMoveAsideAt(at, movedTo, why, lockWaitMs)) {
            return false;
        }
        identity = platform::fileIdentity(at);
        return true;
    }

    bool openOrMoveAsideAt(const QString& path, QString* movedTo, QString* why, int lockWaitMs) {
        QElapsedTimer waited;
        waited.start();
        locked = false;
        bool unusable = false;
        for (;;) {
            if (openAt(path, why, &unusable)) {
                return true;
            }
            close();
            if (!lockedOut()) {
                break;
            }
            // Another program holds the file: a healthy journal, never moved aside.
            if (waited.elapsed() >= lockWaitMs) {
                locked = true;
                return false;
            }
            QThread::msleep(50);
        }
        if (!unusable) {
            qCWarning(lcJournal) << "journal" << path << "cannot be used now:" << *why;
            return false;
        }
        // Never deleted: the operator or a developer may still get a race out of it.
        const QString aside =
            path + u".damaged-" +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        qCWarning(lcJournal) << "journal" << path << "cannot be used:" << *why << "- moved to"
                             << aside;
        if (!QFileInfo::exists(path) || !QFile::rename(path, aside)) {
            fault = OpenFault::Other;
            return false;
        }
        for (const char* side : {"-wal", "-shm"}) {
            QFile::rename(path + QString::fromLatin1(side), aside + QString::fromLatin1(side));
        }
        *movedTo = aside;
        if (!openAt(path, why, &unusable)) {
            close();
            return false;
        }
        return true;
    }

    void prune(int days, qint64 nowMs) {
        const QString old = QStringLiteral(
                                "FROM races WHERE state != 'running' AND (started_ms IS NULL OR "
                                "started_ms < %1)")
                                .arg(nowMs - qint64(days) * 24 * 3600 * 1000);
        {
            QSqlQuery count(db);
            if (!count.exec(u"SELECT COUNT(*) " + old) || !count.next() ||
                count.value(0).toInt() == 0) {
                return;
            }
        }  // VACUUM runs only with no statement open on the connection
        const QString ids = u"(SELECT id " + old + u')';
        if (!exec(QStringLiteral("BEGIN IMMEDIATE")) ||
            !exec(u"DELETE FROM operations WHERE race IN " + ids) ||
            !exec(u"DELETE FROM last_messages WHERE race IN " + ids) || !exec(u"DELETE " + old) ||
            !exec(QStringLiteral("COMMIT"))) {
            exec(QStringLiteral("ROLLBACK"));
            return;
        }
        // Gives the space back: a season of races must not grow the file for ever. VACUUM goes
        // through the log in WAL mode: the log is written back and emptied after it.
        QString why;
        if (!exec(QStringLiteral("VACUUM"), &why)) {
            qCWarning(lcJournal) << "journal not compacted:" << why;
        }
        writeBack(true);
    }

    QList<model::Change> unfinishedRace() const {
        QList<model::Change> ops;
        const qint64 id = unfinished();
        if (id == 0) {
            return ops;
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral(
            "SELECT op, slot, lap, detail, args FROM operations WHERE race = ? ORDER BY id"));
        q.addBindValue(id);
        if (!q.exec()) {
            return ops;
        }
        while (q.next()) {
            if (auto c = operationOfRow(q, 0)) {
                ops.append(*c);
            }
        }
        QSqlQuery messages(db);
        messages.prepare(QStringLiteral(
            "SELECT slot, message, heard_tick FROM last_messages WHERE race = ? ORDER BY slot"));
        messages.addBindValue(id);
        if (messages.exec()) {
            while (messages.next()) {
                ops.append(model::lastHeardChanges(
                    messages.value(0).toInt(), messages.value(1).toString(),
                    messages.isNull(2) ? std::nullopt
                                       : std::optional<qint32>(messages.value(2).toInt())));
            }
        }
        return ops;
    }
};

std::optional<model::Change> operationOfRow(const QSqlQuery& q, int first) {
    return model::changeFrom(
        q.value(first).toString(), q.value(first + 1).toInt(), q.value(first + 2).toInt(),
        q.value(first + 3).toString(),
        QJsonDocument::fromJson(q.value(first + 4).toString().toUtf8()).object().toVariantMap());
}

Journal::Journal(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>()) {
    d_->self = this;
    d_->worker = new QObject;
    d_->worker->moveToThread(&d_->thread);
    connect(&d_->thread, &QThread::finished, d_->worker, &QObject::deleteLater);
    d_->thread.setObjectName(QStringLiteral("journal"));
    d_->thread.start();
    d_->group.setInterval(kGroupMs);
    d_->group.setSingleShot(true);
    connect(&d_->group, &QTimer::timeout, this, [this] {
        collect();
        send();
    });
    // A race whose last rows came a while ago still reaches the main file within a minute.
    d_->save.setInterval(Impl::kSaveMs);
    connect(&d_->save, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(d_->worker, [impl = d_.get()] { impl->writeBack(false); });
    });
    d_->call([impl = d_.get()] { impl->sinceSaved.start(); });
}

Journal::~Journal() {
    flush();
    d_->call([impl = d_.get()] {
        if (impl->db.isValid()) {
            impl->checkFile();
            impl->close();
        }
    });
    d_->thread.quit();
    d_->thread.wait();
}

bool Journal::open(const QString& path, QString* movedTo, QString* why, int lockWaitMs) {
    QString moved;
    QString reason;
    d_->opened = d_->call(
        [&, impl = d_.get()] { return impl->openOrMoveAside(path, &moved, &reason, lockWaitMs); });
    if (movedTo != nullptr) {
        *movedTo = moved;
    }
    if (why != nullptr) {
        *why = reason;
    }
    if (d_->opened) {
        d_->save.start();
    }
    return d_->opened;
}

bool Journal::isOpen() const {
    return d_->opened;
}

Journal::OpenFault Journal::openFault() const {
    return d_->call([impl = d_.get()] { return impl->fault; });
}

void Journal::openReadOnly() {
    d_->call([impl = d_.get()] { impl->readOnly = true; });
}

bool Journal::heldByAnother() const {
    return d_->call([impl = d_.get()] { return impl->locked; });
}

bool Journal::syncsEveryCommit() const {
    return isOpen() && d_->call([impl = d_.get()] {
        QSqlQuery q(impl->db);
        return q.exec(QStringLiteral("PRAGMA synchronous")) && q.next() && q.value(0).toInt() >= 2;
    });
}

void Journal::follow(model::RaceModel& race) {
    connect(&race, &model::RaceModel::changed, this, [this](const model::Change& c) { record(c); });
    connect(&race, &model::RaceModel::reportHeard, this,
            [this](const model::Change& c) { record(c); });
}

void Journal::record(const model::Change& c) {
    if (!c.isOperation()) {
        return;
    }
    // What the operator sets up while idle reaches the journal with the next Start, which
    // carries the whole set-up.
    if (!d_->recording && c.op != model::Op::Started) {
        return;
    }
    d_->recording = c.op != model::Op::Stopped;
    // Only a car's last message and last report matter: a chatty car adds one write a second
    // at most.
    if (c.op == model::Op::MessageReceived || c.op == model::Op::ReportHeard) {
        d_->queue.removeIf(
            [&c](const model::Change& q) { return q.op == c.op && q.slot == c.slot; });
    }
    d_->queue.append(c);
    // A car is sent its record right after this returns: the lap should be on disk first, but
    // no reply waits longer than kWriteWaitMs for it. While writes fail, the retry timer alone
    // tries.
    if (!d_->failing && (c.op == model::Op::Started || c.op == model::Op::LapRecorded ||
                         c.op == model::Op::Stopped)) {
        commitWithin(kWriteWaitMs);
        return;
    }
    if (!d_->group.isActive()) {
        d_->group.start();
    }
}

void Journal::send() {
    if (!isOpen() || d_->inFlight || d_->queue.isEmpty()) {
        return;
    }
    auto outcome = std::make_shared<std::promise<Outcome>>();
    d_->inFlight = Impl::InFlight{d_->queue, outcome->get_future()};
    d_->queue.clear();
    // The journal outlives every task on its thread: its destructor ends the thread first.
    QMetaObject::invokeMethod(d_->worker,
                              [impl = d_.get(), batch = d_->inFlight->batch, outcome, self = this] {
                                  Outcome o;
                                  o.ok = impl->commit(batch, &o.why);
                                  outcome->set_value(o);
                                  // The console hears of it at once, also when nobody waits for
                                  // this batch.
                                  QMetaObject::invokeMethod(self, [self] { self->collect(); });
                              });
}

void Journal::collect() {
    if (!d_->inFlight ||
        d_->inFlight->outcome.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return;
    }
    const Outcome o = d_->inFlight->outcome.get();
    QList<model::Change> batch = std::move(d_->inFlight->batch);
    d_->inFlight.reset();
    if (o.ok) {
        if (d_->failing) {
            qCInfo(lcJournal) << "journal written again";
        }
        d_->failing = false;
        Q_EMIT written();
        return;
    }
    // Kept in order, ahead of what came since; retried until the disk takes it again.
    d_->queue = batch + d_->queue;
    if (!d_->group.isActive()) {
        d_->group.start();
    }
    // Told and logged once: a lock held for an hour must not flood the log.
    if (!d_->failing) {
        d_->failing = true;
        qCWarning(lcJournal) << "journal write failed:" << o.why;
        Q_EMIT writeFailed(o.why);
    }
}

bool Journal::commitWithin(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    bool sent = false;
    for (;;) {
        if (d_->inFlight) {
            if (d_->inFlight->outcome.wait_until(deadline) != std::future_status::ready) {
                return false;
            }
            collect();
            continue;
        }
        if (d_->queue.isEmpty() || !isOpen()) {
            return d_->queue.isEmpty();
        }
        if (sent) {
            return false;  // the disk refused what this call sent
        }
        send();
        sent = true;
    }
}

bool Journal::flush() {
    return isOpen() && commitWithin(kFlushWaitMs);
}

qsizetype Journal::waiting() const {
    return d_->queue.size() + (d_->inFlight ? d_->inFlight->batch.size() : 0);
}

void Journal::limitSize(qint64 bytes) {
    d_->call([impl = d_.get(), bytes] {
        int pageBytes = 4096;  // SQLite's default, for a file not open yet
        if (impl->db.isOpen()) {
            QSqlQuery pageSize(impl->db);
            if (!pageSize.exec(QStringLiteral("PRAGMA page_size")) || !pageSize.next()) {
                return;
            }
            pageBytes = std::max(1, pageSize.value(0).toInt());
        }
        impl->maxPages = std::max<qint64>(1, bytes / pageBytes);
        if (impl->db.isOpen()) {
            impl->exec(QStringLiteral("PRAGMA max_page_count = %1").arg(impl->maxPages));
        }
    });
}

void Journal::prune(int days, qint64 nowMs) {
    if (days <= 0 || !isOpen()) {
        return;
    }
    d_->call([impl = d_.get(), days, nowMs] { impl->prune(days, nowMs); });
}

QList<model::Change> Journal::unfinishedRace() const {
    if (!isOpen()) {
        return {};
    }
    return d_->call([impl = d_.get()] { return impl->unfinishedRace(); });
}

void Journal::abandonUnfinished() {
    if (!isOpen()) {
        return;
    }
    d_->call([impl = d_.get()] {
        QString why;
        if (const qint64 id = impl->unfinished()) {
            impl->setState(id, QStringLiteral("abandoned"), &why);
        }
    });
}

void Journal::resumeUnfinished() {
    if (!isOpen()) {
        return;
    }
    d_->recording = d_->call([impl = d_.get()] {
        impl->race = impl->unfinished();
        return impl->race != 0;
    });
}

}  // namespace kaltero::journal
