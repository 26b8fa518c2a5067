#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

struct pg_conn;

// The rows a statement returned: texts as the server sent them, a null as an invalid QVariant.
struct PgRows {
    QStringList columns;
    QList<QList<QVariant>> rows;
};

// One blocking libpq connection. Only worker threads and command-line commands use it, never
// the thread that runs a window. Every connection gets a connect timeout and TCP keepalives
// unless the connection string sets its own.
class PgConnection {
public:
    // `conninfo`: a libpq connection string ("host=… dbname=…", "service=NAME") or URI.
    explicit PgConnection(QString conninfo);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Throws FleetError (transient unless the server refused the log-on).
    void connect();
    bool isConnected() const;
    void close();

    // Runs one statement with its values bound as text ($1, $2, …; an invalid QVariant is
    // null). Throws FleetError; a lost connection is transient and closes this one.
    PgRows exec(const QString& sql, const QVariantList& values = {});
    // Runs statements separated by semicolons, without values (schema scripts).
    void execScript(const QString& sql);

    // The server process serving this connection; 0 when not connected.
    int backendPid() const;

private:
    QString m_conninfo;
    pg_conn* m_conn = nullptr;
};
