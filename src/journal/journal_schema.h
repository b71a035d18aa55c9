#pragma once

#include <QSqlDatabase>
#include <QString>

namespace kaltero::journal {

// The journal's schema version, kept in PRAGMA user_version.
inline constexpr int kSchemaVersion = 3;

enum class Schema {
    Current,     // the journal, at the current version
    NotJournal,  // damaged, or a database of another program: no journal to keep in it
    Newer,       // a journal written by a newer console: never written by this one
    Failed,      // SQLite refused (a lock, a full or read-only medium): the file may be fine
};

// Brings an open database to the current schema; an empty database becomes a journal. On
// anything but Current, why says why and code holds SQLite's error code when it gave one.
Schema migrate(QSqlDatabase& db, QString* why, QString* code);

}  // namespace kaltero::journal
