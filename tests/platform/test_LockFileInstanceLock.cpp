#include "platform/linux/LockFileInstanceLock.h"
#include "support/PermissionsEnforced.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using Result = SingleInstanceLock::Result;

QString LockPath(const TempFolder& folder) {
    return folder.file(QStringLiteral("Dialtoll.lock"));
}

} // namespace

TEST(LockFileInstanceLock, OnlyALiveHolderMeansAnotherCopy) {
    TempFolder folder;
    LockFileInstanceLock first(LockPath(folder));
    ASSERT_EQ(first.acquire(), Result::Acquired);
    EXPECT_EQ(first.acquire(), Result::Acquired);

    LockFileInstanceLock second(LockPath(folder));
    EXPECT_EQ(second.acquire(), Result::HeldByAnotherCopy);
    EXPECT_TRUE(second.failure().isEmpty());
}

TEST(LockFileInstanceLock, LockOfACrashedCopyIsTakenOver) {
    TempFolder folder;
    {
        QFile stale(LockPath(folder));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        // No process has this id (above the kernel's pid_max).
        stale.write("4194305\nDialtoll\n\n");
    }
    LockFileInstanceLock lock(LockPath(folder));
    EXPECT_EQ(lock.acquire(), Result::Acquired);
}

// A folder where no lock can be made is a failure with a reason, never "another copy runs".
TEST(LockFileInstanceLock, FolderThatCannotHoldTheLockFails) {
    TempFolder folder;
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    struct Restore {
        QString path;
        ~Restore() {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    } restore{folder.path()};
    {
        // The suite may run as root, which would write into the folder regardless.
        const PermissionsEnforced enforced;
        ASSERT_TRUE(enforced.active()) << "cannot drop the permission override capabilities";
        LockFileInstanceLock lock(LockPath(folder));
        EXPECT_EQ(lock.acquire(), Result::Failed);
        EXPECT_EQ(lock.failure(), QStringLiteral("没有写入该文件夹的权限"));
    }
    EXPECT_FALSE(QFile::exists(LockPath(folder)));

    // A "folder" that is a regular file, for any user.
    QFile plain(folder.file("plain"));
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    LockFileInstanceLock lock(folder.file("plain/Dialtoll.lock"));
    EXPECT_EQ(lock.acquire(), Result::Failed);
    EXPECT_FALSE(lock.failure().isEmpty());
}
