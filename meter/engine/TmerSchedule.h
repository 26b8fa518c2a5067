#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <QtGlobal>
#include <chrono>
#include <optional>

class Clock;

// When the reminder and the time-up check have work, so that they run at that moment instead
// of being found by a periodic check. The remaining seconds shown on line are
// round(PlanSecs - elapsed); the reminder is due while they read the lead time, the time-up
// once they read 0 or less. A single-shot timer is set to the first such moment and due() is
// emitted then; the owner runs the accounting tick (so the figure is current) and asks
// takeDue() whether the check has work. After every accounting tick takeDue() is asked as well,
// so a timer that came late or a clock that jumped never skips a check.
class TmerSchedule : public QObject {
    Q_OBJECT
public:
    // After the time-up has been handled, the next check comes no sooner than this, in real
    // time: it is the check's own interval, not a span of the session.
    static constexpr std::chrono::milliseconds Interval{800};

    struct Plan {
        bool linked = false;
        qint64 startTick = 0;
        double planSecs = 0;
        // The account's lead time in seconds, as its settings read now.
        std::optional<double> lead;
        bool operator==(const Plan&) const = default;
    };

    explicit TmerSchedule(const Clock& clock, QObject* parent = nullptr);

    // Recomputes the due moment when anything it depends on changed.
    void update(const Plan& plan);
    // The time-up is being handled (a question may be open): no check until start().
    void stop();
    void start();
    bool isStopped() const { return m_stopped; }

    // Whether the check has work now that `shown` (the remaining seconds the figure reads) is
    // current. A reminder counts once for one plan and lead.
    bool takeDue(double shown);
    // The tick at which due() comes next; none while off line or stopped.
    std::optional<qint64> nextDueTick() const;

signals:
    void due();

private:
    struct ReminderKey {
        qint64 startTick = 0;
        double planSecs = 0;
        double lead = 0;
        bool operator==(const ReminderKey&) const = default;
    };
    std::optional<ReminderKey> pendingReminder() const;
    void arm(std::chrono::milliseconds least = std::chrono::milliseconds(0));

    const Clock& m_clock;
    Plan m_plan;
    bool m_stopped = false;
    QDeadlineTimer m_hold{0};
    std::optional<ReminderKey> m_reminderTaken;
    QTimer m_timer;
};
