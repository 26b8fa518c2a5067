#include "platform/linux/DBusNotifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QVariantMap>
#include <gtest/gtest.h>

namespace {

// A stand-in for the desktop's notification server: keeps what it was sent.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app;
        uint replaces;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };
    QList<Call> calls;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        calls.append({app, replaces, icon, summary, body, actions, hints, timeout});
        return uint(calls.size());
    }
};

// A session bus of the test's own, so the desktop's notifications are never touched.
class PrivateBus {
public:
    PrivateBus() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            return;
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!m_daemon.waitForStarted(5000))
            return;
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000))
            ;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    QString address() const { return m_address; }
    QDBusConnection connect(const QString& name) {
        m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

TEST(DBusNotifier, ReachesTheNotificationServiceWithTheAppsNameAndIcon) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "SKIPPED: no dbus-daemon to run a private bus";
    FakeNotificationServer server;
    QDBusConnection serverConnection = bus.connect("server");
    ASSERT_TRUE(serverConnection.isConnected());
    ASSERT_TRUE(serverConnection.registerObject("/org/freedesktop/Notifications", &server,
                                                QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverConnection.registerService("org.freedesktop.Notifications"));

    DBusNotifier notifier("Dialtoll", "org.dialtoll.Dialtoll", bus.connect("client"));
    notifier.notify("已联机", "计费用户：公用帐号，费率：6.2元/时");
    notifier.notify("已断开连接", "本次上网时间：0:01:30，费用：0.16 元");
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.calls.size() == 2; }, 10000));

    const FakeNotificationServer::Call& first = server.calls.at(0);
    EXPECT_EQ(first.app, "Dialtoll");
    EXPECT_EQ(first.replaces, 0u);
    EXPECT_EQ(first.icon, "org.dialtoll.Dialtoll");
    EXPECT_EQ(first.summary, "已联机");
    EXPECT_EQ(first.body, "计费用户：公用帐号，费率：6.2元/时");
    EXPECT_TRUE(first.actions.isEmpty());
    EXPECT_EQ(first.hints.value("desktop-entry").toString(), "org.dialtoll.Dialtoll");
    EXPECT_EQ(first.timeout, -1);
    EXPECT_EQ(server.calls.at(1).summary, "已断开连接");
}

TEST(DBusNotifier, IsSilentWithoutAServiceOrABus) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "SKIPPED: no dbus-daemon to run a private bus";
    QDBusConnection client = bus.connect("lonely");
    DBusNotifier withoutService("Dialtoll", "org.dialtoll.Dialtoll", client);
    withoutService.notify("已联机", "x");
    // The bus answers the call with an error that nobody waits for; the connection stays.
    QTest::qWait(200);
    EXPECT_TRUE(client.isConnected());

    DBusNotifier withoutBus("Dialtoll", "org.dialtoll.Dialtoll",
                            QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none"));
    withoutBus.notify("已联机", "x");
    QDBusConnection::disconnectFromBus("none");
}

} // namespace

#include "test_DBusNotifier.moc"
