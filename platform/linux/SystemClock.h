#pragma once

#include "platform/Clock.h"

// CLOCK_MONOTONIC in milliseconds (64-bit, so it never wraps) and the local time.
class SystemClock : public Clock {
public:
    qint64 tickMs() const override;
    QDateTime now() const override;
};
