#pragma once

#include "common/fleet/FleetTransport.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <optional>

// An in-memory server that applies uploads by the server's rules, with faults a test can set:
// a request lost before it is applied, an acknowledgement lost after it was, a batch delivered
// twice, a batch held back and delivered after a later one, the server down or refusing log-ons.
// Thread-safe: the uploader calls it from its worker while the test looks on.
class FakeFleetTransport : public FleetTransport {
public:
    // A record flagged because its key arrived with another session or other contents.
    struct Conflict {
        QString pcId;
        FleetSessionRecord incoming;
    };

    void connect() override;
    bool isConnected() const override;
    void disconnect() override;
    void registerPc(const QString& pcId, const QString& pcName) override;
    QList<FleetUploadStatus> upload(const QString& pcId,
                                    const QList<FleetSessionRecord>& records) override;
    QList<FleetAccount> fetchAccounts() override;

    // Faults, each for the next upload only.
    void loseNextRequest();         // fails before applying
    void loseNextAcknowledgement(); // applies, then fails
    void duplicateNextUpload();     // applies the batch twice; the first answer comes back
    void holdNextUpload();          // fails now; applied after the next upload that succeeds
    // While down every call fails with a transient error and the connection drops.
    void setDown(bool down);
    // Log-ons fail with this non-transient message; an empty one lets them through again.
    void refuseLogOn(const QString& message);

    // The server's state.
    QList<FleetSessionRecord> rows(const QString& pcId) const; // by upload key
    QHash<QString, QString> pcs() const;                       // id -> name
    QList<Conflict> conflicts() const;
    void setAccounts(const QList<FleetAccount>& accounts);

    // Calls that reached the fake, failed or not.
    int connectCalls() const;
    int registerCalls() const;
    int uploadCalls() const;
    int fetchAccountsCalls() const;
    // Records applied as new or newer, over all uploads.
    int appliedRecords() const;

private:
    using Key = QPair<QString, qint64>;

    void requireUp() const;
    QList<FleetUploadStatus> apply(const QString& pcId, const QList<FleetSessionRecord>& records);
    FleetUploadStatus applyOne(const QString& pcId, const FleetSessionRecord& record);

    mutable QMutex m_mutex;
    bool m_connected = false;
    bool m_down = false;
    QString m_refusal;
    bool m_loseRequest = false;
    bool m_loseAcknowledgement = false;
    bool m_duplicate = false;
    bool m_hold = false;
    std::optional<std::pair<QString, QList<FleetSessionRecord>>> m_held;
    QHash<Key, FleetSessionRecord> m_rows;
    QHash<QString, QString> m_pcs;
    QList<Conflict> m_conflicts;
    QList<FleetAccount> m_accounts;
    int m_connectCalls = 0;
    int m_registerCalls = 0;
    int m_uploadCalls = 0;
    int m_fetchAccountsCalls = 0;
    int m_applied = 0;
};
