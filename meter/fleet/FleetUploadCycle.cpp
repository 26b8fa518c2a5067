#include "meter/fleet/FleetUploadCycle.h"

#include "common/StoreError.h"
#include "common/fleet/FleetError.h"
#include "common/fleet/FleetTransport.h"
#include "meter/fleet/FleetLocalSchema.h"
#include "meter/fleet/FleetOutbox.h"
#include "platform/Clock.h"

#include <QDebug>
#include <QSysInfo>
#include <algorithm>

namespace {

void Say(const QString& message) {
    qWarning().noquote() << QStringLiteral("Dialtoll: ") + message;
}

QString Describe(const FleetOutboxEntry& entry) {
    const FleetSessionRecord& record = entry.record;
    return QStringLiteral("Notes row %1 (upload key %2, save %3: %4, session %5 from %6 %7)")
        .arg(entry.notesRowId)
        .arg(record.rowId)
        .arg(record.saveSeq)
        .arg(record.user)
        .arg(record.count)
        .arg(record.fromD, record.fromT);
}

} // namespace

FleetUploadCycle::FleetUploadCycle(Store& store, FleetTransport& transport, const Clock& clock,
                                   QString pcName)
    : m_store(store), m_transport(transport), m_clock(clock), m_pcName(std::move(pcName)) {
    if (m_pcName.trimmed().isEmpty())
        m_pcName = QSysInfo::machineHostName();
}

FleetUploadCycle::Result FleetUploadCycle::step() {
    try {
        if (m_pcId.isEmpty()) {
            m_pcId = FleetLocalSchema::pcId(m_store);
            if (m_pcId.isEmpty())
                throw StoreError(QStringLiteral("this PC has no fleet id in the store yet"));
        }
        // A backlog being sent was counted at the end of the last step.
        if (!m_continuing)
            m_pending = FleetOutbox(m_store).pendingCount();
        m_continuing = false;
        if (m_pending == 0 && !accountsDue())
            return Result::Idle;
        if (!m_registered)
            connectToServer();
        if (accountsDue())
            refreshAccounts();
        if (m_pending > 0)
            uploadBatch();
        m_lastSaid.clear();
        // Each batch marks every entry it read, so a backlog always shrinks to its end.
        m_continuing = m_pending > 0;
        return m_continuing ? Result::More : Result::Idle;
    } catch (const FleetError& error) {
        transportFailed(error);
    } catch (const StoreError& error) {
        sayOnce(QStringLiteral("fleet upload waits, the store cannot be used: %1")
                    .arg(error.message()));
    }
    return Result::Failed;
}

void FleetUploadCycle::connectToServer() {
    if (!m_transport.isConnected())
        m_transport.connect();
    m_transport.registerPc(m_pcId, m_pcName);
    m_registered = true;
    m_accountsFetchedAt.reset();
}

bool FleetUploadCycle::accountsDue() const {
    if (!m_accountsHook)
        return false;
    return !m_registered || !m_accountsFetchedAt ||
           m_clock.tickMs() - *m_accountsFetchedAt >= AccountsIntervalMs;
}

void FleetUploadCycle::refreshAccounts() {
    const QList<FleetAccount> accounts = m_transport.fetchAccounts();
    m_accountsFetchedAt = m_clock.tickMs();
    // The cache is the owner's business: its failure must not hold the uploads back.
    try {
        m_accountsHook(m_store, accounts);
    } catch (const std::exception& error) {
        Say(QStringLiteral("the account cache was not refreshed: %1")
                .arg(QString::fromLocal8Bit(error.what())));
    }
}

void FleetUploadCycle::uploadBatch() {
    FleetOutbox outbox(m_store);
    QList<FleetOutboxEntry> batch = outbox.pendingBatch(m_batchSize);
    const qsizetype read = batch.size();
    QList<FleetSessionRecord> answered;
    for (const FleetOutboxEntry& entry : std::as_const(batch)) {
        if (entry.gone)
            answered << entry.record;
    }
    batch.removeIf([](const FleetOutboxEntry& entry) { return entry.gone; });
    QList<FleetSessionRecord> records;
    records.reserve(batch.size());
    for (const FleetOutboxEntry& entry : std::as_const(batch))
        records << entry.record;
    const QList<FleetUploadStatus> statuses =
        records.isEmpty() ? QList<FleetUploadStatus>() : m_transport.upload(m_pcId, records);
    if (statuses.size() != records.size()) {
        throw FleetError{QStringLiteral("the server answered %1 statuses for %2 records")
                             .arg(statuses.size())
                             .arg(records.size()),
                         false};
    }
    for (qsizetype i = 0; i < batch.size(); ++i) {
        if (statuses.at(i) == FleetUploadStatus::Conflict) {
            Say(QStringLiteral("the server flagged a conflict for %1: it holds another session "
                               "or other figures under that key")
                    .arg(Describe(batch.at(i))));
        }
    }
    // Applied, duplicate, stale or flagged: the server has answered for each of them.
    outbox.markSent(answered + records);
    // Counting walks every pending entry: in a long backlog the count goes down by the batch,
    // and is taken again once few are left.
    m_pending = read < m_batchSize ? 0 : std::max(0, m_pending - static_cast<int>(read));
    if (m_pending == 0)
        m_pending = outbox.pendingCount();
}

void FleetUploadCycle::transportFailed(const FleetError& error) {
    // A fresh connection next time: the old one may be half dead.
    m_transport.disconnect();
    m_registered = false;
    if (!error.transient)
        sayOnce(QStringLiteral("the fleet server refused: %1").arg(error.message));
}

void FleetUploadCycle::sayOnce(const QString& message) {
    if (message == m_lastSaid)
        return;
    m_lastSaid = message;
    Say(message);
}
