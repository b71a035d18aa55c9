#include "whole_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kaltero::platform {

Q_LOGGING_CATEGORY(lcFiles, "kaltero.files", QtWarningMsg)

std::optional<FileContent> readWholeFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return FileContent{};
    }
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        qCDebug(lcFiles) << "not read" << path;
        return std::nullopt;
    }
    FileContent content{file.readAll(), true};
    if (file.error() != QFileDevice::NoError) {
        qCDebug(lcFiles) << "not read" << path << file.errorString();
        return std::nullopt;
    }
    qCDebug(lcFiles) << "read" << path << content.bytes.size() << "bytes";
    return content;
}

namespace {

// Why the file cannot take the new content; empty when it can.
QString refusal(const QString& path) {
    if (path.isEmpty()) {
        return QStringLiteral("ファイル名がありません。");
    }
    // Renaming over a write-protected file would succeed on some systems. The file's own marks
    // count, not only the user's rights: an administrator may write anywhere.
    const QFileInfo existing(path);
    constexpr auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (existing.exists() &&
        (!existing.isFile() || !existing.isWritable() || !(existing.permissions() & anyWrite))) {
        return QStringLiteral("書き込めないファイルです。");
    }
    return {};
}

QString replace(const QString& path, QByteArrayView bytes, NewFileAccess access) {
    if (QString why = refusal(path); !why.isEmpty()) {
        return why;
    }
    const bool fresh = !QFileInfo::exists(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    // Set on the temporary file before a byte is written, so that the secret is never readable
    // by others, not even for a moment; the rename keeps it. An existing file's mode is copied
    // to the temporary by QSaveFile itself.
    if (fresh && access == NewFileAccess::OwnerOnly &&
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return why;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}

}  // namespace

bool writeWholeFile(const QString& path, QByteArrayView bytes, QString* error,
                    NewFileAccess access) {
    const QString why = replace(path, bytes, access);
    if (why.isEmpty()) {
        qCDebug(lcFiles) << "wrote" << path << bytes.size() << "bytes";
        return true;
    }
    qCDebug(lcFiles) << "not written" << path << bytes.size() << "bytes:" << why;
    if (error) {
        *error = why;
    }
    return false;
}

}  // namespace kaltero::platform
