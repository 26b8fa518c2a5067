#pragma once

#include "common/fleet/FleetRecords.h"

#include <QList>
#include <QString>

// The meter's line to the server. Calls block, so only a worker thread makes them; each throws
// FleetError when it cannot complete, and then may or may not have reached the server.
class FleetTransport {
public:
    virtual ~FleetTransport() = default;

    virtual void connect() = 0;
    virtual bool isConnected() const = 0;
    virtual void disconnect() = 0;
    // Makes this PC known to the server under `pcId`, with the name Statdesk shows.
    virtual void registerPc(const QString& pcId, const QString& pcName) = 0;
    // Applies the records in one transaction: all of them, or (on a throw) none. One status
    // per record, in order.
    virtual QList<FleetUploadStatus> upload(const QString& pcId,
                                            const QList<FleetSessionRecord>& records) = 0;
    virtual QList<FleetAccount> fetchAccounts() = 0;
};
