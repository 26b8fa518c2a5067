#include "support/PgTestCluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <libpq-fe.h>
#include <memory>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kFolderPrefix = QStringLiteral("dialtoll-pg-");
const QString kOwnerFile = QStringLiteral("owner.pid");
const char kServerUser[] = "postgres";
constexpr int kToolTimeoutMs = 60000;

bool RunsAsRoot() {
    return ::geteuid() == 0;
}

QString BinFolder() {
    const QString configured = qEnvironmentVariable("DIALTOLL_PG_BIN_DIR");
    return configured.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin") : configured;
}

// The server's socket goes in the folder, and a socket's path is at most 107 bytes. As root,
// the server user must also reach the folder, which a private parent (TMPDIR=/root/tmp) would
// not let it. Otherwise the cluster goes to /tmp.
QString BaseFolder() {
    const QString base = QDir::tempPath();
    if (QFile::encodeName(base).size() > 64)
        return QStringLiteral("/tmp");
    if (!RunsAsRoot())
        return base;
    for (QDir dir(base);;) {
        struct stat info {};
        if (::stat(QFile::encodeName(dir.absolutePath()).constData(), &info) != 0 ||
            !(info.st_mode & S_IXOTH))
            return QStringLiteral("/tmp");
        if (dir.isRoot())
            return base;
        dir.cdUp();
    }
}

// A value for a libpq connection string, quoted so that spaces and quotes survive.
QString ConninfoValue(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    quoted.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Quoted for a statement; the server keeps standard_conforming_strings on, so only quotes
// are doubled.
QString SqlLiteral(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString SqlIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A text in a server configuration file.
QString ConfigValue(const QString& value) {
    QString quoted = value;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A TCP port nobody listens on now; the kernel hands out each one in turn, so it is not handed
// out again before the server binds it.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool ProcessAlive(qint64 pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}

struct ConnDeleter {
    void operator()(PGconn* conn) const { PQfinish(conn); }
};
struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Conn = std::unique_ptr<PGconn, ConnDeleter>;
using Result = std::unique_ptr<PGresult, ResultDeleter>;

QString ErrorText(const PGconn* conn) {
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

// Runs `sql` (several statements when there are no values); the last result's first column.
bool RunSql(PGconn* conn, const QString& sql, const QStringList& values, QStringList* firstColumn,
            QString* error) {
    Result result;
    if (values.isEmpty()) {
        result.reset(PQexec(conn, sql.toUtf8().constData()));
    } else {
        std::vector<QByteArray> texts;
        std::vector<const char*> pointers;
        for (const QString& value : values)
            texts.push_back(value.toUtf8());
        for (const QByteArray& text : texts)
            pointers.push_back(text.constData());
        result.reset(PQexecParams(conn, sql.toUtf8().constData(), int(pointers.size()), nullptr,
                                  pointers.data(), nullptr, nullptr, 0));
    }
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        *error = ErrorText(conn);
        return false;
    }
    if (firstColumn) {
        firstColumn->clear();
        for (int row = 0; row < PQntuples(result.get()); ++row)
            firstColumn->append(QString::fromUtf8(PQgetvalue(result.get(), row, 0)));
    }
    return true;
}

} // namespace

PgTestCluster::PgTestCluster(Options options)
    : m_options(options), m_folder(BaseFolder() + QLatin1Char('/') + kFolderPrefix + "XXXXXX") {}

PgTestCluster::~PgTestCluster() {
    if (m_running)
        stop(StopMode::Immediate);
}

QString PgTestCluster::unavailableReason(Options options) {
    for (const char* tool : {"initdb", "pg_ctl", "postgres"}) {
        const QString path = BinFolder() + QLatin1Char('/') + QLatin1String(tool);
        if (!QFileInfo(path).isExecutable())
            return QStringLiteral("PostgreSQL 15 is not installed (no %1)").arg(path);
    }
    if (RunsAsRoot()) {
        if (!::getpwnam(kServerUser))
            return QStringLiteral("running as root and there is no \"postgres\" user to run the "
                                  "server as");
        if (QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            return QStringLiteral("running as root and runuser is missing");
    }
    if (options.tls && QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
        return QStringLiteral("openssl is missing to make the test certificates");
    return {};
}

bool PgTestCluster::start() {
    m_error.clear();
    if (m_running)
        return true;
    if (!m_created && !create())
        return false;
    if (!runTool(QStringLiteral("pg_ctl"),
                 {QStringLiteral("-D"), dataFolder(), QStringLiteral("-l"), serverLog(),
                  QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("30"),
                  QStringLiteral("start")},
                 kToolTimeoutMs)) {
        failWithLog(m_error);
        return false;
    }
    m_running = true;
    return true;
}

bool PgTestCluster::stop(StopMode mode) {
    m_error.clear();
    if (!m_running)
        return true;
    const QString modeName =
        mode == StopMode::Fast ? QStringLiteral("fast") : QStringLiteral("immediate");
    if (!runTool(QStringLiteral("pg_ctl"),
                 {QStringLiteral("-D"), dataFolder(), QStringLiteral("-m"), modeName,
                  QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("30"),
                  QStringLiteral("stop")},
                 kToolTimeoutMs))
        return false;
    m_running = false;
    return true;
}

bool PgTestCluster::create() {
    if (const QString reason = unavailableReason(m_options); !reason.isEmpty()) {
        m_error = reason;
        return false;
    }
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder: ") + m_folder.errorString();
        return false;
    }
    removeLeftovers();
    if (!writeOwner(m_folder.path()))
        return false;
    m_port = FreePort();
    if (m_port == 0) {
        m_error = QStringLiteral("no free TCP port");
        return false;
    }
    if (m_options.tls && !makeCertificates())
        return false;
    if (!handToServerUser(m_folder.path()) || !copyTemplate())
        return false;
    if (!writeConfiguration())
        return false;
    m_created = true;
    return true;
}

// Folders of earlier test processes that died before removing theirs: their servers would run on.
void PgTestCluster::removeLeftovers() {
    const QDir base(QFileInfo(m_folder.path()).absolutePath());
    for (const QFileInfo& entry :
         base.entryInfoList({kFolderPrefix + '*'}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile owner(entry.filePath() + QLatin1Char('/') + kOwnerFile);
        if (!owner.open(QIODevice::ReadOnly))
            continue;
        if (ProcessAlive(owner.readAll().trimmed().toLongLong()))
            continue;
        const QString data = entry.filePath() + QStringLiteral("/data");
        if (QFileInfo::exists(data + QStringLiteral("/postmaster.pid")))
            runTool(QStringLiteral("pg_ctl"),
                    {QStringLiteral("-D"), data, QStringLiteral("-m"), QStringLiteral("immediate"),
                     QStringLiteral("-w"), QStringLiteral("stop")},
                    kToolTimeoutMs);
        QDir(entry.filePath()).removeRecursively();
    }
    m_error.clear();
}

// initdb takes seconds on a busy machine: each process runs it once and copies its result for
// every cluster. The copy goes when the process ends, or with the leftovers if it dies.
bool PgTestCluster::copyTemplate() {
    static std::unique_ptr<QTemporaryDir> made;
    if (!made) {
        auto folder = std::make_unique<QTemporaryDir>(BaseFolder() + QLatin1Char('/') +
                                                      kFolderPrefix + QStringLiteral("XXXXXX"));
        if (!folder->isValid()) {
            m_error = QStringLiteral("no temporary folder: ") + folder->errorString();
            return false;
        }
        if (!writeOwner(folder->path()) || !handToServerUser(folder->path()) ||
            !runTool(QStringLiteral("initdb"),
                     {QStringLiteral("-D"), folder->filePath(QStringLiteral("data")),
                      QStringLiteral("--no-sync"), QStringLiteral("--username=postgres"),
                      QStringLiteral("--auth-local=trust"),
                      QStringLiteral("--auth-host=scram-sha-256"),
                      QStringLiteral("--encoding=UTF8"), QStringLiteral("--locale=C.UTF-8")},
                     kToolTimeoutMs))
            return false;
        made = std::move(folder);
    }
    // As root, cp keeps the server user as owner.
    return runCommand(QStringLiteral("cp"),
                      {QStringLiteral("-a"), made->filePath(QStringLiteral("data")), dataFolder()},
                      kToolTimeoutMs);
}

bool PgTestCluster::writeOwner(const QString& folder) {
    QFile owner(folder + QLatin1Char('/') + kOwnerFile);
    if (!owner.open(QIODevice::WriteOnly) ||
        owner.write(QByteArray::number(QCoreApplication::applicationPid())) < 0) {
        m_error = QStringLiteral("cannot write ") + owner.fileName();
        return false;
    }
    return true;
}

bool PgTestCluster::makeCertificates() {
    if (!QDir(m_folder.path()).mkdir(QStringLiteral("tls"))) {
        m_error = QStringLiteral("cannot make the certificates' folder");
        return false;
    }
    QFile extensions(tlsFile(QStringLiteral("server.ext")));
    if (!extensions.open(QIODevice::WriteOnly) ||
        extensions.write("basicConstraints = critical, CA:FALSE\n"
                         "keyUsage = critical, digitalSignature\n"
                         "extendedKeyUsage = serverAuth\n"
                         "subjectAltName = DNS:localhost\n") < 0) {
        m_error = QStringLiteral("cannot write ") + extensions.fileName();
        return false;
    }
    extensions.close();
    // Quick elliptic-curve keys. The server's name is only in the alternative name, so the
    // common name cannot pass for it.
    const auto openssl = [this](const char* arguments) {
        return runCommand(QStringLiteral("openssl"),
                          QString::fromLatin1(arguments).split(QLatin1Char(' ')), kToolTimeoutMs,
                          tlsFile(QString()));
    };
    const bool made =
        openssl("req -x509 -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -noenc "
                "-keyout ca.key -out ca.crt -days 2 -subj /CN=dialtoll-test-authority "
                "-addext basicConstraints=critical,CA:TRUE "
                "-addext keyUsage=critical,keyCertSign,cRLSign") &&
        openssl("req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -noenc "
                "-keyout server.key -out server.csr -subj /CN=dialtoll-test-server") &&
        openssl("x509 -req -in server.csr -CA ca.crt -CAkey ca.key -set_serial 2 -days 2 "
                "-extfile server.ext -out server.crt");
    if (!made)
        return false;
    // The server refuses a key others can read.
    QFile::setPermissions(tlsFile(QStringLiteral("server.key")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

bool PgTestCluster::writeConfiguration() {
    QStringList settings = {
        QStringLiteral("port = %1").arg(m_port),
        QStringLiteral("unix_socket_directories = ") + ConfigValue(m_folder.path()),
        QStringLiteral("listen_addresses = ") +
            ConfigValue(m_options.tls ? QStringLiteral("127.0.0.1") : QString()),
        // Quick on a small shared machine; the data is thrown away anyway.
        QStringLiteral("fsync = off"),
        QStringLiteral("full_page_writes = off"),
        QStringLiteral("shared_buffers = 16MB"),
        QStringLiteral("max_connections = 40"),
        QStringLiteral("autovacuum = off"),
    };
    QStringList access = {
        QStringLiteral("local all postgres trust"),
        QStringLiteral("local all all scram-sha-256"),
    };
    if (m_options.tls) {
        settings << QStringLiteral("ssl = on")
                 << QStringLiteral("ssl_cert_file = ") +
                        ConfigValue(tlsFile(QStringLiteral("server.crt")))
                 << QStringLiteral("ssl_key_file = ") +
                        ConfigValue(tlsFile(QStringLiteral("server.key")));
        access << QStringLiteral("hostssl all all 127.0.0.1/32 scram-sha-256");
    }
    // Appended, so these win over initdb's; the access rules replace initdb's.
    QFile config(dataFolder() + QStringLiteral("/postgresql.conf"));
    QFile hba(dataFolder() + QStringLiteral("/pg_hba.conf"));
    if (!config.open(QIODevice::Append) ||
        config.write('\n' + settings.join(QLatin1Char('\n')).toUtf8() + '\n') < 0 ||
        !hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        hba.write(access.join(QLatin1Char('\n')).toUtf8() + '\n') < 0) {
        m_error = QStringLiteral("cannot write the server's configuration in ") + dataFolder();
        return false;
    }
    return true;
}

// As root, the folder and all in it go to the server user, who creates the data folder.
bool PgTestCluster::handToServerUser(const QString& folder) {
    if (!RunsAsRoot())
        return true;
    const passwd* user = ::getpwnam(kServerUser);
    if (!user) {
        m_error = QStringLiteral("no \"postgres\" user");
        return false;
    }
    QStringList paths = {folder};
    for (QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        paths << it.next();
    for (const QString& path : paths) {
        if (::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0) {
            m_error = QStringLiteral("cannot hand %1 to the \"postgres\" user").arg(path);
            return false;
        }
    }
    return true;
}

bool PgTestCluster::runTool(const QString& tool, const QStringList& arguments, int timeoutMs) {
    const QString path = BinFolder() + QLatin1Char('/') + tool;
    if (RunsAsRoot())
        return runCommand(QStringLiteral("runuser"),
                          QStringList{QStringLiteral("-u"), QString::fromLatin1(kServerUser),
                                      QStringLiteral("--"), path} +
                              arguments,
                          timeoutMs);
    return runCommand(path, arguments, timeoutMs);
}

bool PgTestCluster::runCommand(const QString& program, const QStringList& arguments, int timeoutMs,
                               const QString& workingFolder) {
    QProcess process;
    // The server user may not reach the test's working folder.
    process.setWorkingDirectory(workingFolder.isEmpty() ? m_folder.path() : workingFolder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const QString command = program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    if (!process.waitForFinished(timeoutMs)) {
        m_error = command + QStringLiteral(": ") + process.errorString();
        process.kill();
        process.waitForFinished(2000);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = command + QStringLiteral(" failed:\n") +
                  QString::fromLocal8Bit(process.readAll()).trimmed();
        return false;
    }
    return true;
}

void PgTestCluster::failWithLog(const QString& message) {
    QFile log(serverLog());
    QString text = message;
    if (log.open(QIODevice::ReadOnly)) {
        const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
        text +=
            QStringLiteral("\nserver log:\n") + lines.mid(qMax(0, lines.size() - 20)).join('\n');
    }
    m_error = text;
}

QString PgTestCluster::dataFolder() const {
    return m_folder.filePath(QStringLiteral("data"));
}

QString PgTestCluster::tlsFile(const QString& name) const {
    return m_folder.filePath(QStringLiteral("tls/") + name);
}

QString PgTestCluster::serverLog() const {
    return m_folder.filePath(QStringLiteral("server.log"));
}

QString PgTestCluster::caCertificate() const {
    return m_options.tls ? tlsFile(QStringLiteral("ca.crt")) : QString();
}

QString PgTestCluster::superuserConninfo(const QString& database) const {
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=postgres")
        .arg(ConninfoValue(m_folder.path()))
        .arg(m_port)
        .arg(ConninfoValue(database));
}

QString PgTestCluster::conninfo(const QString& role, const QString& password,
                                const QString& database) const {
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=%5")
        .arg(ConninfoValue(m_folder.path()))
        .arg(m_port)
        .arg(ConninfoValue(database), ConninfoValue(role), ConninfoValue(password));
}

QString PgTestCluster::tlsConninfo(const QString& host, const QString& role,
                                   const QString& password, const QString& database) const {
    return QStringLiteral("host=%1 hostaddr=127.0.0.1 port=%2 dbname=%3 user=%4 password=%5 "
                          "sslmode=verify-full sslrootcert=%6")
        .arg(ConninfoValue(host))
        .arg(m_port)
        .arg(ConninfoValue(database), ConninfoValue(role), ConninfoValue(password),
             ConninfoValue(caCertificate()));
}

bool PgTestCluster::superuserExec(const QString& sql, QStringList* firstColumn,
                                  const QString& database) {
    return query(sql, {}, firstColumn, database);
}

bool PgTestCluster::createLoginRole(const QString& role, const QString& password,
                                    const QStringList& groups) {
    QString sql = QStringLiteral("create role %1 login password %2")
                      .arg(SqlIdentifier(role), SqlLiteral(password));
    if (!groups.isEmpty()) {
        QStringList names;
        for (const QString& group : groups)
            names << SqlIdentifier(group);
        sql += QStringLiteral(" in role ") + names.join(QStringLiteral(", "));
    }
    return superuserExec(sql);
}

int PgTestCluster::terminateBackends(const QString& role) {
    QStringList ended;
    if (!query(QStringLiteral("select count(*) filter (where ended) from ("
                              "select pg_terminate_backend(pid, 5000) as ended "
                              "from pg_stat_activity "
                              "where usename = $1 and pid <> pg_backend_pid()) as sessions"),
               {role}, &ended, QStringLiteral("postgres")))
        return -1;
    return ended.value(0).toInt();
}

bool PgTestCluster::terminateBackend(int pid) {
    QStringList ended;
    if (!query(QStringLiteral("select pg_terminate_backend($1::int, 5000)"), {QString::number(pid)},
               &ended, QStringLiteral("postgres")))
        return false;
    if (ended.value(0) != QLatin1String("t")) {
        m_error = QStringLiteral("server process %1 did not end").arg(pid);
        return false;
    }
    return true;
}

bool PgTestCluster::query(const QString& sql, const QStringList& values, QStringList* firstColumn,
                          const QString& database) {
    m_error.clear();
    Conn conn(PQconnectdb(superuserConninfo(database).toUtf8().constData()));
    if (PQstatus(conn.get()) != CONNECTION_OK) {
        m_error = ErrorText(conn.get());
        return false;
    }
    // Warnings such as an unknown process id to end are not the test's output.
    PQsetNoticeProcessor(
        conn.get(), [](void*, const char*) {}, nullptr);
    return RunSql(conn.get(), sql, values, firstColumn, &m_error);
}
