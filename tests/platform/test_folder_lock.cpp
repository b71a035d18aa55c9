#include "platform/folder_lock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include <sched.h>
#include <sys/mount.h>

using namespace Qt::StringLiterals;
using kaltero::platform::FolderLock;
using Claim = FolderLock::Claim;

namespace {

enum class Medium { Disk, ReadOnly, Full };
// Who had the folder before: nobody, a console killed with its lock file left behind, a console
// still running in another process, or a second claim in this one.
enum class Before { Nobody, KilledConsole, RunningConsole, SecondClaim };

// A console in a process of its own holding the lock; killed, it leaves the file behind.
std::unique_ptr<QProcess> startHolder(const QString& lockFile) {
    auto holder = std::make_unique<QProcess>();
    holder->start(QStringLiteral(KALTERO_LOCK_HOLDER), {lockFile});
    if (!holder->waitForStarted() || !holder->waitForReadyRead()) {
        return nullptr;
    }
    if (holder->readAll().trimmed() != "0") {
        return nullptr;
    }
    return holder;
}

}  // namespace

Q_DECLARE_METATYPE(Medium)
Q_DECLARE_METATYPE(Before)

class TestFolderLock : public QObject {
    Q_OBJECT

    bool ownMounts_ = false;

private Q_SLOTS:
    void initTestCase() {
        // A small medium of our own, read-only or full, where the machine gives a mount
        // namespace (root in a plain one).
        ownMounts_ = unshare(CLONE_NEWNS) == 0 &&
                     mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }

    void claimIsTheLockNotTheFile_data() {
        QTest::addColumn<Medium>("medium");
        QTest::addColumn<Before>("before");
        QTest::addColumn<Claim>("claim");
        QTest::newRow("free folder") << Medium::Disk << Before::Nobody << Claim::Held;
        QTest::newRow("lock file of a killed console")
            << Medium::Disk << Before::KilledConsole << Claim::Held;
        QTest::newRow("console in another process")
            << Medium::Disk << Before::RunningConsole << Claim::HeldByAnother;
        QTest::newRow("second claim in this process")
            << Medium::Disk << Before::SecondClaim << Claim::HeldByAnother;
        QTest::newRow("read-only, no lock file")
            << Medium::ReadOnly << Before::Nobody << Claim::NotWritable;
        QTest::newRow("read-only, lock file of a killed console")
            << Medium::ReadOnly << Before::KilledConsole << Claim::NotWritable;
        QTest::newRow("read-only, console running")
            << Medium::ReadOnly << Before::RunningConsole << Claim::HeldByAnother;
        QTest::newRow("full, no lock file") << Medium::Full << Before::Nobody << Claim::NotWritable;
        QTest::newRow("full, lock file of a killed console")
            << Medium::Full << Before::KilledConsole << Claim::NotWritable;
        QTest::newRow("full, console running")
            << Medium::Full << Before::RunningConsole << Claim::HeldByAnother;
    }
    void claimIsTheLockNotTheFile() {
        QFETCH(Medium, medium);
        QFETCH(Before, before);
        QFETCH(Claim, claim);
        if (medium != Medium::Disk && !ownMounts_) {
            QSKIP("no mount namespace here for a read-only or full medium");
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.path();
        const auto unmount = qScopeGuard([&] {
            while (medium != Medium::Disk && umount2(qPrintable(folder), MNT_DETACH) == 0) {
            }
        });
        if (medium != Medium::Disk) {
            QVERIFY(mount("tmpfs", qPrintable(folder), "tmpfs", 0, "size=64k") == 0);
        }
        const QString lockFile = QDir(folder).filePath(u"Kaltero.db.lock"_s);

        std::unique_ptr<QProcess> holder;
        FolderLock first;
        const auto stopHolder = qScopeGuard([&] {
            if (holder) {
                holder->kill();
                holder->waitForFinished();
            }
        });
        switch (before) {
            case Before::Nobody:
                break;
            case Before::KilledConsole:
            case Before::RunningConsole:
                holder = startHolder(lockFile);
                QVERIFY(holder);
                if (before == Before::KilledConsole) {
                    holder->kill();  // SIGKILL: nothing of the console's own runs
                    QVERIFY(holder->waitForFinished());
                    holder.reset();
                }
                QVERIFY(QFile::exists(lockFile));
                break;
            case Before::SecondClaim:
                QCOMPARE(first.claim(lockFile), Claim::Held);
                break;
        }
        if (medium == Medium::ReadOnly) {
            // A read-only view of the medium, as a remount would give but for a console still
            // holding its lock file open for writing.
            QVERIFY(mount(qPrintable(folder), qPrintable(folder), nullptr, MS_BIND, nullptr) == 0);
            QVERIFY(mount("none", qPrintable(folder), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                          nullptr) == 0);
        } else if (medium == Medium::Full) {
            QFile filler(QDir(folder).filePath(u"filler"_s));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(1024, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }

        FolderLock lock;
        QCOMPARE(lock.claim(lockFile), claim);
        if (claim == Claim::NotWritable) {
            QVERIFY(!lock.error().isEmpty());
        }
    }

    // The lock goes with its holder: once the first console ends, the next one takes it.
    void lockGoesWithItsHolder() {
        QTemporaryDir dir;
        const QString lockFile = dir.filePath(u"Kaltero.db.lock"_s);
        {
            FolderLock first;
            QCOMPARE(first.claim(lockFile), Claim::Held);
            FolderLock second;
            QCOMPARE(second.claim(lockFile), Claim::HeldByAnother);
        }
        FolderLock next;
        QCOMPARE(next.claim(lockFile), Claim::Held);
    }
};

QTEST_GUILESS_MAIN(TestFolderLock)
#include "test_folder_lock.moc"
