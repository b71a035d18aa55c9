// folder_lock_holder LOCKFILE
//
// A second console, as far as the folder's lock goes: claims LOCKFILE, prints the claim (0 held,
// 1 held by another, 2 not writable) and keeps it until its standard input closes or it is
// killed.
#include "platform/folder_lock.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    kaltero::platform::FolderLock lock;
    const auto claim = lock.claim(QFile::decodeName(argv[1]));
    std::printf("%d\n", int(claim));
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
