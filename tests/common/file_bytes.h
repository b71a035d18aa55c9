#pragma once

#include <QByteArray>
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

}  // namespace kaltero::testing
