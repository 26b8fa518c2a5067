#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <functional>

// A grab taken now or, when it fails (another client holds it, the window is not on screen
// yet), tried again every 50 ms for a second without blocking the event loop. A grab never
// taken is reported once on standard error.
class RetriedGrab {
public:
    // `attempt` tries the grab once and gives X's grab status (or -1 when the request failed);
    // `what` names the grab in the report.
    RetriedGrab(QString what, std::function<int()> attempt);

    // Starts over; true when the grab was taken at once.
    bool start();
    // Stops trying; a grab already taken is the caller's to release.
    void stop();
    bool taken() const { return m_taken; }
    bool retrying() const { return m_timer.isActive(); }

private:
    bool attempt();
    void retry();

    QString m_what;
    std::function<int()> m_attempt;
    QTimer m_timer;
    QElapsedTimer m_sinceStart;
    bool m_taken = false;
    int m_lastStatus = 0;
};
