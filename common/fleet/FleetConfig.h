#pragma once

#include <QString>

// Where the shared server is, read from "fleet.ini" in the data folder. Without that file, or
// with an empty connection, fleet mode is off and every program works on its own file only.
//
//   [Server]
//   Connection=service=dialtoll          ; a libpq connection string or service name
//   AdminConnection=service=dialtoll-admin ; Enroldesk, Statdesk's all-PCs view, --init-server
//   PcName=Lab PC 3                      ; shown in Statdesk's PC column; default: host name
//   CacheDays=30                         ; how old the account cache may be for a log-on
struct FleetConfig {
    static constexpr const char* FileName = "fleet.ini";
    static constexpr int DefaultCacheDays = 30;

    QString connection;
    QString adminConnection;
    QString pcName;
    int cacheDays = DefaultCacheDays;

    bool enabled() const { return !connection.trimmed().isEmpty(); }
    // The administrator's connection, or the PC's own when none is set apart.
    QString administratorConnection() const {
        return adminConnection.trimmed().isEmpty() ? connection : adminConnection;
    }

    // Reads the file in `dataFolder`; a missing or unreadable file gives fleet mode off.
    static FleetConfig load(const QString& dataFolder);
};
