#include "platform/linux/LockFileInstanceLock.h"

#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// With the process's effective rights: root without its override capabilities is refused too.
bool CanAccess(const QString& path, int mode) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), mode, AT_EACCESS) == 0;
}

} // namespace

LockFileInstanceLock::LockFileInstanceLock(const QString& path) : m_path(path), m_lock(path) {
    // The meter runs for days: a live owner's lock must never be called stale by age.
    m_lock.setStaleLockTime(0);
}

bool LockFileInstanceLock::ownerRuns() const {
    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_lock.getLockInfo(&pid, &host, &application))
        return false;
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

QString LockFileInstanceLock::folderProblem() const {
    const QFileInfo folder(QFileInfo(m_path).absolutePath());
    if (!folder.isDir())
        return QStringLiteral("文件夹不存在，也无法建立");
    if (!CanAccess(folder.absoluteFilePath(), W_OK))
        return QStringLiteral("没有写入该文件夹的权限");
    return QStringLiteral("无法在该文件夹中建立锁文件");
}

SingleInstanceLock::Result LockFileInstanceLock::acquire() {
    m_failure.clear();
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return Result::Acquired;
    if (m_lock.error() == QLockFile::LockFailedError) {
        if (ownerRuns())
            return Result::HeldByAnotherCopy;
        // The lock file is there but was not taken over: it cannot be read, or not removed.
        if (QFileInfo::exists(m_path) && !CanAccess(m_path, R_OK)) {
            m_failure = QStringLiteral("锁文件 %1 无法读取").arg(m_path);
            return Result::Failed;
        }
        // A copy that is starting has made the file but not yet written its owner.
        if (CanAccess(QFileInfo(m_path).absolutePath(), W_OK))
            return Result::HeldByAnotherCopy;
    }
    m_failure = folderProblem();
    return Result::Failed;
}
