#include "platform/linux/NetworkManagerDialUp.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace {

const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
const QString SettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString ConnectionInterface =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString ConnectionGroup = QStringLiteral("connection");

bool isDialUpType(const QString& type) {
    return type == u"gsm" || type == u"cdma" || type == u"pppoe" || type == u"bluetooth";
}

// No answer in time: asking further would only block longer.
bool isNoAnswer(const QDBusMessage& reply) {
    static const QStringList names = {
        QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
        QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
        QStringLiteral("org.freedesktop.DBus.Error.TimedOut"),
        QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
    };
    return reply.type() == QDBusMessage::ErrorMessage && names.contains(reply.errorName());
}

bool isAnswer(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

bool autoconnectOf(const NmSettings& settings) {
    return settings.value(ConnectionGroup).value(QStringLiteral("autoconnect"), true).toBool();
}

// The settings that hold a connection's secrets. A Bluetooth dial-up connection keeps them
// in its gsm or cdma part.
QStringList secretSettingNames(const NmSettings& settings) {
    const QString type = settings.value(ConnectionGroup).value(QStringLiteral("type")).toString();
    if (type != u"bluetooth")
        return {type};
    QStringList names;
    for (const QString& name : {QStringLiteral("gsm"), QStringLiteral("cdma")}) {
        if (settings.contains(name))
            names << name;
    }
    return names;
}

} // namespace

NetworkManagerDialUp::NetworkManagerDialUp(QDBusConnection bus, int timeoutMs)
    : m_bus(std::move(bus)), m_timeoutMs(timeoutMs) {
    qDBusRegisterMetaType<NmSettings>();
}

bool NetworkManagerDialUp::isRunning() {
    if (!m_bus.isConnected())
        return false;
    // Asked of the bus itself, so an absent NetworkManager is never started or waited for.
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    message << Service;
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, m_timeoutMs);
    return isAnswer(reply) && reply.arguments().constFirst().toBool();
}

QDBusMessage NetworkManagerDialUp::call(const QString& path, const QString& interface,
                                        const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(Service, path, interface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    return m_bus.call(message, QDBus::Block, m_timeoutMs);
}

std::optional<QList<NetworkManagerDialUp::Entry>> NetworkManagerDialUp::dialUpEntries() {
    if (!isRunning())
        return std::nullopt;
    const QDBusMessage listed =
        call(SettingsPath, SettingsInterface, QStringLiteral("ListConnections"));
    if (!isAnswer(listed))
        return std::nullopt;
    const auto paths = qdbus_cast<QList<QDBusObjectPath>>(listed.arguments().constFirst());
    QList<Entry> entries;
    for (const QDBusObjectPath& path : paths) {
        const QDBusMessage reply =
            call(path.path(), ConnectionInterface, QStringLiteral("GetSettings"));
        if (isNoAnswer(reply))
            return std::nullopt;
        // A connection removed since the listing is simply left out.
        if (!isAnswer(reply))
            continue;
        Entry entry{path.path(), qdbus_cast<NmSettings>(reply.arguments().constFirst())};
        const QVariantMap connection = entry.settings.value(ConnectionGroup);
        if (isDialUpType(connection.value(QStringLiteral("type")).toString()))
            entries << std::move(entry);
    }
    return entries;
}

QList<DialUpConnectionSettings::Connection> NetworkManagerDialUp::list() {
    QList<Connection> connections;
    const auto entries = dialUpEntries();
    if (!entries)
        return connections;
    for (const Entry& entry : *entries) {
        connections << Connection{
            entry.settings.value(ConnectionGroup).value(QStringLiteral("id")).toString(),
            autoconnectOf(entry.settings)};
    }
    return connections;
}

bool NetworkManagerDialUp::disableAutoconnect(const QString& id) {
    const auto entries = dialUpEntries();
    if (!entries)
        return false;
    bool allOff = true;
    for (const Entry& entry : *entries) {
        if (entry.settings.value(ConnectionGroup).value(QStringLiteral("id")).toString() != id ||
            !autoconnectOf(entry.settings))
            continue;
        allOff = disable(entry) && allOff;
    }
    return allOff;
}

bool NetworkManagerDialUp::disable(const Entry& entry) {
    // Update replaces the whole connection: values come back in the D-Bus types they arrived
    // in (nested arrays stay QDBusArgument and are passed through unchanged), and the secrets,
    // which GetSettings leaves out, are merged in so that saved passwords survive.
    NmSettings settings = entry.settings;
    for (const QString& name : secretSettingNames(settings)) {
        const QDBusMessage reply =
            call(entry.path, ConnectionInterface, QStringLiteral("GetSecrets"), {QVariant(name)});
        if (isNoAnswer(reply))
            return false;
        // No secrets, or not allowed to see them: update without them.
        if (!isAnswer(reply))
            continue;
        const auto secrets = qdbus_cast<NmSettings>(reply.arguments().constFirst());
        for (auto group = secrets.cbegin(); group != secrets.cend(); ++group) {
            QVariantMap& target = settings[group.key()];
            for (auto value = group.value().cbegin(); value != group.value().cend(); ++value)
                target.insert(value.key(), value.value());
        }
    }
    settings[ConnectionGroup].insert(QStringLiteral("autoconnect"), false);
    const QDBusMessage reply = call(entry.path, ConnectionInterface, QStringLiteral("Update"),
                                    {QVariant::fromValue(settings)});
    return reply.type() == QDBusMessage::ReplyMessage;
}
