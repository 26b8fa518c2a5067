#pragma once

#include "platform/Clock.h"

// A clock the test moves by hand.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2026, 3, 2), QTime(10, 0)),
                       qint64 tickMs = 1'000'000)
        : m_now(std::move(now)), m_tickMs(tickMs) {}

    qint64 tickMs() const override { return m_tickMs; }
    QDateTime now() const override { return m_now; }
    qint64 sinceBootMs() const override { return m_tickMs + m_asleepMs; }

    void advance(qint64 ms) {
        m_tickMs += ms;
        m_now = m_now.addMSecs(ms);
    }
    // The machine sleeps for `ms`: the date-time moves on, the tick does not.
    void sleep(qint64 ms) {
        m_asleepMs += ms;
        m_now = m_now.addMSecs(ms);
    }
    void setNow(const QDateTime& now) { m_now = now; }

private:
    QDateTime m_now;
    qint64 m_tickMs;
    qint64 m_asleepMs = 0;
};
