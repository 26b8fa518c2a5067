#include "platform/fake/FakeDialUpNetwork.h"

#include <QCoreApplication>

void FakeDialUpNetwork::setConnected(bool connected) {
    if (connected == m_connected)
        return;
    m_connected = connected;
    report();
}

void FakeDialUpNetwork::HangUpAll() {
    ++m_hangUpCount;
    if (m_hangUpDrops && m_connected) {
        m_connected = false;
        report();
    }
}

void FakeDialUpNetwork::report() {
    if (!m_reports || !m_changed || !QCoreApplication::instance())
        return;
    // Queued: a real notification never arrives inside the call that caused it.
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
            if (m_reports && m_changed)
                m_changed();
        },
        Qt::QueuedConnection);
}
