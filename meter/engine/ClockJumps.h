#pragma once

#include <QtGlobal>

class Clock;

// Tells, at each check, whether the machine slept since the last one (the boot-time clock ran
// ahead of the monotonic tick) or the local date-time moved against the tick (set by hand or
// by time synchronisation, or a new time zone). Cheap: a few clock readings.
class ClockJumps {
public:
    enum Jump { None = 0, Resumed = 1, WallClockMoved = 2 };
    // Differences below this are the jitter of reading three clocks one after another.
    static constexpr qint64 ToleranceMs = 1500;

    explicit ClockJumps(const Clock& clock);
    // Resumed and WallClockMoved or'ed together, since the last check or construction.
    int check();

private:
    void take();

    const Clock& m_clock;
    qint64 m_asleepMs = 0;   // sinceBoot - tick
    qint64 m_wallLeadMs = 0; // wall-clock ms since the epoch - sinceBoot
    int m_utcOffset = 0;
};
