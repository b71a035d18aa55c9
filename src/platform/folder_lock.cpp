#include "platform/folder_lock.h"

#include <QFile>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace kaltero::platform {

namespace {

// The folder takes a new file of one page, the least the journal writes: a medium with less
// room is full for the console. The file goes again at once.
bool takesWrites(const QString& lockFile, QString* why) {
    QTemporaryFile probe(lockFile + QStringLiteral(".XXXXXX"));
    const QByteArray page(4096, '\0');
    if (probe.open() && probe.write(page) == page.size() && probe.flush()) {
        return true;
    }
    *why = probe.errorString();
    return false;
}

}  // namespace

FolderLock::~FolderLock() {
    release();
}

#ifdef Q_OS_WIN

void FolderLock::release() {
    if (handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle_));  // the system lets the lock go with it
        handle_ = nullptr;
    }
}

FolderLock::Claim FolderLock::claim(const QString& lockFile) {
    release();
    error_.clear();
    const auto path = reinterpret_cast<const wchar_t*>(lockFile.utf16());
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool writable = h != INVALID_HANDLE_VALUE;
    if (!writable) {
        error_ = QStringLiteral("Windows error %1").arg(GetLastError());
        h = CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    }
    if (h != INVALID_HANDLE_VALUE) {
        OVERLAPPED at{};
        if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) &&
            GetLastError() == ERROR_LOCK_VIOLATION) {
            CloseHandle(h);
            return Claim::HeldByAnother;
        }
        handle_ = h;
    }
    if (!writable || !takesWrites(lockFile, &error_)) {
        return Claim::NotWritable;
    }
    return Claim::Held;
}

#else

void FolderLock::release() {
    if (fd_ >= 0) {
        ::close(fd_);  // the lock goes with the last descriptor of its open file
        fd_ = -1;
    }
}

FolderLock::Claim FolderLock::claim(const QString& lockFile) {
    release();
    error_.clear();
    const QByteArray path = QFile::encodeName(lockFile);
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    const bool writable = fd >= 0;
    if (!writable) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        // A read-only medium: the lock of a file left there still tells a console holding it.
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (fd >= 0) {
        int locked = 0;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            return Claim::HeldByAnother;
        }
        fd_ = fd;
    }
    if (!writable || !takesWrites(lockFile, &error_)) {
        return Claim::NotWritable;
    }
    return Claim::Held;
}

#endif

}  // namespace kaltero::platform
