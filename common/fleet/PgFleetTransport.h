#pragma once

#include "common/fleet/FleetTransport.h"

#include <memory>

class PgConnection;

// The meter's line to the server over libpq, through the schema's upload and account functions.
class PgFleetTransport : public FleetTransport {
public:
    explicit PgFleetTransport(QString conninfo);
    ~PgFleetTransport() override;

    void connect() override;
    bool isConnected() const override;
    void disconnect() override;
    void registerPc(const QString& pcId, const QString& pcName) override;
    QList<FleetUploadStatus> upload(const QString& pcId,
                                    const QList<FleetSessionRecord>& records) override;
    QList<FleetAccount> fetchAccounts() override;

private:
    std::unique_ptr<PgConnection> m_connection;
};
