#pragma once

#include "common/Store.h"
#include "meter/fleet/FleetRetryDelay.h"
#include "meter/fleet/FleetUploadCycle.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class Clock;
class FleetTransport;

// Uploads the outbox from a worker thread, with its own connection to the store file and its
// own line to the server. Everything it does blocks, so it must never live in the thread that
// runs windows: FleetUploaderThread gives it a thread of its own. A save wakes it at once; a
// slow poll catches anything else; after a failure it tries again after a growing delay. All
// its waits are timers, so its thread can quit between any two steps.
class FleetUploader : public QObject {
    Q_OBJECT
public:
    // Looks for writes nobody told it about; a wake-up of its own when nothing happens.
    static constexpr std::chrono::milliseconds PollInterval{30000};

    FleetUploader(QString storePath, std::unique_ptr<FleetTransport> transport, const Clock& clock,
                  QString pcName, FleetUploadCycle::AccountsHook accountsHook,
                  QObject* parent = nullptr);
    ~FleetUploader() override;

public slots:
    // In the worker: opens the store and takes the first step.
    void start();
    // Something was saved: upload it now, unless the server is being waited for.
    void wake();

signals:
    // The records waiting for the server, when that number changes.
    void pendingChanged(int count);

private:
    void runStep();
    void schedule(std::chrono::milliseconds delay);

    QString m_storePath;
    std::unique_ptr<FleetTransport> m_transport;
    const Clock& m_clock;
    QString m_pcName;
    FleetUploadCycle::AccountsHook m_accountsHook;
    Store m_store;
    std::unique_ptr<FleetUploadCycle> m_cycle;
    FleetRetryDelay m_retryDelay;
    QTimer m_next{this};
    int m_shownPending = -1;
};
