#pragma once

#include <QString>
#include <optional>

namespace kaltero::platform {

// Which file a path names: the same file keeps its identity through a rename, and a file put
// in its place (deleted and made again, a copy renamed over it) has another one.
struct FileIdentity {
    quint64 device = 0;
    quint64 file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// None when nothing is at path (or it cannot be looked at).
std::optional<FileIdentity> fileIdentity(const QString& path);

}  // namespace kaltero::platform
