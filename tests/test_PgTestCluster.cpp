#include "support/PgTestCluster.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <optional>
#include <string>

namespace {

#define SKIP_WITHOUT_POSTGRES(options)                                                             \
    if (const QString why = PgTestCluster::unavailableReason(options); !why.isEmpty())             \
    GTEST_SKIP() << "SKIPPED: " << why.toStdString()

// One libpq connection of a test, closed at the end of its scope.
class Client {
public:
    explicit Client(const QString& conninfo) : m_conn(PQconnectdb(conninfo.toUtf8().constData())) {
        // The server's goodbye on a shutdown is expected here.
        PQsetNoticeProcessor(
            m_conn, [](void*, const char*) {}, nullptr);
    }
    ~Client() { PQfinish(m_conn); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return PQstatus(m_conn) == CONNECTION_OK; }
    std::string error() const { return PQerrorMessage(m_conn); }

    // The first value of the first row; nullopt when the statement failed.
    std::optional<std::string> value(const char* sql) {
        PGresult* result = PQexec(m_conn, sql);
        std::optional<std::string> text;
        if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0)
            text = PQgetvalue(result, 0, 0);
        PQclear(result);
        return text;
    }

private:
    PGconn* m_conn;
};

bool Responds(const QString& conninfo) {
    return PQping(conninfo.toUtf8().constData()) == PQPING_OK;
}

TEST(PgTestCluster, ServesRolesAndKeepsItsDataOverRestartsAndACrash) {
    SKIP_WITHOUT_POSTGRES({});
    QString folder;
    {
        PgTestCluster cluster;
        ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
        folder = cluster.socketFolder();

        QStringList version;
        ASSERT_TRUE(cluster.superuserExec(QStringLiteral("select version()"), &version))
            << cluster.error().toStdString();
        EXPECT_TRUE(version.value(0).startsWith(QStringLiteral("PostgreSQL 15")))
            << version.value(0).toStdString();

        // A quote in the password and a capital in the name survive the quoting.
        const QString role = QStringLiteral("Pc_one");
        const QString password = QStringLiteral("it's \"secret\"");
        ASSERT_TRUE(cluster.superuserExec(QStringLiteral("create role fleet_pcs nologin")));
        ASSERT_TRUE(cluster.createLoginRole(role, password, {QStringLiteral("fleet_pcs")}))
            << cluster.error().toStdString();
        ASSERT_TRUE(cluster.superuserExec(
            QStringLiteral("create table kept(v text); insert into kept values ('before');"
                           "grant select on kept to fleet_pcs")));
        {
            Client pc(cluster.conninfo(role, password));
            ASSERT_TRUE(pc.connected()) << pc.error();
            EXPECT_EQ(pc.value("select current_user"), "Pc_one");
            EXPECT_EQ(pc.value("select v from kept"), "before");
        }
        Client wrong(cluster.conninfo(role, QStringLiteral("guess")));
        EXPECT_FALSE(wrong.connected());
        EXPECT_NE(wrong.error().find("password authentication failed"), std::string::npos)
            << wrong.error();

        ASSERT_TRUE(cluster.stop()) << cluster.error().toStdString();
        EXPECT_FALSE(cluster.isRunning());
        EXPECT_FALSE(Responds(cluster.superuserConninfo()));
        ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
        {
            Client pc(cluster.conninfo(role, password));
            EXPECT_EQ(pc.value("select v from kept"), "before") << pc.error();
        }

        // Taken away as by a crash while a client is connected: the client loses it, and the
        // server comes back with its committed data.
        Client held(cluster.superuserConninfo());
        ASSERT_TRUE(held.connected()) << held.error();
        ASSERT_TRUE(cluster.superuserExec(QStringLiteral("insert into kept values ('after')")));
        ASSERT_TRUE(cluster.stop(PgTestCluster::StopMode::Immediate))
            << cluster.error().toStdString();
        EXPECT_EQ(held.value("select 1"), std::nullopt);
        ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
        QStringList rows;
        ASSERT_TRUE(cluster.superuserExec(QStringLiteral("select v from kept order by v"), &rows));
        EXPECT_EQ(rows, QStringList({QStringLiteral("after"), QStringLiteral("before")}));
    }
    EXPECT_FALSE(QFileInfo::exists(folder)) << "the cluster's folder is left behind";
}

TEST(PgTestCluster, TerminatedBackendsAreLostConnections) {
    SKIP_WITHOUT_POSTGRES({});
    PgTestCluster cluster;
    ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
    ASSERT_TRUE(cluster.createLoginRole(QStringLiteral("pc_two"), QStringLiteral("pw")));
    ASSERT_TRUE(cluster.createLoginRole(QStringLiteral("pc_three"), QStringLiteral("pw")));

    Client first(cluster.conninfo(QStringLiteral("pc_two"), QStringLiteral("pw")));
    Client second(cluster.conninfo(QStringLiteral("pc_two"), QStringLiteral("pw")));
    Client other(cluster.conninfo(QStringLiteral("pc_three"), QStringLiteral("pw")));
    ASSERT_TRUE(first.connected() && second.connected() && other.connected());

    EXPECT_EQ(cluster.terminateBackends(QStringLiteral("pc_two")), 2)
        << cluster.error().toStdString();
    for (Client* lost : {&first, &second}) {
        EXPECT_EQ(lost->value("select 1"), std::nullopt);
        EXPECT_FALSE(lost->connected());
    }
    // Another role's sessions are left alone until ended by their process id.
    ASSERT_EQ(other.value("select 1"), "1");
    const int pid = std::stoi(other.value("select pg_backend_pid()").value_or("0"));
    ASSERT_TRUE(cluster.terminateBackend(pid)) << cluster.error().toStdString();
    EXPECT_EQ(other.value("select 1"), std::nullopt);
    EXPECT_FALSE(other.connected());
    EXPECT_FALSE(cluster.terminateBackend(pid));
}

TEST(PgTestCluster, VerifyFullAcceptsOnlyTheCertifiedHostName) {
    SKIP_WITHOUT_POSTGRES({.tls = true});
    PgTestCluster cluster({.tls = true});
    ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
    ASSERT_TRUE(cluster.createLoginRole(QStringLiteral("pc_tls"), QStringLiteral("pw")));

    Client good(cluster.tlsConninfo(QStringLiteral("localhost"), QStringLiteral("pc_tls"),
                                    QStringLiteral("pw")));
    ASSERT_TRUE(good.connected()) << good.error();
    EXPECT_EQ(good.value("select ssl from pg_stat_ssl where pid = pg_backend_pid()"), "t");

    struct Refused {
        QString conninfo;
        const char* because;
    };
    const QString role = QStringLiteral(" user=pc_tls password=pw dbname=postgres port=") +
                         QString::number(cluster.port());
    const Refused cases[] = {
        {cluster.tlsConninfo(QStringLiteral("wrong.example"), QStringLiteral("pc_tls"),
                             QStringLiteral("pw")),
         "does not match host name"},
        // The certificate names no address.
        {cluster.tlsConninfo(QStringLiteral("127.0.0.1"), QStringLiteral("pc_tls"),
                             QStringLiteral("pw")),
         "does not match host name"},
        {QStringLiteral("host=localhost hostaddr=127.0.0.1 sslmode=verify-full sslrootcert=") +
             cluster.socketFolder() + QStringLiteral("/no-such-ca.crt") + role,
         "root certificate file"},
        {QStringLiteral("host=127.0.0.1 sslmode=disable") + role, "no pg_hba.conf entry"},
    };
    for (const Refused& refused : cases) {
        Client client(refused.conninfo);
        EXPECT_FALSE(client.connected()) << refused.conninfo.toStdString();
        EXPECT_NE(client.error().find(refused.because), std::string::npos)
            << refused.conninfo.toStdString() << ": " << client.error();
    }
}

// A test process that died left its server running; the next cluster stops and removes it.
TEST(PgTestCluster, ServersOfDeadTestProcessesAreRemoved) {
    SKIP_WITHOUT_POSTGRES({});
    PgTestCluster orphan;
    ASSERT_TRUE(orphan.start()) << orphan.error().toStdString();
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    {
        QFile owner(orphan.socketFolder() + QStringLiteral("/owner.pid"));
        ASSERT_TRUE(owner.open(QIODevice::WriteOnly));
        owner.write(QByteArray::number(deadPid));
    }

    PgTestCluster next;
    ASSERT_TRUE(next.start()) << next.error().toStdString();
    EXPECT_FALSE(Responds(orphan.superuserConninfo()));
    EXPECT_FALSE(QFileInfo::exists(orphan.socketFolder()));
    EXPECT_TRUE(Responds(next.superuserConninfo()));
}

} // namespace
