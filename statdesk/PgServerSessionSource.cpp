#include "statdesk/PgServerSessionSource.h"

#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"
#include "statdesk/QueryError.h"
#include "statdesk/ServerSessionReader.h"

SessionListing PgServerSessionSource::read(const std::optional<QString>& account, qint64 from,
                                           qint64 to) {
    PgConnection server(m_conninfo);
    try {
        server.connect();
    } catch (const FleetError& error) {
        throw ServerReadError{ServerReadError::Unreachable, error.message};
    }
    try {
        return ServerSessionReader::read(server, account, from, to);
    } catch (const FleetError& error) {
        throw ServerReadError{ServerReadError::Failed, error.message};
    } catch (const QueryError& error) {
        throw ServerReadError{ServerReadError::Failed, error.text()};
    }
}
