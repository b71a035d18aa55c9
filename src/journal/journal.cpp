#include "journal/journal.h"

#include "journal/journal_schema.h"
#include "model/race_model.h"

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

namespace kaltero::journal {

namespace {

Q_LOGGING_CATEGORY(lcJournal, "kaltero.journal", QtInfoMsg)

constexpr int kGroupMs = 1000;

QString opKey(model::Op op) {
    return model::opName(op);
}

std::optional<model::Op> opFromKey(const QString& key) {
    for (int i = 0; i <= int(model::Op::ClockUpdated); ++i) {
        if (model::opName(model::Op(i)) == key) {
            return model::Op(i);
        }
    }
    return std::nullopt;
}

}  // namespace

struct Journal::Impl {
    QString connection = QUuid::createUuid().toString();
    QSqlDatabase db;
    qint64 race = 0;             // the race being recorded, 0 while idle
    QList<model::Change> queue;  // waiting for a commit, in order
    bool failing = false;
    bool locked = false;
    QTimer group;
    // Rows in the write-ahead log not yet written back to the main file.
    int unsavedRows = 0;
    QElapsedTimer sinceSaved;
    QTimer save;

    ~Impl() {
        if (db.isValid()) {
            db.close();
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);
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

    bool openAt(const QString& path, QString* why) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        // A lock another program holds makes a write fail after this wait, never hang timing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kWriteWaitMs));
        lastErrorCode.clear();
        if (!db.open()) {
            *why = db.lastError().text();
            lastErrorCode = db.lastError().nativeErrorCode();
            return false;
        }
        if (!exec(QStringLiteral("PRAGMA journal_mode = WAL"), why) ||
            !exec(QStringLiteral("PRAGMA synchronous = FULL"), why)) {
            return false;
        }
        if (!migrate(db, why)) {
            QSqlQuery probe(db);
            probe.exec(QStringLiteral("BEGIN IMMEDIATE"));
            lastErrorCode = probe.lastError().nativeErrorCode();
            exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        return true;
    }

    // SQLITE_BUSY or SQLITE_LOCKED: another connection holds the file, it is not damaged.
    bool lockedOut() const { return lastErrorCode == u"5" || lastErrorCode == u"6"; }

    void close() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection);
    }

    // Writes the queue in one transaction; a Start opens a race, a Stop closes it.
    bool commit(QString* why) {
        if (queue.isEmpty()) {
            return true;
        }
        if (!exec(QStringLiteral("BEGIN IMMEDIATE"), why)) {
            return false;
        }
        qint64 current = race;
        bool stopped = false;
        for (const model::Change& c : queue) {
            if (c.op == model::Op::Started && !insertRace(c, &current, why)) {
                exec(QStringLiteral("ROLLBACK"));
                return false;
            }
            if (current == 0) {
                continue;  // the race was stopped in this queue: idle changes after it
            }
            const bool ok = c.op == model::Op::MessageReceived ? keepMessage(current, c, why)
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
        unsavedRows += int(queue.size());
        queue.clear();
        if (stopped) {
            writeBack(true);
        } else if (unsavedRows >= kSaveRows || sinceSaved.elapsed() >= kSaveMs) {
            // After the reply this commit may precede: the write-back never delays a car.
            save.start(0);
        }
        return true;
    }

    // Writes the log back into the main file. At a Stop the log is also emptied; while timing a
    // passive write-back never waits for a reader.
    void writeBack(bool truncate) {
        if (unsavedRows == 0 && !truncate) {
            return;
        }
        if (exec(truncate ? QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")
                          : QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"))) {
            unsavedRows = 0;
            sinceSaved.start();
        }
    }
    static constexpr int kSaveRows = 300;
    static constexpr int kSaveMs = 60'000;

    bool insertRace(const model::Change& c, qint64* id, QString* why) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "INSERT INTO races (started, started_ms, state) VALUES (?, ?, 'running')"));
        q.addBindValue(c.detail.isNull() ? QStringLiteral("") : c.detail);
        q.addBindValue(c.args.value(QStringLiteral("startMs")));
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
        q.addBindValue(QString::fromUtf8(
            QJsonDocument(QJsonObject::fromVariantMap(c.args)).toJson(QJsonDocument::Compact)));
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
        return true;
    }

    // Only a car's last message matters for the race: one row per car, replaced.
    bool keepMessage(qint64 raceId, const model::Change& c, QString* why) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral(
            "INSERT OR REPLACE INTO last_messages (race, slot, message) VALUES (?, ?, ?)"));
        q.addBindValue(raceId);
        q.addBindValue(c.slot);
        q.addBindValue(c.detail.isNull() ? QStringLiteral("") : c.detail);
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
};

Journal::Journal(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>()) {
    d_->group.setInterval(kGroupMs);
    d_->group.setSingleShot(true);
    connect(&d_->group, &QTimer::timeout, this, [this] { flush(); });
    // A race whose last rows came a while ago still reaches the main file within a minute.
    connect(&d_->save, &QTimer::timeout, this, [this] {
        d_->save.start(Impl::kSaveMs);
        if (isOpen()) {
            d_->writeBack(false);
        }
    });
    d_->sinceSaved.start();
}

Journal::~Journal() {
    flush();
}

bool Journal::open(const QString& path, QString* movedTo, QString* why, int lockWaitMs) {
    QString reason;
    QElapsedTimer waited;
    waited.start();
    d_->locked = false;
    for (;;) {
        if (d_->openAt(path, &reason)) {
            d_->save.start(Impl::kSaveMs);
            return true;
        }
        d_->close();
        if (!d_->lockedOut()) {
            break;
        }
        // Another program holds the file: a healthy journal, never moved aside.
        if (waited.elapsed() >= lockWaitMs) {
            d_->locked = true;
            if (why != nullptr) {
                *why = reason;
            }
            return false;
        }
        QThread::msleep(50);
    }
    // Never deleted: the operator or a developer may still get a race out of it.
    const QString aside = path + u".damaged-" +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    qCWarning(lcJournal) << "journal" << path << "cannot be used:" << reason << "- moved to"
                         << aside;
    if (!QFileInfo::exists(path) || !QFile::rename(path, aside)) {
        if (why != nullptr) {
            *why = reason;
        }
        return false;
    }
    for (const char* side : {"-wal", "-shm"}) {
        QFile::rename(path + QString::fromLatin1(side), aside + QString::fromLatin1(side));
    }
    if (movedTo != nullptr) {
        *movedTo = aside;
    }
    if (!d_->openAt(path, &reason)) {
        d_->close();
        if (why != nullptr) {
            *why = reason;
        }
        return false;
    }
    d_->save.start(Impl::kSaveMs);
    return true;
}

bool Journal::isOpen() const {
    return d_->db.isValid() && d_->db.isOpen();
}

bool Journal::heldByAnother() const {
    return d_->locked;
}

bool Journal::syncsEveryCommit() const {
    QSqlQuery q(d_->db);
    return isOpen() && q.exec(QStringLiteral("PRAGMA synchronous")) && q.next() &&
           q.value(0).toInt() >= 2;
}

void Journal::follow(model::RaceModel& race) {
    connect(&race, &model::RaceModel::changed, this, [this](const model::Change& c) { record(c); });
}

void Journal::record(const model::Change& c) {
    if (!c.isOperation()) {
        return;
    }
    const bool idle = d_->race == 0 &&
                      !std::any_of(d_->queue.begin(), d_->queue.end(), [](const model::Change& q) {
                          return q.op == model::Op::Started;
                      });
    // What the operator sets up while idle reaches the journal with the next Start, which
    // carries the whole set-up.
    if (idle && c.op != model::Op::Started) {
        return;
    }
    // Only a car's last message matters: a chatty car adds one write a second at most.
    if (c.op == model::Op::MessageReceived) {
        d_->queue.removeIf([&c](const model::Change& q) {
            return q.op == model::Op::MessageReceived && q.slot == c.slot;
        });
    }
    d_->queue.append(c);
    // A car is sent its record right after this returns: the lap must be on disk first. While
    // writes fail, the retry timer alone tries: no reply waits for a lock that is still held.
    if (!d_->failing && (c.op == model::Op::Started || c.op == model::Op::LapRecorded ||
                         c.op == model::Op::Stopped)) {
        flush();
        return;
    }
    if (!d_->group.isActive()) {
        d_->group.start();
    }
}

bool Journal::flush() {
    if (!isOpen()) {
        return false;
    }
    QString why;
    if (d_->commit(&why)) {
        if (d_->failing) {
            qCInfo(lcJournal) << "journal written again";
        }
        d_->failing = false;
        return true;
    }
    // Told and logged once: a lock held for an hour must not flood the log.
    if (!d_->failing) {
        d_->failing = true;
        qCWarning(lcJournal) << "journal write failed:" << why;
        Q_EMIT writeFailed(why);
    }
    // Retried until the disk takes it again; the operations wait in memory meanwhile.
    if (!d_->group.isActive()) {
        d_->group.start();
    }
    return false;
}

qsizetype Journal::waiting() const {
    return d_->queue.size();
}

void Journal::limitSize(qint64 bytes) {
    QSqlQuery pageSize(d_->db);
    if (!pageSize.exec(QStringLiteral("PRAGMA page_size")) || !pageSize.next()) {
        return;
    }
    const qint64 pages = std::max<qint64>(1, bytes / std::max(1, pageSize.value(0).toInt()));
    d_->exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
}

void Journal::prune(int days, qint64 nowMs) {
    if (days <= 0 || !isOpen()) {
        return;
    }
    const QString old = QStringLiteral(
                            "FROM races WHERE state != 'running' AND (started_ms IS NULL OR "
                            "started_ms < %1)")
                            .arg(nowMs - qint64(days) * 24 * 3600 * 1000);
    QSqlQuery count(d_->db);
    if (!count.exec(u"SELECT COUNT(*) " + old) || !count.next() || count.value(0).toInt() == 0) {
        return;
    }
    const QString ids = u"(SELECT id " + old + u')';
    if (!d_->exec(QStringLiteral("BEGIN IMMEDIATE")) ||
        !d_->exec(u"DELETE FROM operations WHERE race IN " + ids) ||
        !d_->exec(u"DELETE FROM last_messages WHERE race IN " + ids) ||
        !d_->exec(u"DELETE " + old) || !d_->exec(QStringLiteral("COMMIT"))) {
        d_->exec(QStringLiteral("ROLLBACK"));
        return;
    }
    // Gives the space back: a season of races must not grow the file for ever.
    d_->exec(QStringLiteral("VACUUM"));
    d_->writeBack(true);
}

QList<model::Change> Journal::unfinishedRace() const {
    QList<model::Change> ops;
    const qint64 id = isOpen() ? d_->unfinished() : 0;
    if (id == 0) {
        return ops;
    }
    QSqlQuery q(d_->db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT op, slot, lap, detail, args FROM operations WHERE race = ? ORDER BY id"));
    q.addBindValue(id);
    if (!q.exec()) {
        return ops;
    }
    while (q.next()) {
        const auto op = opFromKey(q.value(0).toString());
        if (!op) {
            continue;
        }
        model::Change c;
        c.op = *op;
        c.slot = q.value(1).toInt();
        c.lap = q.value(2).toInt();
        c.detail = q.value(3).toString();
        c.args = QJsonDocument::fromJson(q.value(4).toString().toUtf8()).object().toVariantMap();
        ops.append(c);
    }
    QSqlQuery messages(d_->db);
    messages.prepare(
        QStringLiteral("SELECT slot, message FROM last_messages WHERE race = ? ORDER BY slot"));
    messages.addBindValue(id);
    if (messages.exec()) {
        while (messages.next()) {
            const QString text = messages.value(1).toString();
            ops.append({model::Op::MessageReceived,
                        messages.value(0).toInt(),
                        0,
                        text,
                        {{QStringLiteral("message"), text}}});
        }
    }
    return ops;
}

void Journal::abandonUnfinished() {
    QString why;
    if (const qint64 id = isOpen() ? d_->unfinished() : 0) {
        d_->setState(id, QStringLiteral("abandoned"), &why);
    }
}

void Journal::resumeUnfinished() {
    d_->race = isOpen() ? d_->unfinished() : 0;
}

}  // namespace kaltero::journal
