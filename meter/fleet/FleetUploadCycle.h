#pragma once

#include "common/fleet/FleetRecords.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class Clock;
class FleetTransport;
class Store;
struct FleetError;

// The uploader's work without threads or timers: each step() connects when needed, refreshes
// the account cache when due and uploads one batch of the outbox. Records are marked sent only
// once the server has answered for them, so a lost request or a lost answer just sends them
// again, and the server's save sequences make that harmless. Blocking: only a worker runs it.
class FleetUploadCycle {
public:
    using AccountsHook = std::function<void(Store&, const QList<FleetAccount>&)>;

    enum class Result {
        Idle,   // nothing left to send
        More,   // a batch went; more are waiting
        Failed, // the server or the store could not be used; try again later
    };

    static constexpr int DefaultBatchSize = 500;
    static constexpr qint64 AccountsIntervalMs = 10 * 60 * 1000;

    // `pcName`: how Statdesk lists this PC; the host name when empty.
    FleetUploadCycle(Store& store, FleetTransport& transport, const Clock& clock, QString pcName);

    // Called with the server's accounts right after each log-on and every ten minutes while
    // connected; it runs in the worker, with the worker's store.
    void setAccountsHook(AccountsHook hook) { m_accountsHook = std::move(hook); }
    void setBatchSize(int size) { m_batchSize = size; }

    Result step();

    // Records waiting, as last read; -1 before the store could be read.
    int pendingCount() const { return m_pending; }

private:
    void connectToServer();
    void refreshAccounts();
    bool accountsDue() const;
    void uploadBatch();
    void transportFailed(const FleetError& error);
    // Says a problem on standard error, once until another one comes or things work again.
    void sayOnce(const QString& message);

    Store& m_store;
    FleetTransport& m_transport;
    const Clock& m_clock;
    QString m_pcName;
    QString m_pcId;
    AccountsHook m_accountsHook;
    int m_batchSize = DefaultBatchSize;
    bool m_registered = false;
    std::optional<qint64> m_accountsFetchedAt;
    int m_pending = -1;
    // The last step sent a full batch and counted what is left.
    bool m_continuing = false;
    QString m_lastSaid;
};
