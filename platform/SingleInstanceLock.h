#pragma once

#include <QString>

// Tells whether another copy of the program already runs; held for the process's lifetime.
class SingleInstanceLock {
public:
    enum class Result {
        // This copy is the only one and now holds the lock.
        Acquired,
        // Another copy that still runs holds it.
        HeldByAnotherCopy,
        // The lock could not be taken for another reason (see failure()).
        Failed,
    };

    virtual ~SingleInstanceLock() = default;
    virtual Result acquire() = 0;
    // Why the lock failed, as a phrase for the user; empty unless acquire() failed.
    virtual QString failure() const = 0;
};
