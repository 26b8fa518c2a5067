#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct PgTestClusterOptions {
    // A test certificate authority and a server certificate for "localhost"; the server then
    // also listens on 127.0.0.1 and takes TCP log-ons over TLS only.
    bool tls = false;
};

// A throw-away PostgreSQL 15 server for integration tests: a fresh cluster in a temporary
// folder, reached over a Unix socket in that folder (and, with TLS, over 127.0.0.1 on a free
// port). The superuser "postgres" logs on over the socket without a password; every other role
// gives its password (scram-sha-256). Stopped and removed when destroyed.
//
// Run as root, the server tools run as the "postgres" user, as the server refuses root. Used
// from the test's thread only.
class PgTestCluster {
public:
    using Options = PgTestClusterOptions;
    enum class StopMode { Fast, Immediate };

    explicit PgTestCluster(Options options);
    PgTestCluster() : PgTestCluster(Options{}) {}
    ~PgTestCluster();
    PgTestCluster(const PgTestCluster&) = delete;
    PgTestCluster& operator=(const PgTestCluster&) = delete;

    // Why a cluster cannot be made on this machine (PostgreSQL or a tool missing); empty when
    // it can. Tests skip on this, and fail on any other trouble.
    static QString unavailableReason(Options options = {});

    // The first call creates the cluster; later ones start it again on the same data. False
    // with the reason (and the end of the server's log) in error().
    bool start();
    // Takes the server away: Fast ends sessions cleanly, Immediate as a crash would.
    bool stop(StopMode mode = StopMode::Fast);
    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }

    int port() const { return m_port; }
    QString socketFolder() const { return m_folder.path(); }
    QString serverLog() const;
    // The test authority's certificate (TLS only).
    QString caCertificate() const;

    // libpq connection strings.
    QString superuserConninfo(const QString& database = QStringLiteral("postgres")) const;
    QString conninfo(const QString& role, const QString& password,
                     const QString& database = QStringLiteral("postgres")) const;
    // Over TLS with verify-full: `host` is the name checked against the certificate, while the
    // connection always goes to 127.0.0.1.
    QString tlsConninfo(const QString& host, const QString& role, const QString& password,
                        const QString& database = QStringLiteral("postgres")) const;

    // Runs statements as the superuser. Returns false with the reason in error(); `firstColumn`
    // gets the first column of the last statement's rows.
    bool superuserExec(const QString& sql, QStringList* firstColumn = nullptr,
                       const QString& database = QStringLiteral("postgres"));
    // A role that logs on with `password`, member of `groups`. Names are taken as written, so
    // capitals count.
    bool createLoginRole(const QString& role, const QString& password,
                         const QStringList& groups = {});

    // Ends the server processes of every session of `role` (or of one process) and waits until
    // they are gone. The number ended, -1 on failure.
    int terminateBackends(const QString& role);
    bool terminateBackend(int pid);

private:
    bool create();
    void removeLeftovers();
    bool makeCertificates();
    bool writeConfiguration();
    bool copyTemplate();
    bool writeOwner(const QString& folder);
    bool handToServerUser(const QString& folder);
    bool query(const QString& sql, const QStringList& values, QStringList* firstColumn,
               const QString& database);
    bool runTool(const QString& tool, const QStringList& arguments, int timeoutMs);
    bool runCommand(const QString& program, const QStringList& arguments, int timeoutMs,
                    const QString& workingFolder = {});
    QString dataFolder() const;
    QString tlsFile(const QString& name) const;
    void failWithLog(const QString& message);

    Options m_options;
    QTemporaryDir m_folder;
    int m_port = 0;
    bool m_created = false;
    bool m_running = false;
    QString m_error;
};
