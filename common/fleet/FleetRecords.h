#pragma once

#include <QString>
#include <QtGlobal>

// One Notes row as it goes to the server. `rowId` is the local upload key (never reused on this
// PC), `saveSeq` counts the row's saves: the server keeps the highest it has seen.
struct FleetSessionRecord {
    qint64 rowId = 0;
    qint64 saveSeq = 0;
    QString user;
    qint64 count = 0;
    QString fromD;
    QString fromT;
    QString toD;
    QString toT;
    // MONEY as whole ten-thousandths of a yuan, as the store keeps it; times in seconds.
    qint64 thisMoney = 0;
    qint64 allMoney = 0;
    qint64 thisTm = 0;
    qint64 allTm = 0;

    bool operator==(const FleetSessionRecord&) const = default;
};

// What the server did with one uploaded record.
enum class FleetUploadStatus {
    Applied,   // stored: new, or newer than what it held
    Duplicate, // the same save again; nothing changed
    Stale,     // older than what it holds; nothing changed
    Conflict,  // the key holds another session, or the same save with other contents: flagged
};

// An account as the server holds it: the password only as an Argon2id hash string.
struct FleetAccount {
    QString name;
    QString passwordHash;
    QString regDate;

    bool operator==(const FleetAccount&) const = default;
};
