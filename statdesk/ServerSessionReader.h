#pragma once

#include "statdesk/SessionListing.h"

#include <QString>
#include <optional>

class PgConnection;

// Reads every PC's finished sessions from the shared server with the filter of this PC's own
// query: the account (without letter case; empty: everyone but Master) and the range of start
// dates, YYYYMMDD numbers read from the head of FromD, both inclusive. Rows come by PC name,
// then by start; `pcs` is in that order.
class ServerSessionReader {
public:
    // Blocks: only a worker thread calls it. Throws FleetError when the server refuses or drops
    // the query, QueryError for a row whose span cannot be computed.
    static SessionListing read(PgConnection& server, const std::optional<QString>& account,
                               qint64 from, qint64 to);
};
