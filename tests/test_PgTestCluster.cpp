#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"
#include "support/PgTestCluster.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <optional>

namespace {

#define SKIP_WITHOUT_POSTGRES(options)                                                             \
    if (const QString why = PgTestCluster::unavailableReason(options); !why.isEmpty())             \
    GTEST_SKIP() << "SKIPPED: " << why.toStdString()

// The first value of the first row, or the failure's message.
QString Value(PgConnection& connection, const QString& sql) {
    try {
        const PgRows rows = connection.exec(sql);
        return rows.rows.value(0).value(0).toString();
    } catch (const FleetError& error) {
        return QStringLiteral("failed: ") + error.message;
    }
}

// A connected PgConnection, or the reason it is not.
struct Connected {
    explicit Connected(const QString& conninfo) : connection(conninfo) {
        try {
            connection.connect();
        } catch (const FleetError& e) {
            error = e;
        }
    }
    PgConnection connection;
    std::optional<FleetError> error;
};

// A statement on a connection the server ended fails as worth retrying, and closes it.
void ExpectLost(PgConnection& connection) {
    try {
        connection.exec(QStringLiteral("select 1"));
        ADD_FAILURE() << "a statement went through an ended connection";
    } catch (const FleetError& error) {
        EXPECT_TRUE(error.transient) << error.message.toStdString();
    }
    EXPECT_FALSE(connection.isConnected());
}

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
            Connected pc(cluster.conninfo(role, password));
            ASSERT_FALSE(pc.error) << pc.error->message.toStdString();
            EXPECT_EQ(Value(pc.connection, QStringLiteral("select current_user")), role);
            EXPECT_EQ(Value(pc.connection, QStringLiteral("select v from kept")), "before");
        }
        Connected wrong(cluster.conninfo(role, QStringLiteral("guess")));
        ASSERT_TRUE(wrong.error);
        EXPECT_TRUE(wrong.error->message.contains(QStringLiteral("password authentication failed")))
            << wrong.error->message.toStdString();
        EXPECT_FALSE(wrong.error->transient);

        ASSERT_TRUE(cluster.stop()) << cluster.error().toStdString();
        EXPECT_FALSE(cluster.isRunning());
        EXPECT_FALSE(Responds(cluster.superuserConninfo()));
        Connected away(cluster.conninfo(role, password));
        ASSERT_TRUE(away.error);
        EXPECT_TRUE(away.error->transient) << away.error->message.toStdString();
        ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
        Connected back(cluster.conninfo(role, password));
        ASSERT_FALSE(back.error) << back.error->message.toStdString();
        EXPECT_EQ(Value(back.connection, QStringLiteral("select v from kept")), "before");

        // Taken away as by a crash while a client is connected: the client loses it, and the
        // server comes back with its committed data.
        ASSERT_TRUE(cluster.superuserExec(QStringLiteral("insert into kept values ('after')")));
        ASSERT_TRUE(cluster.stop(PgTestCluster::StopMode::Immediate))
            << cluster.error().toStdString();
        ExpectLost(back.connection);
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

    Connected first(cluster.conninfo(QStringLiteral("pc_two"), QStringLiteral("pw")));
    Connected second(cluster.conninfo(QStringLiteral("pc_two"), QStringLiteral("pw")));
    Connected other(cluster.conninfo(QStringLiteral("pc_three"), QStringLiteral("pw")));
    ASSERT_FALSE(first.error || second.error || other.error);

    EXPECT_EQ(cluster.terminateBackends(QStringLiteral("pc_two")), 2)
        << cluster.error().toStdString();
    ExpectLost(first.connection);
    ExpectLost(second.connection);
    // Another role's sessions are left alone until ended by their process id.
    ASSERT_EQ(Value(other.connection, QStringLiteral("select 1")), "1");
    const int pid = other.connection.backendPid();
    ASSERT_TRUE(cluster.terminateBackend(pid)) << cluster.error().toStdString();
    ExpectLost(other.connection);
    EXPECT_FALSE(cluster.terminateBackend(pid));
}

TEST(PgTestCluster, VerifyFullAcceptsOnlyTheCertifiedHostName) {
    SKIP_WITHOUT_POSTGRES({.tls = true});
    PgTestCluster cluster({.tls = true});
    ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
    ASSERT_TRUE(cluster.createLoginRole(QStringLiteral("pc_tls"), QStringLiteral("pw")));

    Connected good(cluster.tlsConninfo(QStringLiteral("localhost"), QStringLiteral("pc_tls"),
                                       QStringLiteral("pw")));
    ASSERT_FALSE(good.error) << good.error->message.toStdString();
    EXPECT_EQ(Value(good.connection,
                    QStringLiteral("select ssl from pg_stat_ssl where pid = pg_backend_pid()")),
              "t");

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
        Connected client(refused.conninfo);
        ASSERT_TRUE(client.error) << refused.conninfo.toStdString();
        EXPECT_TRUE(client.error->message.contains(QLatin1String(refused.because)))
            << refused.conninfo.toStdString() << ": " << client.error->message.toStdString();
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
