#pragma once

#include "platform/SingleInstanceLock.h"

#include <QLockFile>
#include <QString>

// A lock file in the data folder. A lock left by a crashed copy is taken over (QLockFile
// checks whether its owner still runs). Only a lock held by a live process counts as another
// copy; a folder where the lock cannot be made is a failure.
class LockFileInstanceLock : public SingleInstanceLock {
public:
    explicit LockFileInstanceLock(const QString& path);
    Result acquire() override;
    QString failure() const override { return m_failure; }

private:
    bool ownerRuns() const;
    // Why no lock file can be made in its folder.
    QString folderProblem() const;

    QString m_path;
    QLockFile m_lock;
    QString m_failure;
};
