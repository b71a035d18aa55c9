#include "relay/journal_reader.h"

#include "journal/journal.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace kaltero::relay {

namespace {

QSqlQuery prepared(const QString& connection, const QString& sql) {
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    return q;
}

}  // namespace

JournalReader::JournalReader()
    : connection_(QStringLiteral("relay-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

JournalReader::~JournalReader() {
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool JournalReader::open(const QString& path, QString* why) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=50"));
    if (!db.open()) {
        *why = db.lastError().text();
        return false;
    }
    QSqlQuery last = prepared(
        connection_, QStringLiteral("SELECT id, state FROM races ORDER BY id DESC LIMIT 1"));
    if (!last.exec()) {
        *why = last.lastError().text();
        return false;
    }
    if (last.next()) {
        // A race being timed is read from its start; one that is over is not read at all.
        (last.value(1).toString() == u"running" ? race_ : before_) = last.value(0).toLongLong();
    }
    return true;
}

qint64 JournalReader::firstRaceAfter(qint64 id) const {
    QSqlQuery q = prepared(connection_, QStringLiteral("SELECT MIN(id) FROM races WHERE id > ?"));
    q.addBindValue(id);
    return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}

QList<OpsMessage> JournalReader::next(int most) {
    QList<OpsMessage> read;
    if (race_ == 0 && (race_ = firstRaceAfter(before_)) == 0) {
        return read;
    }
    // Looked for first: a race begun by then had every operation of this one committed before.
    const qint64 newer = firstRaceAfter(race_);
    QSqlQuery q = prepared(connection_,
                           QStringLiteral("SELECT id, op, slot, lap, detail, args FROM operations"
                                          " WHERE race = ? AND id > ? ORDER BY id LIMIT ?"));
    q.addBindValue(race_);
    q.addBindValue(lastRow_);
    q.addBindValue(most);
    if (!q.exec()) {
        return read;
    }
    bool any = false;
    while (q.next()) {
        any = true;
        lastRow_ = q.value(0).toLongLong();
        // Every row counts, so seq stays the operation's place in the race.
        ++seq_;
        if (const auto change = journal::operationOfRow(q, 1)) {
            read.append({race_, seq_, *change});
        }
    }
    if (!any && newer != 0) {
        race_ = newer;
        lastRow_ = 0;
        seq_ = 0;
        return next(most);
    }
    return read;
}

qint64 JournalReader::unread() const {
    // Two counts the race index answers, rather than one that reads every operation kept.
    QSqlQuery rest = prepared(
        connection_, QStringLiteral("SELECT COUNT(*) FROM operations WHERE race = ? AND id > ?"));
    rest.addBindValue(race_);
    rest.addBindValue(lastRow_);
    QSqlQuery later =
        prepared(connection_, QStringLiteral("SELECT COUNT(*) FROM operations WHERE race > ?"));
    later.addBindValue(std::max(race_, before_));
    qint64 count = 0;
    for (QSqlQuery* q : {&rest, &later}) {
        if (q->exec() && q->next()) {
            count += q->value(0).toLongLong();
        }
    }
    return count;
}

QList<HeardMessage> JournalReader::heard() const {
    QList<HeardMessage> heard;
    QSqlQuery q =
        prepared(connection_, QStringLiteral("SELECT slot, message, heard_tick FROM"
                                             " last_messages WHERE race = ? ORDER BY slot"));
    q.addBindValue(race_);
    if (race_ == 0 || !q.exec()) {
        return heard;
    }
    while (q.next()) {
        HeardMessage m{race_, q.value(0).toInt(), q.value(1).toString(), std::nullopt};
        if (!q.isNull(2)) {
            m.tick = q.value(2).toInt();
        }
        heard.append(m);
    }
    return heard;
}

}  // namespace kaltero::relay
