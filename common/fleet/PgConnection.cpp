#include "common/fleet/PgConnection.h"

#include "common/fleet/FleetError.h"

#include <libpq-fe.h>

#include <vector>

namespace {

QString ConnectionMessage(const PGconn* conn) {
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

// A server that answered and said no will say no again: retrying as is cannot help.
bool IsRefusal(const QString& message) {
    static const char* const refusals[] = {"authentication failed",
                                           "does not exist",
                                           "no pg_hba.conf entry",
                                           "certificate",
                                           "permission denied",
                                           "server does not support SSL",
                                           "password"};
    for (const char* refusal : refusals)
        if (message.contains(QLatin1String(refusal), Qt::CaseInsensitive))
            return true;
    return false;
}

// Class 08 is the connection itself, 57P is an operator or crash shutdown, 40001/40P01 a
// serialization failure or deadlock: all of them go through when tried again.
bool IsTransientState(const QByteArray& state) {
    return state.startsWith("08") || state.startsWith("57P") || state == "40001" ||
           state == "40P01" || state == "53300" || state == "57014";
}

// A server that went away while the statement was written (a crash, an immediate shutdown)
// leaves libpq calling the connection good until it reads the end of it.
bool ConnectionLost(PGconn* conn) {
    if (PQstatus(conn) == CONNECTION_OK)
        PQconsumeInput(conn);
    return PQstatus(conn) != CONNECTION_OK;
}

} // namespace

PgConnection::PgConnection(QString conninfo) : m_conninfo(std::move(conninfo)) {}

PgConnection::~PgConnection() {
    close();
}

void PgConnection::connect() {
    close();
    // Defaults first: the connection string, expanded in place of dbname, overrides them.
    const char* keywords[] = {"connect_timeout",  "keepalives",
                              "keepalives_idle",  "keepalives_interval",
                              "keepalives_count", "tcp_user_timeout",
                              "application_name", "client_encoding",
                              "dbname",           nullptr};
    const QByteArray conninfo = m_conninfo.toUtf8();
    const char* values[] = {
        "10", "1", "30", "10", "3", "30000", "dialtoll", "UTF8", conninfo.constData(), nullptr};
    PGconn* conn = PQconnectdbParams(keywords, values, 1);
    if (conn == nullptr)
        throw FleetError{QStringLiteral("out of memory"), true};
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString message = ConnectionMessage(conn);
        PQfinish(conn);
        throw FleetError{message, !IsRefusal(message)};
    }
    // Every text the programs send and read is UTF-8, whatever the server's default.
    PQsetClientEncoding(conn, "UTF8");
    m_conn = conn;
}

bool PgConnection::isConnected() const {
    return m_conn != nullptr && PQstatus(m_conn) == CONNECTION_OK;
}

void PgConnection::close() {
    if (m_conn != nullptr) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
}

int PgConnection::backendPid() const {
    return isConnected() ? PQbackendPID(m_conn) : 0;
}

PgRows PgConnection::exec(const QString& sql, const QVariantList& values) {
    if (!isConnected())
        throw FleetError{QStringLiteral("not connected to the server"), true};
    std::vector<QByteArray> texts;
    texts.reserve(values.size());
    std::vector<const char*> pointers;
    pointers.reserve(values.size());
    for (const QVariant& value : values) {
        if (!value.isValid() || value.isNull()) {
            texts.emplace_back();
            pointers.push_back(nullptr);
        } else {
            texts.push_back(value.toString().toUtf8());
            pointers.push_back(texts.back().constData());
        }
    }
    const QByteArray statement = sql.toUtf8();
    PGresult* result = PQexecParams(m_conn, statement.constData(), static_cast<int>(values.size()),
                                    nullptr, pointers.data(), nullptr, nullptr, 0);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const QString message = result ? QString::fromUtf8(PQresultErrorMessage(result)).trimmed()
                                       : ConnectionMessage(m_conn);
        const QByteArray state =
            result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
        PQclear(result);
        const bool lost = ConnectionLost(m_conn);
        if (lost)
            close();
        // A statement cut off by a lost connection may or may not have committed.
        throw FleetError{message.isEmpty() ? QStringLiteral("the server connection was lost")
                                           : message,
                         lost || IsTransientState(state), QString::fromLatin1(state)};
    }
    PgRows rows;
    const int columns = PQnfields(result);
    for (int c = 0; c < columns; ++c)
        rows.columns.append(QString::fromUtf8(PQfname(result, c)));
    const int count = PQntuples(result);
    rows.rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        QList<QVariant> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(PQgetisnull(result, r, c)
                           ? QVariant()
                           : QVariant(QString::fromUtf8(PQgetvalue(result, r, c),
                                                        PQgetlength(result, r, c))));
        rows.rows.append(std::move(row));
    }
    PQclear(result);
    return rows;
}

void PgConnection::execScript(const QString& sql) {
    if (!isConnected())
        throw FleetError{QStringLiteral("not connected to the server"), true};
    PGresult* result = PQexec(m_conn, sql.toUtf8().constData());
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const QString message = result ? QString::fromUtf8(PQresultErrorMessage(result)).trimmed()
                                       : ConnectionMessage(m_conn);
        PQclear(result);
        const bool lost = ConnectionLost(m_conn);
        if (lost)
            close();
        throw FleetError{message, lost};
    }
    PQclear(result);
}
