#pragma once

#include <QString>

namespace kaltero::platform {

// The claim of a program folder by one console: an advisory lock on a file in it, held for the
// whole run. The system lets the lock go with its process, however the process ends (killed, a
// crash, a power cut), so a lock file left behind claims nothing: only a running console holds
// the lock. The file is never deleted or replaced (a second console would lock another file of
// the same name) and its content means nothing to the claim.
class FolderLock {
public:
    enum class Claim {
        Held,           // this console holds the folder and can write in it
        HeldByAnother,  // a running console holds the lock
        NotWritable,    // no other console, but the folder takes no writes (read-only, full)
    };

    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock on `lockFile` without waiting. On a folder that takes no writes the lock
    // is still taken where the file exists, so that a second console there is told apart.
    // A medium that keeps no locks at all is taken as held: a console never refuses to start
    // for want of a lock.
    Claim claim(const QString& lockFile);
    // Why the folder takes no writes, as the system said it, after NotWritable.
    QString error() const { return error_; }

private:
    void release();

#ifdef Q_OS_WIN
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    QString error_;
};

}  // namespace kaltero::platform
