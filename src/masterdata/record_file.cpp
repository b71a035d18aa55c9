#include "record_file.h"

#include "field_rules.h"
#include "platform/cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kaltero::masterdata {

std::optional<QList<QStringList>> readRecordFields(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        // The console starts with empty master data; if even creating the file fails the
        // lists simply stay empty and a later save reports the problem.
        QFile created(path);
        if (created.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            created.close();
        }
        return QList<QStringList>{};
    }
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QString text = platform::decodeCp932(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }

    QList<QStringList> records;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') {
            ++end;
        }
        const QStringView line = QStringView(text).sliced(start, end - start);
        if (!line.trimmed().isEmpty()) {
            records.append(splitFields(line));
        }
        start = end;
        if (start < text.size() && text[start] == u'\r') {
            ++start;
        }
        if (start < text.size() && text[start] == u'\n') {
            ++start;
        }
    }
    return records;
}

bool writeRecordLines(const QString& path, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += platform::encodeCp932(line);
        bytes += "\r\n";
    }

    const QFileInfo target(path);
    // Renaming over a write-protected file would succeed on some systems; the operator who
    // protected it does not expect it to change.
    if (target.isDir() || (target.exists() && !target.isWritable())) {
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

}  // namespace kaltero::masterdata
