#include "platform/fake/FakeDialUpNetwork.h"
#include "platform/linux/KernelDialUpLinks.h"
#include "platform/linux/LinuxDialUpNetwork.h"
#include "platform/linux/NetworkManagerLinks.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <list>
#include <memory>
#include <net/if.h>
#include <optional>
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
            const QString name = prefix + QString::number(QRandomGenerator::global()->bounded(50, 100));
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

TEST(KernelDialUpLinks, HangUpSignalsOnlyALiveProcessOtherThanItself) {
    TempFolder folder;
    QProcess finished;
    finished.start(QStringLiteral("true"));
    ASSERT_TRUE(finished.waitForFinished(2000));
    const qint64 gonePid = finished.processId() ? finished.processId() : 0;
    Q_UNUSED(gonePid);

    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(sleeper.waitForStarted(2000));

    const struct {
        const char* content;
        bool signalled;
    } cases[] = {
        {"", false},
        {"abc\n", false},
        {"-5\n", false},
        {"0\n", false},
        {"1\n", false},
        {"99999999999\n", false},
        // Signalling itself would end the meter.
        {"self", false},
    };
    KernelDialUpLinks kernel(folder.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        QFile file(folder.file(QStringLiteral("ppp60.pid")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(qstrcmp(c.content, "self") == 0 ? QByteArray::number(getpid()) + '\n'
                                                   : QByteArray(c.content));
        file.close();
        EXPECT_EQ(kernel.hangUp(QStringLiteral("ppp60")), c.signalled);
    }
    EXPECT_FALSE(kernel.hangUp(QStringLiteral("ppp61"))) << "no pid file";
    EXPECT_FALSE(kernel.hangUp(QStringLiteral("../ppp60")));

    // A pid file naming a live process, with pppd's interface name on a second line.
    QFile file(folder.file(QStringLiteral("ppp60.pid")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray::number(sleeper.processId()) + "\nppp60\n");
    file.close();
    EXPECT_TRUE(kernel.hangUp(QStringLiteral("ppp60")));
    ASSERT_TRUE(sleeper.waitForFinished(2000));
    EXPECT_EQ(sleeper.exitStatus(), QProcess::CrashExit); // ended by the signal
}

TEST(FakeDialUpNetwork, CountsHangUpsAndCanDropTheLink) {
    FakeDialUpNetwork network;
    network.setConnected(true);
    network.HangUpAll();
    EXPECT_TRUE(network.IsConnected());
    network.setHangUpDrops(true);
    network.HangUpAll();
    EXPECT_FALSE(network.IsConnected());
    EXPECT_EQ(network.hangUpCount(), 2);
}

} // namespace
