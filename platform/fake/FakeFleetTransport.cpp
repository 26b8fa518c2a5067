#include "platform/fake/FakeFleetTransport.h"

#include "common/fleet/FleetError.h"

#include <QMutexLocker>
#include <algorithm>

namespace {

bool SameSession(const FleetSessionRecord& a, const FleetSessionRecord& b) {
    return a.user == b.user && a.count == b.count && a.fromD == b.fromD && a.fromT == b.fromT;
}

FleetError Transient(const char* message) {
    return FleetError{QString::fromLatin1(message), true};
}

} // namespace

void FakeFleetTransport::connect() {
    QMutexLocker lock(&m_mutex);
    ++m_connectCalls;
    if (m_down)
        throw Transient("server unreachable");
    if (!m_refusal.isEmpty())
        throw FleetError{m_refusal, false};
    m_connected = true;
}

bool FakeFleetTransport::isConnected() const {
    QMutexLocker lock(&m_mutex);
    return m_connected;
}

void FakeFleetTransport::disconnect() {
    QMutexLocker lock(&m_mutex);
    m_connected = false;
}

void FakeFleetTransport::requireUp() const {
    if (!m_connected)
        throw Transient("not connected");
}

void FakeFleetTransport::registerPc(const QString& pcId, const QString& pcName) {
    QMutexLocker lock(&m_mutex);
    ++m_registerCalls;
    requireUp();
    m_pcs.insert(pcId, pcName);
}

QList<FleetUploadStatus> FakeFleetTransport::upload(const QString& pcId,
                                                    const QList<FleetSessionRecord>& records) {
    QMutexLocker lock(&m_mutex);
    ++m_uploadCalls;
    if (m_down)
        m_connected = false;
    requireUp();
    if (std::exchange(m_loseRequest, false)) {
        m_connected = false;
        throw Transient("connection lost before the request arrived");
    }
    if (std::exchange(m_hold, false)) {
        m_held.emplace(pcId, records);
        m_connected = false;
        throw Transient("request delayed in the network");
    }
    QList<FleetUploadStatus> statuses = apply(pcId, records);
    if (std::exchange(m_duplicate, false))
        apply(pcId, records);
    if (m_held) {
        const auto [heldPc, heldRecords] = *std::exchange(m_held, std::nullopt);
        apply(heldPc, heldRecords);
    }
    if (std::exchange(m_loseAcknowledgement, false)) {
        m_connected = false;
        throw Transient("connection lost before the answer arrived");
    }
    return statuses;
}

QList<FleetUploadStatus> FakeFleetTransport::apply(const QString& pcId,
                                                   const QList<FleetSessionRecord>& records) {
    QList<FleetUploadStatus> statuses;
    for (const FleetSessionRecord& record : records)
        statuses << applyOne(pcId, record);
    return statuses;
}

FleetUploadStatus FakeFleetTransport::applyOne(const QString& pcId,
                                               const FleetSessionRecord& record) {
    const Key key{pcId, record.rowId};
    const auto stored = m_rows.find(key);
    if (stored == m_rows.end()) {
        m_rows.insert(key, record);
        ++m_applied;
        return FleetUploadStatus::Applied;
    }
    if (!SameSession(*stored, record) ||
        (record.saveSeq == stored->saveSeq && !(record == *stored))) {
        m_conflicts << Conflict{pcId, record};
        return FleetUploadStatus::Conflict;
    }
    if (record.saveSeq > stored->saveSeq) {
        *stored = record;
        ++m_applied;
        return FleetUploadStatus::Applied;
    }
    return record.saveSeq == stored->saveSeq ? FleetUploadStatus::Duplicate
                                             : FleetUploadStatus::Stale;
}

QList<FleetAccount> FakeFleetTransport::fetchAccounts() {
    QMutexLocker lock(&m_mutex);
    ++m_fetchAccountsCalls;
    if (m_down)
        m_connected = false;
    requireUp();
    return m_accounts;
}

void FakeFleetTransport::loseNextRequest() {
    QMutexLocker lock(&m_mutex);
    m_loseRequest = true;
}

void FakeFleetTransport::loseNextAcknowledgement() {
    QMutexLocker lock(&m_mutex);
    m_loseAcknowledgement = true;
}

void FakeFleetTransport::duplicateNextUpload() {
    QMutexLocker lock(&m_mutex);
    m_duplicate = true;
}

void FakeFleetTransport::holdNextUpload() {
    QMutexLocker lock(&m_mutex);
    m_hold = true;
}

void FakeFleetTransport::setDown(bool down) {
    QMutexLocker lock(&m_mutex);
    m_down = down;
    if (down)
        m_connected = false;
}

void FakeFleetTransport::refuseLogOn(const QString& message) {
    QMutexLocker lock(&m_mutex);
    m_refusal = message;
}

QList<FleetSessionRecord> FakeFleetTransport::rows(const QString& pcId) const {
    QMutexLocker lock(&m_mutex);
    QList<FleetSessionRecord> rows;
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it) {
        if (it.key().first == pcId)
            rows << it.value();
    }
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return a.rowId < b.rowId; });
    return rows;
}

QHash<QString, QString> FakeFleetTransport::pcs() const {
    QMutexLocker lock(&m_mutex);
    return m_pcs;
}

QList<FakeFleetTransport::Conflict> FakeFleetTransport::conflicts() const {
    QMutexLocker lock(&m_mutex);
    return m_conflicts;
}

void FakeFleetTransport::setAccounts(const QList<FleetAccount>& accounts) {
    QMutexLocker lock(&m_mutex);
    m_accounts = accounts;
}

int FakeFleetTransport::connectCalls() const {
    QMutexLocker lock(&m_mutex);
    return m_connectCalls;
}

int FakeFleetTransport::registerCalls() const {
    QMutexLocker lock(&m_mutex);
    return m_registerCalls;
}

int FakeFleetTransport::uploadCalls() const {
    QMutexLocker lock(&m_mutex);
    return m_uploadCalls;
}

int FakeFleetTransport::fetchAccountsCalls() const {
    QMutexLocker lock(&m_mutex);
    return m_fetchAccountsCalls;
}

int FakeFleetTransport::appliedRecords() const {
    QMutexLocker lock(&m_mutex);
    return m_applied;
}
