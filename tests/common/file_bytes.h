#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace kaltero::testing {

// A whole file as bytes; "<unreadable>" when it cannot be read, so that a missing file is never
// taken for an empty one.
inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<unreadable>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The journal as a killed console leaves it: the database and its write-ahead log.
struct JournalFiles {
    QByteArray db;
    QByteArray wal;
    bool copyTo(const QDir& folder) const {
        return writeBytes(folder.filePath(QStringLiteral("Kaltero.db")), db) &&
               writeBytes(folder.filePath(QStringLiteral("Kaltero.db-wal")), wal);
    }
    static JournalFiles of(const QDir& folder) {
        return {readBytes(folder.filePath(QStringLiteral("Kaltero.db"))),
                readBytes(folder.filePath(QStringLiteral("Kaltero.db-wal")))};
    }
};

}  // namespace kaltero::testing
