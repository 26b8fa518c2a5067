#pragma once

// Tells whether another copy of the program already runs; held for the process's lifetime.
class SingleInstanceLock {
public:
    virtual ~SingleInstanceLock() = default;
    // True when this copy is the only one (and now holds the lock).
    virtual bool tryAcquire() = 0;
};
