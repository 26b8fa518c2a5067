#pragma once

#include "meter/fleet/FleetUploadCycle.h"

#include <QObject>
#include <QThread>
#include <chrono>
#include <memory>

class Clock;
class FleetTransport;
class FleetUploader;

// Runs a FleetUploader in a thread of its own, started at construction and ended by stop() or
// the destructor. Calls come from the owner's thread and never wait for the server.
class FleetUploaderThread : public QObject {
    Q_OBJECT
public:
    // How long stop() waits for a step under way (a server that does not answer) to end.
    static constexpr std::chrono::milliseconds StopWait{1000};

    FleetUploaderThread(QString storePath, std::unique_ptr<FleetTransport> transport,
                        const Clock& clock, QString pcName,
                        FleetUploadCycle::AccountsHook accountsHook = {},
                        QObject* parent = nullptr);
    ~FleetUploaderThread() override;

    // The records waiting, as last reported; -1 before the first report.
    int pendingCount() const { return m_pending; }
    bool isRunning() const;

public slots:
    // After a save: the uploader looks at the outbox at once.
    void wake();
    // Ends the thread. True when it ended; false when a step under way kept it past `wait`
    // (the thread is then left to end on its own and the process may quit meanwhile).
    bool stop(std::chrono::milliseconds wait = StopWait);

signals:
    void pendingChanged(int count);

private:
    std::unique_ptr<QThread> m_thread;
    FleetUploader* m_uploader = nullptr;
    int m_pending = -1;
};
