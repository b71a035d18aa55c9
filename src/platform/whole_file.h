#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLoggingCategory>
#include <QString>
#include <optional>

namespace kaltero::platform {

// Every whole-file read and write of the settings, master and report files; off by default
// ("kaltero.files.debug=true" in QT_LOGGING_RULES traces each one: path, bytes, result).
Q_DECLARE_LOGGING_CATEGORY(lcFiles)

// A file's whole content. Empty optional when it exists but cannot be read (a folder, no
// permission, a read error); a missing file reads as empty and `exists` tells the two apart.
struct FileContent {
    QByteArray bytes;
    bool exists = false;
};
std::optional<FileContent> readWholeFile(const QString& path);

// Replaces the file with `bytes` in one piece: they are written to a temporary file beside it,
// which is then renamed over it, so that a crash or a full disk leaves the old file as it was.
// A file whose write permission is taken away is refused and never replaced, even for an
// administrator who could write it: the operator protected it for a reason. Returns false when
// the file was not written; `error`, when given, then says why.
// Who may read a file the write makes new (an existing file keeps its own mode): anyone the
// system lets (its default), or its owner alone, for a file that holds a secret such as the live
// page's key. On Windows the file's folder decides.
enum class NewFileAccess { Default, OwnerOnly };
bool writeWholeFile(const QString& path, QByteArrayView bytes, QString* error = nullptr,
                    NewFileAccess access = NewFileAccess::Default);

}  // namespace kaltero::platform
