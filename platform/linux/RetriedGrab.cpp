#include "platform/linux/RetriedGrab.h"

#include <chrono>
#include <xcb/xcb.h>

using namespace std::chrono_literals;

namespace {
constexpr auto kRetryInterval = 50ms;
constexpr qint64 kGiveUpAfterMs = 1000;

const char* Reason(int status) {
    switch (status) {
    case XCB_GRAB_STATUS_ALREADY_GRABBED:
        return "another program holds it";
    case XCB_GRAB_STATUS_FROZEN:
        return "another program has frozen it";
    case XCB_GRAB_STATUS_NOT_VIEWABLE:
        return "its window is not on screen";
    case XCB_GRAB_STATUS_INVALID_TIME:
        return "a later grab came first";
    default:
        return "the X server refused the request";
    }
}
} // namespace

RetriedGrab::RetriedGrab(QString what, std::function<int()> attempt)
    : m_what(std::move(what)), m_attempt(std::move(attempt)) {
    m_timer.setInterval(kRetryInterval);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { retry(); });
}

bool RetriedGrab::start() {
    m_timer.stop();
    if (!attempt()) {
        m_sinceStart.start();
        m_timer.start();
    }
    return m_taken;
}

void RetriedGrab::stop() {
    m_timer.stop();
    m_taken = false;
}

bool RetriedGrab::attempt() {
    m_lastStatus = m_attempt();
    m_taken = m_lastStatus == XCB_GRAB_STATUS_SUCCESS;
    return m_taken;
}

void RetriedGrab::retry() {
    if (attempt()) {
        m_timer.stop();
        return;
    }
    if (m_sinceStart.elapsed() >= kGiveUpAfterMs) {
        m_timer.stop();
        qWarning("Dialtoll: could not take %s: %s.", qPrintable(m_what), Reason(m_lastStatus));
    }
}
