#include "meter/engine/TmerSchedule.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cmath>

namespace {
// The moments aimed at sit inside the second that shows the figure, early enough that a timer
// coming a little late still finds it: the lead shows from lead + 0.5 s down to lead - 0.5 s.
constexpr double ReminderAimSecs = 0.2; // the figure reads lead while lead + 0.5 > left
constexpr double TimeUpAimSecs = 0.3;   // the figure reads 0 once 0.5 > left

// Halves away from zero, as the figure rounds.
double shownAt(double remaining) {
    return std::round(remaining);
}
} // namespace

TmerSchedule::TmerSchedule(const Clock& clock, QObject* parent) : QObject(parent), m_clock(clock) {
    m_timer.setSingleShot(true);
    // A coarse timer may fire early by 5 % of its interval: too early for a due moment.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        emit due();
        // Should the owner's tick have found nothing to do at a moment already reached, the
        // next try waits a little rather than spinning.
        arm(std::chrono::milliseconds(100));
    });
}

void TmerSchedule::update(const Plan& plan) {
    if (plan == m_plan && (m_timer.isActive() || !nextDueTick()))
        return;
    // A new session owes nothing to the last one's time-up.
    if (!plan.linked || plan.startTick != m_plan.startTick)
        m_hold = QDeadlineTimer(0);
    m_plan = plan;
    if (!m_plan.linked)
        m_reminderTaken.reset();
    arm();
}

void TmerSchedule::stop() {
    m_stopped = true;
    m_timer.stop();
}

void TmerSchedule::start() {
    m_stopped = false;
    m_hold.setRemainingTime(Interval);
    arm();
}

std::optional<TmerSchedule::ReminderKey> TmerSchedule::pendingReminder() const {
    if (!m_plan.lead || *m_plan.lead != std::trunc(*m_plan.lead))
        return std::nullopt; // a whole number of seconds never equals a fraction
    const ReminderKey key{m_plan.startTick, m_plan.planSecs, *m_plan.lead};
    if (m_reminderTaken == key)
        return std::nullopt;
    return key;
}

std::optional<qint64> TmerSchedule::nextDueTick() const {
    if (!m_plan.linked || m_stopped)
        return std::nullopt;
    const qint64 now = m_clock.tickMs();
    const auto tickLeaving = [this](double remaining) {
        return m_plan.startTick + std::llround((m_plan.planSecs - remaining) * 1000);
    };
    qint64 next = tickLeaving(TimeUpAimSecs);
    if (const auto reminder = pendingReminder()) {
        const double left = m_plan.planSecs - (now - m_plan.startTick) / 1000.0;
        // Once the figure has gone below the lead, this plan's reminder has passed.
        if (shownAt(left) >= reminder->lead)
            next = std::min(next, tickLeaving(reminder->lead + ReminderAimSecs));
    }
    return std::max(next, now + m_hold.remainingTime());
}

bool TmerSchedule::takeDue(double shown) {
    if (!m_plan.linked || m_stopped || !m_hold.hasExpired())
        return false;
    if (shown <= 0)
        return true;
    if (const auto reminder = pendingReminder(); reminder && shown == reminder->lead) {
        m_reminderTaken = reminder;
        return true;
    }
    return false;
}

void TmerSchedule::arm(std::chrono::milliseconds least) {
    const std::optional<qint64> next = nextDueTick();
    if (!next) {
        m_timer.stop();
        return;
    }
    const qint64 delay = std::max<qint64>(least.count(), *next - m_clock.tickMs());
    m_timer.start(std::chrono::milliseconds(delay));
}
