#include "journal/journal_schema.h"

#include <QSqlError>
#include <QSqlQuery>

namespace kaltero::journal {

namespace {

bool exec(QSqlDatabase& db, const QString& sql, QString* why) {
    QSqlQuery q(db);
    if (q.exec(sql)) {
        return true;
    }
    *why = q.lastError().text();
    return false;
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
};

}  // namespace

bool migrate(QSqlDatabase& db, QString* why) {
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next() ||
        check.value(0).toString() != u"ok") {
        *why = check.lastError().isValid() ? check.lastError().text()
                                           : QStringLiteral("the file is damaged");
        return false;
    }
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        *why = version.lastError().text();
        return false;
    }
    const int found = version.value(0).toInt();
    if (found > kSchemaVersion) {
        *why = QStringLiteral("written by a newer console (schema %1)").arg(found);
        return false;
    }
    for (int v = found; v < kSchemaVersion; ++v) {
        if (!db.transaction()) {
            *why = db.lastError().text();
            return false;
        }
        for (const QString& statement : kSteps[v].split(u';', Qt::SkipEmptyParts)) {
            if (!exec(db, statement, why)) {
                db.rollback();
                return false;
            }
        }
        if (!exec(db, QStringLiteral("PRAGMA user_version = %1").arg(v + 1), why) || !db.commit()) {
            db.rollback();
            return false;
        }
    }
    return true;
}

}  // namespace kaltero::journal
