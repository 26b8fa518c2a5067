#include "meter/engine/ClockJumps.h"

#include "platform/Clock.h"

#include <QDateTime>
#include <cstdlib>

ClockJumps::ClockJumps(const Clock& clock) : m_clock(clock) {
    take();
}

int ClockJumps::check() {
    const qint64 asleep = m_asleepMs;
    const qint64 wallLead = m_wallLeadMs;
    const int offset = m_utcOffset;
    take();
    int jumps = None;
    if (m_asleepMs - asleep > ToleranceMs)
        jumps |= Resumed;
    // The wall clock goes on during a sleep, as the boot-time clock does: measured against that
    // one, only a real change of the time shows.
    if (std::llabs(m_wallLeadMs - wallLead) > ToleranceMs || m_utcOffset != offset)
        jumps |= WallClockMoved;
    return jumps;
}

void ClockJumps::take() {
    const qint64 tick = m_clock.tickMs();
    const qint64 sinceBoot = m_clock.sinceBootMs();
    const QDateTime now = m_clock.now();
    m_asleepMs = sinceBoot - tick;
    m_wallLeadMs = now.toMSecsSinceEpoch() - sinceBoot;
    m_utcOffset = now.offsetFromUtc();
}
