#pragma once

#include <QSqlDatabase>
#include <QString>

namespace kaltero::journal {

// The journal's schema version, kept in PRAGMA user_version.
inline constexpr int kSchemaVersion = 2;

// Brings an open database to the current schema. False (with the reason) for a file that is
// not a journal of ours, is damaged, or was written by a newer console.
bool migrate(QSqlDatabase& db, QString* why);

}  // namespace kaltero::journal
