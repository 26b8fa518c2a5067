#pragma once

#include <QDateTime>
#include <QtGlobal>

// Time as the meter sees it: a monotonic millisecond tick that never wraps, and the local
// date and time.
class Clock {
public:
    virtual ~Clock() = default;
    // Stands still while the machine sleeps: time asleep is never charged.
    virtual qint64 tickMs() const = 0;
    virtual QDateTime now() const = 0;
    // Like tickMs, but counting the time asleep too; its lead over tickMs grows by each sleep.
    virtual qint64 sinceBootMs() const { return tickMs(); }
};
