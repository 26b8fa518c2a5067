#pragma once

#include <QString>

// A failure to reach the server or to have it take a request. `transient` failures (no route,
// a dropped connection, a timeout) are worth retrying as they are; the others (a refused log-on,
// a missing schema, a request the server rejects) need someone to act.
struct FleetError {
    QString message;
    bool transient = true;
    // The server's SQLSTATE code when it answered with an error ("23505": a unique key taken).
    QString sqlState = {};
};
