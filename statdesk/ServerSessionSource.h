#pragma once

#include "statdesk/SessionListing.h"

#include <QString>
#include <optional>

// Why the server's sessions could not be read.
struct ServerReadError {
    enum Kind {
        Unreachable, // no connection: the server is away, or refused the log-on
        Failed,      // connected, but the query did not complete
    };
    Kind kind = Unreachable;
    QString message;
};

// Where the listing of all PCs comes from. read() blocks: worker threads call it, each with a
// connection of its own, several of them at once when an earlier read is still under way.
class ServerSessionSource {
public:
    virtual ~ServerSessionSource() = default;
    // The filter of ServerSessionReader. Throws ServerReadError.
    virtual SessionListing read(const std::optional<QString>& account, qint64 from, qint64 to) = 0;
};
