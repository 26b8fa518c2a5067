#include "platform/linux/LockFileInstanceLock.h"

LockFileInstanceLock::LockFileInstanceLock(const QString& path) : m_lock(path) {
    // The meter runs for days: a live owner's lock must never be called stale by age.
    m_lock.setStaleLockTime(0);
}

bool LockFileInstanceLock::tryAcquire() {
    return m_lock.isLocked() || m_lock.tryLock(0);
}
