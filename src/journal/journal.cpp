#include "journal/journal.h"

#include "journal/journal_schema.h"
#include "model/race_model.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
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
    qint64 race = 0;  // the race being recorded, 0 while idle
    bool recording = false;
    QList<model::Change> queue;  // waiting for a commit, in order
    bool failing = false;
    QTimer group;

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
        return false;
    }

    bool openAt(const QString& path, QString* why) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            *why = db.lastError().text();
            return false;
        }
        return exec(QStringLiteral("PRAGMA journal_mode = WAL"), why) &&
               exec(QStringLiteral("PRAGMA synchronous = FULL"), why) && migrate(db, why);
    }

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
        if (!db.transaction()) {
            *why = db.lastError().text();
            return false;
        }
        qint64 current = race;
        for (const model::Change& c : queue) {
            if (c.op == model::Op::Started && !insertRace(c, &current, why)) {
                db.rollback();
                return false;
            }
            if (current == 0) {
                continue;  // idle operations before any race: kept for the next Start
            }
            if (!insertOperation(current, c, why)) {
                db.rollback();
                return false;
            }
            if (c.op == model::Op::Stopped) {
                if (!setState(current, QStringLiteral("stopped"), why)) {
                    db.rollback();
                    return false;
                }
                current = 0;
            }
        }
        if (!db.commit()) {
            *why = db.lastError().text();
            db.rollback();
            return false;
        }
        race = current;
        queue.clear();
        return true;
    }

    bool insertRace(const model::Change& c, qint64* id, QString* why) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO races (started, state) VALUES (?, 'running')"));
        q.addBindValue(c.detail.isNull() ? QStringLiteral("") : c.detail);
        if (!q.exec()) {
            *why = q.lastError().text();
            return false;
        }
        *id = q.lastInsertId().toLongLong();
        // What the operator set up while idle belongs to the race it starts.
        for (const model::Change& idle : idleBefore) {
            if (!insertOperation(*id, idle, why)) {
                return false;
            }
        }
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

    // Operations made while idle since the last Stop: the set-up of the next race.
    QList<model::Change> idleBefore;
};

Journal::Journal(QObject* parent) : QObject(parent), d_(std::make_unique<Impl>()) {
    d_->group.setInterval(kGroupMs);
    d_->group.setSingleShot(true);
    connect(&d_->group, &QTimer::timeout, this, [this] { flush(); });
}

Journal::~Journal() {
    flush();
}

bool Journal::open(const QString& path, QString* movedTo, QString* why) {
    QString reason;
    if (d_->openAt(path, &reason)) {
        return true;
    }
    d_->close();
    // Never deleted: the operator or a developer may still get a race out of it.
    const QString aside = path + u".damaged-" +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    qCWarning(lcJournal) << "journal" << path << "cannot be used:" << reason << "- moved to"
                         << aside;
    if (!QFile::rename(path, aside)) {
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
    return true;
}

bool Journal::isOpen() const {
    return d_->db.isValid() && d_->db.isOpen();
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
    if (idle && c.op != model::Op::Started) {
        d_->idleBefore.append(c);
        return;
    }
    // Only a car's last message matters: a chatty car adds one row a second at most.
    if (c.op == model::Op::MessageReceived) {
        d_->queue.removeIf([&c](const model::Change& q) {
            return q.op == model::Op::MessageReceived && q.slot == c.slot;
        });
    }
    d_->queue.append(c);
    if (c.op == model::Op::Started) {
        // The idle set-up goes into the race row's transaction; then starts afresh.
        flush();
        d_->idleBefore.clear();
        return;
    }
    // A car is sent its record right after this returns: the lap must be on disk first.
    if (c.op == model::Op::LapRecorded || c.op == model::Op::Stopped) {
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
        d_->failing = false;
        return true;
    }
    if (!d_->failing) {
        d_->failing = true;
        Q_EMIT writeFailed(why);
    }
    qCWarning(lcJournal) << "journal write failed:" << why;
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

QList<model::Change> Journal::unfinishedRace() const {
    QList<model::Change> ops;
    const qint64 id = isOpen() ? d_->unfinished() : 0;
    if (id == 0) {
        return ops;
    }
    QSqlQuery q(d_->db);
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
    d_->idleBefore.clear();
}

}  // namespace kaltero::journal
