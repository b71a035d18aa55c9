#include "journal/journal_schema.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace kaltero::journal {

namespace {

bool exec(QSqlDatabase& db, const QString& sql, QString* why, QString* code) {
    QSqlQuery q(db);
    if (q.exec(sql)) {
        return true;
    }
    *why = q.lastError().text();
    *code = q.lastError().nativeErrorCode();
    return false;
}

// The tables each version has: a database without them is no journal of ours.
const QList<QStringList> kTables = {
    {},
    {QStringLiteral("races"), QStringLiteral("operations")},
    {QStringLiteral("races"), QStringLiteral("operations"), QStringLiteral("last_messages")},
    {QStringLiteral("races"), QStringLiteral("operations"), QStringLiteral("last_messages")},
};

// Failed when SQLite could not read the file (a lock, an I/O error); NotJournal when it says
// the file is none or is damaged.
Schema readFailure(const QSqlQuery& q, QString* why, QString* code) {
    *why = q.lastError().text();
    *code = q.lastError().nativeErrorCode();
    const int primary = code->toInt() & 0xff;
    return primary == 11 || primary == 26 ? Schema::NotJournal : Schema::Failed;
}

// Each step takes the schema from its index to the next version.
const QStringList kSteps = {
    // 0 -> 1: races and their operations in order.
    QStringLiteral("CREATE TABLE races ("
                   " id INTEGER PRIMARY KEY,"
                   " started TEXT NOT NULL,"
                   " state TEXT NOT NULL CHECK (state IN ('running', 'stopped', 'abandoned')));"
                   "CREATE TABLE operations ("
                   " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                   " race INTEGER NOT NULL REFERENCES races(id),"
                   " op TEXT NOT NULL,"
                   " slot INTEGER NOT NULL,"
                   " lap INTEGER NOT NULL,"
                   " detail TEXT NOT NULL,"
                   " args TEXT NOT NULL);"
                   "CREATE INDEX operations_of_race ON operations(race, id);"),
    // 1 -> 2: the start as UTC milliseconds (the local text of version 1 read in this machine's
    // time zone); each car's last message kept once, not as an operation per change.
    QStringLiteral("ALTER TABLE races ADD COLUMN started_ms INTEGER;"
                   "UPDATE races SET started_ms ="
                   " CAST(strftime('%s', started, 'utc') AS INTEGER) * 1000;"
                   "CREATE TABLE last_messages ("
                   " race INTEGER NOT NULL REFERENCES races(id),"
                   " slot INTEGER NOT NULL,"
                   " message TEXT NOT NULL,"
                   " PRIMARY KEY (race, slot));"),
    // 2 -> 3: each car's last report tick beside its last message.
    QStringLiteral("ALTER TABLE last_messages ADD COLUMN heard_tick INTEGER;"),
};

}  // namespace

Schema migrate(QSqlDatabase& db, QString* why, QString* code) {
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check"))) {
        return readFailure(check, why, code);
    }
    if (!check.next() || check.value(0).toString() != u"ok") {
        *why = QStringLiteral("the file is damaged");
        return Schema::NotJournal;
    }
    check.finish();
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        return readFailure(version, why, code);
    }
    const int found = version.value(0).toInt();
    version.finish();
    QSqlQuery tables(db);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
        return readFailure(tables, why, code);
    }
    QStringList present;
    while (tables.next()) {
        present << tables.value(0).toString();
    }
    tables.finish();
    const QStringList& ours = kTables[std::min<qsizetype>(found, kSchemaVersion)];
    const bool journal = found == 0 ? present.isEmpty()
                                    : std::all_of(ours.begin(), ours.end(), [&](const QString& t) {
                                          return present.contains(t);
                                      });
    if (!journal) {
        *why = QStringLiteral("not a journal (tables %1, version %2)")
                   .arg(present.join(QStringLiteral(", ")))
                   .arg(found);
        return Schema::NotJournal;
    }
    if (found > kSchemaVersion) {
        *why = QStringLiteral("written by a newer console (schema %1)").arg(found);
        return Schema::Newer;
    }
    for (int v = found; v < kSchemaVersion; ++v) {
        if (!db.transaction()) {
            *why = db.lastError().text();
            *code = db.lastError().nativeErrorCode();
            return Schema::Failed;
        }
        for (const QString& statement : kSteps[v].split(u';', Qt::SkipEmptyParts)) {
            if (!exec(db, statement, why, code)) {
                db.rollback();
                return Schema::Failed;
            }
        }
        if (!exec(db, QStringLiteral("PRAGMA user_version = %1").arg(v + 1), why, code) ||
            !db.commit()) {
            if (code->isEmpty()) {
                *why = db.lastError().text();
                *code = db.lastError().nativeErrorCode();
            }
            db.rollback();
            return Schema::Failed;
        }
    }
    return Schema::Current;
}

}  // namespace kaltero::journal
