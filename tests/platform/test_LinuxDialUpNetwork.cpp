#include "platform/linux/KernelDialUpLinks.h"
#include "platform/linux/LinuxDialUpNetwork.h"
#include "platform/linux/NetworkManagerLinks.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <list>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The watch polls every 120 ms: a link up must be seen within one poll.
constexpr int PollMs = 120;

bool waitFor(const std::function<bool()>& condition, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Changes a link as pppd or ifconfig would, through one ioctl on the named interface.
bool linkIoctl(const QString& iface, unsigned long request,
               const std::function<void(ifreq&)>& fill) {
    const int control = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (control < 0)
        return false;
    ifreq change{};
    std::strncpy(change.ifr_name, iface.toLocal8Bit().constData(), IFNAMSIZ - 1);
    bool ok = request != SIOCSIFFLAGS || ioctl(control, SIOCGIFFLAGS, &change) == 0;
    fill(change);
    ok = ok && ioctl(control, request, &change) == 0;
    close(control);
    return ok;
}

// A new IPv4 address with a host mask, as tun_link gives one.
bool setAddress(const QString& iface, const char* address) {
    const auto put = [](in_addr_t value) {
        return [value](ifreq& change) {
            auto* in = reinterpret_cast<sockaddr_in*>(&change.ifr_addr);
            in->sin_family = AF_INET;
            in->sin_addr.s_addr = value;
        };
    };
    return linkIoctl(iface, SIOCSIFADDR, put(inet_addr(address))) &&
           linkIoctl(iface, SIOCSIFNETMASK, put(INADDR_BROADCAST));
}

bool setUp(const QString& iface, bool up) {
    return linkIoctl(iface, SIOCSIFFLAGS, [up](ifreq& change) {
        change.ifr_flags =
            static_cast<short>(up ? change.ifr_flags | IFF_UP : change.ifr_flags & ~IFF_UP);
    });
}

bool rename(const QString& iface, const QString& name) {
    return linkIoctl(iface, SIOCSIFNAME, [&name](ifreq& change) {
        std::strncpy(change.ifr_newname, name.toLocal8Bit().constData(), IFNAMSIZ - 1);
    });
}

// Sets an environment variable for one test and puts the old value back.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, std::optional<QByteArray> value) : m_name(name) {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~EnvironmentGuard() {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// Real TUN interfaces held up by tun_link processes, standing in for pppd.
class KernelLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = qEnvironmentVariable("DIALTOLL_BIN_DIR") + QStringLiteral("/tun_link");
        ASSERT_TRUE(QFile::exists(m_program)) << "tun_link not built: " << m_program.toStdString();
    }

    void TearDown() override {
        for (QProcess& process : m_links) {
            process.terminate();
            process.waitForFinished(2000);
        }
    }

    // An unused name: the prefix and a number from 50 to 99.
    static QString freeName(const QString& prefix) {
        for (;;) {
            const QString name =
                prefix + QString::number(QRandomGenerator::global()->bounded(50, 100));
            if (if_nametoindex(name.toLocal8Bit().constData()) == 0)
                return name;
        }
    }

    // Starts a link and waits for it to be up. Null, with m_skipReason set, where this machine
    // cannot create TUN interfaces.
    QProcess* startLink(const QString& name, const QString& pidFile, const QString& address = {}) {
        QProcess& process = m_links.emplace_back();
        QStringList arguments{name, pidFile};
        if (!address.isEmpty())
            arguments << address;
        process.start(m_program, arguments);
        if (process.waitForReadyRead(3000) && process.readLine().trimmed() == "ready")
            return &process;
        process.waitForFinished(2000);
        const QString error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        if (error.contains(u"/dev/net/tun") || error.contains(u"TUNSETIFF") ||
            error.contains(u"SIOCS") || error.contains(u"SIOCG"))
            m_skipReason = QStringLiteral("cannot create a TUN interface here: ") + error;
        else
            ADD_FAILURE() << "tun_link did not start: " << error.toStdString();
        return nullptr;
    }

    // Waits for the link's process to end, as pppd does on SIGTERM.
    static bool endedCleanly(QProcess* link) {
        return link->waitForFinished(2000) && link->exitStatus() == QProcess::NormalExit &&
               link->exitCode() == 0;
    }

    TempFolder m_folder;
    QString m_program;
    QString m_skipReason;
    std::list<QProcess> m_links;
};

#define START_LINK_OR_SKIP(var, ...)                                                               \
    QProcess* var = startLink(__VA_ARGS__);                                                        \
    if (!var) {                                                                                    \
        if (!m_skipReason.isEmpty())                                                               \
            GTEST_SKIP() << m_skipReason.toStdString();                                            \
        return;                                                                                    \
    }

TEST_F(KernelLinkTest, LinkIsSeenAtOnceAndHangUpEndsItThroughEitherPidFile) {
    const EnvironmentGuard globs("DIALTOLL_DIALUP_IFACES", std::nullopt);
    if (!KernelDialUpLinks(m_folder.path()).links().isEmpty())
        GTEST_SKIP() << "this machine already has dial-up links up";
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("pppd")));

    for (const QString& pidFolder : {m_folder.path(), m_folder.file(QStringLiteral("pppd"))}) {
        SCOPED_TRACE(pidFolder.toStdString());
        const QString name = freeName(QStringLiteral("ppp"));
        const QString pidFile = pidFolder + u'/' + name + QStringLiteral(".pid");
        LinuxDialUpNetwork network(nullptr, KernelDialUpLinks(m_folder.path()));
        EXPECT_FALSE(network.IsConnected());

        START_LINK_OR_SKIP(link, name, pidFile, QStringLiteral("10.99.0.1"));
        EXPECT_TRUE(waitFor([&] { return network.IsConnected(); }, PollMs));
        EXPECT_EQ(KernelDialUpLinks(m_folder.path()).links(), QStringList{name});

        network.HangUpAll();
        EXPECT_TRUE(endedCleanly(link));
        EXPECT_FALSE(QFile::exists(pidFile));
        EXPECT_TRUE(waitFor([&] { return !network.IsConnected(); }, PollMs));
    }
}

TEST_F(KernelLinkTest, OnlyNamesMatchingTheGlobsCount) {
    const QString ppp = freeName(QStringLiteral("ppp"));
    const QString tun = freeName(QStringLiteral("tun"));
    const QString other = freeName(QStringLiteral("dlx"));
    START_LINK_OR_SKIP(pppLink, ppp, m_folder.file(ppp + QStringLiteral(".pid")));
    START_LINK_OR_SKIP(tunLink, tun, m_folder.file(tun + QStringLiteral(".pid")));
    START_LINK_OR_SKIP(otherLink, other, m_folder.file(other + QStringLiteral(".pid")));

    struct Case {
        std::optional<QByteArray> globs;
        QStringList seen;
        QStringList ignored;
    };
    // A TUN device is not of the PPP type: only its name can make it a dial-up link.
    const Case cases[] = {
        {std::nullopt, {ppp}, {tun, other}},
        {QByteArray(""), {ppp}, {tun, other}},
        {QByteArray("tun*,wwan*"), {tun}, {ppp, other}},
        {QByteArray(" dlx* , ppp*"), {ppp, other}, {tun}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.globs ? c.globs->toStdString() : "unset");
        const EnvironmentGuard globs("DIALTOLL_DIALUP_IFACES", c.globs);
        const QStringList links = KernelDialUpLinks(m_folder.path()).links();
        for (const QString& name : c.seen)
            EXPECT_TRUE(links.contains(name)) << name.toStdString();
        for (const QString& name : c.ignored)
            EXPECT_FALSE(links.contains(name)) << name.toStdString();
    }

    // An ignored link is never hung up, even with a pid file of its own.
    const EnvironmentGuard globs("DIALTOLL_DIALUP_IFACES", QByteArray("tun*"));
    LinuxDialUpNetwork network(nullptr, KernelDialUpLinks(m_folder.path()));
    network.HangUpAll();
    EXPECT_TRUE(endedCleanly(tunLink));
    EXPECT_EQ(pppLink->state(), QProcess::Running);
    EXPECT_EQ(otherLink->state(), QProcess::Running);
}

TEST_F(KernelLinkTest, DemandDialPlaceholderIsNotALink) {
    const EnvironmentGuard globs("DIALTOLL_DIALUP_IFACES", std::nullopt);
    const QString real = freeName(QStringLiteral("ppp"));
    QString parked = freeName(QStringLiteral("ppp"));
    while (parked == real)
        parked = freeName(QStringLiteral("ppp"));
    START_LINK_OR_SKIP(realLink, real, m_folder.file(real + QStringLiteral(".pid")),
                       QStringLiteral("10.99.0.1"));
    START_LINK_OR_SKIP(parkedLink, parked, m_folder.file(parked + QStringLiteral(".pid")),
                       QStringLiteral("10.64.64.64"));

    const QStringList links = KernelDialUpLinks(m_folder.path()).links();
    EXPECT_TRUE(links.contains(real));
    EXPECT_FALSE(links.contains(parked));
    // A link waiting to dial is not hung up either.
    LinuxDialUpNetwork(nullptr, KernelDialUpLinks(m_folder.path())).HangUpAll();
    EXPECT_TRUE(endedCleanly(realLink));
    EXPECT_EQ(parkedLink->state(), QProcess::Running);
}

// The watch keeps what it read at the start and follows the kernel's changes from then on: a
// link that changes after it came up must be judged as it is now.
TEST_F(KernelLinkTest, ChangesToAWatchedLinkAreSeenAtTheNextPoll) {
    const EnvironmentGuard globs("DIALTOLL_DIALUP_IFACES", std::nullopt);
    const KernelDialUpLinks kernel(m_folder.path());
    const auto seen = [&kernel](const QString& name) { return kernel.links().contains(name); };
    const QString parked = freeName(QStringLiteral("ppp"));
    const QString other = freeName(QStringLiteral("dlx"));
    START_LINK_OR_SKIP(parkedLink, parked, m_folder.file(parked + QStringLiteral(".pid")),
                       QStringLiteral("10.64.64.64"));
    START_LINK_OR_SKIP(otherLink, other, m_folder.file(other + QStringLiteral(".pid")));

    // pppd on demand: parked, dialled with the real address, then parked again.
    EXPECT_FALSE(seen(parked));
    ASSERT_TRUE(setAddress(parked, "10.99.0.3"));
    EXPECT_TRUE(waitFor([&] { return seen(parked); }, PollMs));
    ASSERT_TRUE(setAddress(parked, "10.64.64.65"));
    EXPECT_TRUE(waitFor([&] { return !seen(parked); }, PollMs));

    // A link taken down and renamed to a dial-up name counts under its new name once up.
    EXPECT_FALSE(seen(other));
    QString renamed = freeName(QStringLiteral("ppp"));
    while (renamed == parked)
        renamed = freeName(QStringLiteral("ppp"));
    ASSERT_TRUE(setUp(other, false));
    ASSERT_TRUE(rename(other, renamed));
    EXPECT_FALSE(seen(renamed)) << "down";
    ASSERT_TRUE(setUp(renamed, true));
    EXPECT_TRUE(waitFor([&] { return seen(renamed); }, PollMs));
    EXPECT_FALSE(seen(other));
    ASSERT_TRUE(setUp(renamed, false));
    EXPECT_TRUE(waitFor([&] { return !seen(renamed); }, PollMs));
}

// Nothing polls here: the link is looked at only when the handler says it changed, as the
// meter does between its slow safety polls.
TEST_F(KernelLinkTest, LinkChangesReachTheHandlerWithoutPolling) {
    const EnvironmentGuard globs("DIALTOLL_DIALUP_IFACES", std::nullopt);
    LinuxDialUpNetwork network(nullptr, KernelDialUpLinks(m_folder.path()));
    if (network.IsConnected())
        GTEST_SKIP() << "this machine already has dial-up links up";
    std::optional<bool> seen;
    QEventLoop loop;
    network.setChangeHandler([&] {
        seen = network.IsConnected();
        loop.quit();
    });
    ASSERT_TRUE(network.changesReported());
    // Waits in the event loop (never asking the link) until the handler saw `up`.
    const auto reported = [&](bool up) {
        QElapsedTimer waited;
        waited.start();
        while (seen != up && waited.elapsed() < 3000) {
            QTimer::singleShot(3000 - waited.elapsed(), &loop, &QEventLoop::quit);
            loop.exec();
        }
        return seen == up;
    };

    const QString name = freeName(QStringLiteral("ppp"));
    START_LINK_OR_SKIP(link, name, m_folder.file(name + QStringLiteral(".pid")),
                       QStringLiteral("10.99.0.5"));
    EXPECT_TRUE(reported(true)) << "link up";
    link->terminate();
    EXPECT_TRUE(reported(false)) << "link down";
    EXPECT_TRUE(network.changesReported());

    // Handler gone: the socket keeps queuing, and nothing spins on it.
    network.setChangeHandler({});
    EXPECT_FALSE(network.changesReported());
}

TEST(KernelDialUpLinks, HangUpSignalsOnlyALiveProcessOtherThanItself) {
    TempFolder folder;
    QProcess finished;
    finished.start(QStringLiteral("true"));
    ASSERT_TRUE(finished.waitForFinished(2000));
    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.waitForStarted(2000));

    // None of these may be signalled; signalling itself would end the meter.
    const QByteArray refused[] = {"",
                                  "abc\n",
                                  "-5\n",
                                  "0\n",
                                  "99999999999\n",
                                  QByteArray::number(getpid()) + '\n',
                                  QByteArray::number(finished.processId()) + '\n'};
    KernelDialUpLinks kernel(folder.path());
    for (const QByteArray& content : refused) {
        SCOPED_TRACE(content.toStdString());
        QFile file(folder.file(QStringLiteral("ppp60.pid")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        EXPECT_FALSE(kernel.hangUp(QStringLiteral("ppp60")));
    }
    EXPECT_FALSE(kernel.hangUp(QStringLiteral("ppp61"))) << "no pid file";
    EXPECT_FALSE(kernel.hangUp(QStringLiteral("../ppp60")));
    EXPECT_EQ(sleeper.state(), QProcess::Running);

    // A pid file naming a live process, with pppd's interface name on a second line.
    QFile file(folder.file(QStringLiteral("ppp60.pid")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray::number(sleeper.processId()) + "\nppp60\n");
    file.close();
    EXPECT_TRUE(kernel.hangUp(QStringLiteral("ppp60")));
    ASSERT_TRUE(sleeper.waitForFinished(2000));
    EXPECT_EQ(sleeper.exitStatus(), QProcess::CrashExit); // ended by the signal
}

// NetworkManager's objects as far as the links need them, served on a private bus.
class FakeNetworkManager : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (m_silent)
            return true; // never answers
        if (message.member() == u"DeactivateConnection") {
            m_deactivated << qdbus_cast<QDBusObjectPath>(message.arguments().value(0)).path();
            connection.send(message.createReply());
            return true;
        }
        const QVariantMap properties =
            m_objects.value(message.path()).value(message.arguments().value(0).toString());
        if (message.member() == u"GetAll") {
            connection.send(message.createReply(QVariant::fromValue(properties)));
        } else if (message.member() == u"Get" &&
                   properties.contains(message.arguments().value(1).toString())) {
            const QVariant value = properties.value(message.arguments().value(1).toString());
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownObject, message.path()));
        }
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    void setActive(const QString& path, const QString& type, uint state, const QString& device,
                   const QString& ipInterface) {
        m_objects[path][QStringLiteral("org.freedesktop.NetworkManager.Connection.Active")] = {
            {QStringLiteral("Type"), type},
            {QStringLiteral("State"), state},
            {QStringLiteral("Devices"),
             QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(device)})}};
        m_objects[device][QStringLiteral("org.freedesktop.NetworkManager.Device")] = {
            {QStringLiteral("IpInterface"), ipInterface},
            {QStringLiteral("Interface"), QStringLiteral("ttyUSB0")}};
        if (!m_active.contains(path))
            m_active << path;
        m_objects[Manager][QStringLiteral("org.freedesktop.NetworkManager")] = {
            {QStringLiteral("ActiveConnections"), QVariant::fromValue(activePaths())}};
    }
    // What NetworkManager sends when an active connection changes state.
    void announce(QDBusConnection& bus, const QString& path, uint state) {
        QDBusMessage changed = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.NetworkManager.Connection.Active"),
            QStringLiteral("StateChanged"));
        changed << state << 0u;
        bus.send(changed);
    }
    // What NetworkManager sends when the list of active connections changes.
    void announceList(QDBusConnection& bus) {
        QDBusMessage changed =
            QDBusMessage::createSignal(Manager, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("PropertiesChanged"));
        changed << QStringLiteral("org.freedesktop.NetworkManager")
                << QVariantMap{{QStringLiteral("ActiveConnections"),
                                QVariant::fromValue(activePaths())}}
                << QStringList{};
        bus.send(changed);
    }

    static inline const QString Manager = QStringLiteral("/org/freedesktop/NetworkManager");
    QStringList m_deactivated;
    bool m_silent = false;

private:
    QList<QDBusObjectPath> activePaths() const {
        QList<QDBusObjectPath> paths;
        for (const QString& path : m_active)
            paths << QDBusObjectPath(path);
        return paths;
    }

    QStringList m_active;
    QMap<QString, QMap<QString, QVariantMap>> m_objects;
};

// A private message bus with a fake NetworkManager that appears on request, and real links.
class NetworkManagerTest : public KernelLinkTest {
protected:
    void SetUp() override {
        KernelLinkTest::SetUp();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(2000) || !m_daemon.waitForReadyRead(3000))
            GTEST_SKIP() << "no dbus-daemon to stand in for the system bus";
        const QString address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
        m_server.emplace(QDBusConnection::connectToBus(address, QStringLiteral("nm-server")));
        m_client.emplace(QDBusConnection::connectToBus(address, QStringLiteral("nm-client")));
        ASSERT_TRUE(m_server->isConnected() && m_client->isConnected());
        ASSERT_TRUE(m_server->registerVirtualObject(FakeNetworkManager::Manager, &m_fake,
                                                    QDBusConnection::SubPath));
    }
    void TearDown() override {
        KernelLinkTest::TearDown();
        m_server.reset();
        m_client.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("nm-server"));
        QDBusConnection::disconnectFromBus(QStringLiteral("nm-client"));
        m_daemon.terminate();
        m_daemon.waitForFinished(2000);
    }

    bool appear() {
        return m_server->registerService(QStringLiteral("org.freedesktop.NetworkManager"));
    }

    QProcess m_daemon;
    FakeNetworkManager m_fake;
    std::optional<QDBusConnection> m_server;
    std::optional<QDBusConnection> m_client;
};

TEST_F(NetworkManagerTest, FollowsDialUpConnectionsAndDeactivatesThem) {
    const EnvironmentGuard globs("DIALTOLL_DIALUP_IFACES", std::nullopt);
    if (!KernelDialUpLinks(m_folder.path()).links().isEmpty())
        GTEST_SKIP() << "this machine already has dial-up links up";
    const QString modem = freeName(QStringLiteral("ppp"));
    QString byHand = freeName(QStringLiteral("ppp"));
    while (byHand == modem)
        byHand = freeName(QStringLiteral("ppp"));
    const QString ethernet = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/1");
    const QString gsm = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/2");

    auto owned = std::make_unique<NetworkManagerLinks>(*m_client, 300);
    NetworkManagerLinks* nm = owned.get();
    LinuxDialUpNetwork network(std::move(owned), KernelDialUpLinks(m_folder.path()));
    waitFor([] { return false; }, 50);
    EXPECT_FALSE(nm->isRunning());
    EXPECT_FALSE(network.IsConnected());

    // NetworkManager appears with a modem still dialling; its PPP link is up already.
    m_fake.setActive(ethernet, QStringLiteral("802-3-ethernet"), 2,
                     QStringLiteral("/org/freedesktop/NetworkManager/Devices/1"),
                     QStringLiteral("eth0"));
    m_fake.setActive(gsm, QStringLiteral("gsm"), NetworkManagerLinks::Activating,
                     QStringLiteral("/org/freedesktop/NetworkManager/Devices/2"), modem);
    START_LINK_OR_SKIP(modemLink, modem, m_folder.file(modem + QStringLiteral(".pid")));
    EXPECT_TRUE(network.IsConnected()) << "before NetworkManager is known the kernel decides";
    ASSERT_TRUE(appear());
    ASSERT_TRUE(waitFor([&] { return nm->isKnown(); }, 2000));
    ASSERT_EQ(nm->links().size(), 1);
    EXPECT_EQ(nm->links().constFirst().path, gsm);
    EXPECT_TRUE(nm->manages(modem));
    EXPECT_FALSE(network.IsConnected()) << "the modem is not on line until ACTIVATED";

    m_fake.setActive(gsm, QStringLiteral("gsm"), NetworkManagerLinks::Activated,
                     QStringLiteral("/org/freedesktop/NetworkManager/Devices/2"), modem);
    m_fake.announce(*m_server, gsm, NetworkManagerLinks::Activated);
    EXPECT_TRUE(waitFor([&] { return network.IsConnected(); }, 2000));

    // A pppd started by hand next to NetworkManager still counts and is hung up by its pid.
    START_LINK_OR_SKIP(handLink, byHand, m_folder.file(byHand + QStringLiteral(".pid")));
    network.HangUpAll();
    EXPECT_TRUE(waitFor([&] { return m_fake.m_deactivated == QStringList{gsm}; }, 2000))
        << m_fake.m_deactivated.join(u',').toStdString();
    EXPECT_TRUE(endedCleanly(handLink));
    EXPECT_EQ(modemLink->state(), QProcess::Running) << "NetworkManager's link is its to end";

    // NetworkManager goes away: the kernel's view alone counts again.
    m_fake.setActive(gsm, QStringLiteral("gsm"), NetworkManagerLinks::Activating,
                     QStringLiteral("/org/freedesktop/NetworkManager/Devices/2"), modem);
    m_fake.announceList(*m_server);
    EXPECT_TRUE(waitFor([&] { return !nm->anyActivated(); }, 2000));
    ASSERT_TRUE(m_server->unregisterService(QStringLiteral("org.freedesktop.NetworkManager")));
    EXPECT_TRUE(waitFor([&] { return !nm->isRunning(); }, 2000));
    EXPECT_TRUE(nm->links().isEmpty());
    EXPECT_TRUE(network.IsConnected());
}

TEST_F(NetworkManagerTest, SilentNetworkManagerNeverHoldsUpThePoll) {
    const QString gsm = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/2");
    m_fake.setActive(gsm, QStringLiteral("gsm"), NetworkManagerLinks::Activated,
                     QStringLiteral("/org/freedesktop/NetworkManager/Devices/2"),
                     QStringLiteral("ppp0"));
    m_fake.m_silent = true;
    ASSERT_TRUE(appear());
    auto owned = std::make_unique<NetworkManagerLinks>(*m_client, 200);
    NetworkManagerLinks* nm = owned.get();
    LinuxDialUpNetwork network(std::move(owned), KernelDialUpLinks(m_folder.path()));
    ASSERT_TRUE(waitFor([&] { return nm->isRunning(); }, 2000));

    // Every poll while NetworkManager keeps quiet returns at once.
    QElapsedTimer poll;
    qint64 slowest = 0;
    for (int i = 0; i < 10; ++i) {
        poll.start();
        network.IsConnected();
        network.HangUpAll();
        slowest = std::max(slowest, poll.elapsed());
        waitFor([] { return false; }, 30);
    }
    EXPECT_LT(slowest, 20);
    EXPECT_FALSE(nm->isKnown()) << "no answer is not an answer";

    // Once it answers again, the next change is read.
    m_fake.m_silent = false;
    m_fake.announce(*m_server, gsm, NetworkManagerLinks::Activated);
    EXPECT_TRUE(waitFor([&] { return nm->isKnown() && nm->anyActivated(); }, 2000));
}

} // namespace
