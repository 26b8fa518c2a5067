#include "platform/linux/NetworkManagerLinks.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <algorithm>
#include <memory>

namespace {

const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString ManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
const QString ActiveInterface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString BusService = QStringLiteral("org.freedesktop.DBus");
const QString BusPath = QStringLiteral("/org/freedesktop/DBus");

bool isDialUpType(const QString& type) {
    return type == u"gsm" || type == u"cdma" || type == u"pppoe" || type == u"bluetooth";
}

bool isAnswer(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

QVariantMap mapOf(const QDBusMessage& reply) {
    return qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}

QList<QDBusObjectPath> pathsOf(const QVariant& value) {
    return qdbus_cast<QList<QDBusObjectPath>>(value);
}

} // namespace

// One pass over NetworkManager's active connections; replaced wholesale when superseded.
struct NetworkManagerLinks::Refresh {
    quint64 generation = 0;
    QList<ActiveLink> links; // one slot per active connection, in NetworkManager's order
    QList<bool> dialUp;
    int pending = 0;
};

NetworkManagerLinks::NetworkManagerLinks(QDBusConnection bus, int timeoutMs, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_timeoutMs(timeoutMs) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(BusService, BusPath, BusService, QStringLiteral("NameOwnerChanged"), {Service},
                  QString(), this, SLOT(onNameOwnerChanged(QString, QString, QString)));
    m_bus.connect(Service, ManagerPath, PropertiesInterface, QStringLiteral("PropertiesChanged"),
                  this, SLOT(onManagerPropertiesChanged(QString, QVariantMap, QStringList)));
    // Any active connection's path: they come and go.
    m_bus.connect(Service, QString(), ActiveInterface, QStringLiteral("StateChanged"), this,
                  SLOT(onActiveStateChanged(uint, uint)));

    // Asked of the bus itself, so an absent NetworkManager is never started or waited for.
    QDBusMessage message = QDBusMessage::createMethodCall(BusService, BusPath, BusService,
                                                          QStringLiteral("NameHasOwner"));
    message << Service;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusMessage reply = finished->reply();
                if (!m_running && isAnswer(reply) && reply.arguments().constFirst().toBool())
                    setRunning(true);
            });
}

bool NetworkManagerLinks::anyActivated() const {
    return std::any_of(m_links.cbegin(), m_links.cend(),
                       [](const ActiveLink& link) { return link.state == Activated; });
}

bool NetworkManagerLinks::manages(const QString& iface) const {
    return std::any_of(m_links.cbegin(), m_links.cend(), [&iface](const ActiveLink& link) {
        return link.interfaces.contains(iface);
    });
}

void NetworkManagerLinks::deactivate(const QString& path) {
    if (!m_running)
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(Service, ManagerPath, ManagerInterface,
                                                          QStringLiteral("DeactivateConnection"));
    message << QVariant::fromValue(QDBusObjectPath(path));
    message.setAutoStartService(false);
    // The answer is of no interest: the cache learns the outcome from NetworkManager's signals.
    m_bus.asyncCall(message, m_timeoutMs);
}

void NetworkManagerLinks::onNameOwnerChanged(const QString& name, const QString&,
                                             const QString& newOwner) {
    if (name != Service)
        return;
    // A new owner is a restarted NetworkManager: whatever was read before is stale.
    setRunning(false);
    if (!newOwner.isEmpty())
        setRunning(true);
}

void NetworkManagerLinks::onManagerPropertiesChanged(const QString& interface,
                                                     const QVariantMap& changed,
                                                     const QStringList& invalidated) {
    if (interface == ManagerInterface &&
        (changed.contains(QStringLiteral("ActiveConnections")) ||
         invalidated.contains(QStringLiteral("ActiveConnections"))))
        requestRefresh();
}

void NetworkManagerLinks::onActiveStateChanged(uint, uint) {
    requestRefresh();
}

void NetworkManagerLinks::setRunning(bool running) {
    ++m_generation; // drops any refresh under way
    m_refreshing = false;
    m_refreshAgain = false;
    m_running = running;
    if (running) {
        startRefresh();
        return;
    }
    const bool hadAny = m_known || !m_links.isEmpty();
    m_known = false;
    m_links.clear();
    if (hadAny)
        emit updated();
}

void NetworkManagerLinks::requestRefresh() {
    if (!m_running)
        return;
    // Signals come in bursts; one more pass after the current one covers them all.
    if (m_refreshing) {
        m_refreshAgain = true;
        return;
    }
    startRefresh();
}

QDBusPendingCall NetworkManagerLinks::getProperties(const QString& path, const QString& interface,
                                                    const QString& property) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        Service, path, PropertiesInterface,
        property.isEmpty() ? QStringLiteral("GetAll") : QStringLiteral("Get"));
    message << interface;
    if (!property.isEmpty())
        message << property;
    message.setAutoStartService(false);
    return m_bus.asyncCall(message, m_timeoutMs);
}

void NetworkManagerLinks::startRefresh() {
    m_refreshing = true;
    m_refreshAgain = false;
    auto refresh = std::make_shared<Refresh>();
    refresh->generation = ++m_generation;
    refresh->pending = 1;
    auto* watcher = new QDBusPendingCallWatcher(
        getProperties(ManagerPath, ManagerInterface, QStringLiteral("ActiveConnections")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, refresh](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (refresh->generation != m_generation)
                    return;
                const QDBusMessage reply = finished->reply();
                if (!isAnswer(reply)) {
                    abandon();
                    return;
                }
                const QList<QDBusObjectPath> paths =
                    pathsOf(reply.arguments().constFirst().value<QDBusVariant>().variant());
                refresh->links.resize(paths.size());
                refresh->dialUp.fill(false, paths.size());
                for (int slot = 0; slot < paths.size(); ++slot)
                    readActive(refresh, slot, paths.at(slot).path());
                finishStep(refresh);
            });
}

void NetworkManagerLinks::readActive(const std::shared_ptr<Refresh>& refresh, int slot,
                                     const QString& path) {
    ++refresh->pending;
    refresh->links[slot].path = path;
    auto* watcher = new QDBusPendingCallWatcher(getProperties(path, ActiveInterface), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, refresh, slot](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (refresh->generation != m_generation)
                    return;
                const QDBusMessage reply = finished->reply();
                // An active connection gone since the listing is simply left out.
                if (isAnswer(reply)) {
                    const QVariantMap properties = mapOf(reply);
                    ActiveLink& link = refresh->links[slot];
                    link.type = properties.value(QStringLiteral("Type")).toString();
                    link.state = properties.value(QStringLiteral("State")).toUInt();
                    refresh->dialUp[slot] = isDialUpType(link.type);
                    if (refresh->dialUp[slot]) {
                        for (const QDBusObjectPath& device :
                             pathsOf(properties.value(QStringLiteral("Devices"))))
                            readDevice(refresh, slot, device.path());
                    }
                }
                finishStep(refresh);
            });
}

void NetworkManagerLinks::readDevice(const std::shared_ptr<Refresh>& refresh, int slot,
                                     const QString& path) {
    ++refresh->pending;
    auto* watcher = new QDBusPendingCallWatcher(getProperties(path, DeviceInterface), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, refresh, slot](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (refresh->generation != m_generation)
                    return;
                const QDBusMessage reply = finished->reply();
                if (isAnswer(reply)) {
                    // A modem's PPP link is its IP interface; the control interface is the
                    // serial port or the modem itself.
                    const QVariantMap properties = mapOf(reply);
                    QStringList& interfaces = refresh->links[slot].interfaces;
                    for (const char* key : {"IpInterface", "Interface"}) {
                        const QString name = properties.value(QLatin1String(key)).toString();
                        if (!name.isEmpty() && !interfaces.contains(name))
                            interfaces << name;
                    }
                }
                finishStep(refresh);
            });
}

void NetworkManagerLinks::finishStep(const std::shared_ptr<Refresh>& refresh) {
    if (--refresh->pending > 0 || refresh->generation != m_generation)
        return;
    QList<ActiveLink> links;
    for (int slot = 0; slot < refresh->links.size(); ++slot) {
        if (refresh->dialUp.at(slot))
            links << refresh->links.at(slot);
    }
    m_links = std::move(links);
    m_known = true;
    m_refreshing = false;
    emit updated();
    if (m_refreshAgain)
        startRefresh();
}

void NetworkManagerLinks::abandon() {
    // Not known is better than half known: the caller falls back to the kernel's view.
    m_known = false;
    m_links.clear();
    m_refreshing = false;
    emit updated();
    if (m_refreshAgain)
        startRefresh();
}
