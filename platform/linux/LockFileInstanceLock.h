#pragma once

#include "platform/SingleInstanceLock.h"

#include <QLockFile>
#include <QString>

// A lock file in the data folder. A lock left by a crashed copy is taken over (QLockFile
// checks whether its owner still runs).
class LockFileInstanceLock : public SingleInstanceLock {
public:
    explicit LockFileInstanceLock(const QString& path);
    bool tryAcquire() override;

private:
    QLockFile m_lock;
};
