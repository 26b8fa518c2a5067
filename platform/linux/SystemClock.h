#pragma once

#include "platform/Clock.h"

// CLOCK_MONOTONIC in milliseconds (64-bit, so it never wraps) and the local time;
// CLOCK_BOOTTIME, which goes on while the machine sleeps, to tell a sleep.
class SystemClock : public Clock {
public:
    qint64 tickMs() const override;
    QDateTime now() const override;
    qint64 sinceBootMs() const override;
};
