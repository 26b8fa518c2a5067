#include "meter/fleet/FleetUploader.h"

#include "common/fleet/FleetTransport.h"

#include <QDebug>

using namespace std::chrono_literals;

FleetUploader::FleetUploader(QString storePath, std::unique_ptr<FleetTransport> transport,
                             const Clock& clock, QString pcName,
                             FleetUploadCycle::AccountsHook accountsHook, QObject* parent)
    : QObject(parent), m_storePath(std::move(storePath)), m_transport(std::move(transport)),
      m_clock(clock), m_pcName(std::move(pcName)), m_accountsHook(std::move(accountsHook)) {
    m_next.setSingleShot(true);
    // Its wake-ups need no precision; coarse ones let the system batch them.
    m_next.setTimerType(Qt::CoarseTimer);
    connect(&m_next, &QTimer::timeout, this, &FleetUploader::runStep);
}

FleetUploader::~FleetUploader() {
    m_next.stop();
    m_cycle.reset();
    if (m_transport)
        m_transport->disconnect();
    m_store.close();
}

void FleetUploader::start() {
    schedule(0ms);
}

void FleetUploader::wake() {
    // While the server is waited for, its retry comes when due: saves do not hurry it.
    if (!m_retryDelay.backingOff())
        schedule(0ms);
}

void FleetUploader::schedule(std::chrono::milliseconds delay) {
    if (m_next.isActive() && m_next.remainingTimeAsDuration() <= delay)
        return;
    m_next.start(delay);
}

void FleetUploader::runStep() {
    if (!m_store.isOpen() && !m_store.open(m_storePath)) {
        qWarning().noquote() << QStringLiteral("Dialtoll: fleet upload cannot open the store: %1")
                                    .arg(m_store.lastError());
        schedule(m_retryDelay.next());
        return;
    }
    if (!m_cycle) {
        // Each batch counts what is left on the outbox's index; kept in memory, a long backlog
        // is not read and decrypted again for every batch.
        m_store.execute(QStringLiteral("PRAGMA cache_size=-16384"));
        m_cycle = std::make_unique<FleetUploadCycle>(m_store, *m_transport, m_clock, m_pcName);
        m_cycle->setAccountsHook(m_accountsHook);
    }
    const FleetUploadCycle::Result result = m_cycle->step();
    if (const int pending = m_cycle->pendingCount(); pending >= 0 && pending != m_shownPending) {
        m_shownPending = pending;
        emit pendingChanged(pending);
    }
    switch (result) {
    case FleetUploadCycle::Result::More:
        // The next batch after the events queued meanwhile: a quit is never kept waiting.
        m_retryDelay.reset();
        schedule(0ms);
        break;
    case FleetUploadCycle::Result::Idle:
        m_retryDelay.reset();
        schedule(PollInterval);
        break;
    case FleetUploadCycle::Result::Failed:
        schedule(m_retryDelay.next());
        break;
    }
}
