#pragma once

#include <QDateTime>
#include <QtGlobal>

// Time as the meter sees it: a monotonic millisecond tick that never wraps, and the local
// date and time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 tickMs() const = 0;
    virtual QDateTime now() const = 0;
};
