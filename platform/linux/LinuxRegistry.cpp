#include "platform/linux/LinuxRegistry.h"

namespace {

bool same(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

bool isRunValue(RegistryRoot root, const QString& subkey, const QString& name) {
    return root == RegistryRoot::LocalMachine && same(subkey, Registry::RunKey) &&
           same(name, Registry::RunValue);
}

bool isDefaultDialUpValue(RegistryRoot root, const QString& subkey, const QString& name) {
    return root == RegistryRoot::Users && same(subkey, Registry::DialUpKey) &&
           same(name, Registry::DefaultDialUpValue);
}

} // namespace

LinuxRegistry::LinuxRegistry(DialUpConnectionSettings& dialUp, QString autostartFolder)
    : m_dialUp(dialUp), m_autostart(std::move(autostartFolder)) {}

// The dial-up connection a profile key's AutoConnect value stands for; nullopt for any other
// key or value, or when no such connection exists. A name matching exactly wins over one that
// differs only in letter case. Several connections may share a name: the value is there while
// any of them dials by itself.
std::optional<DialUpConnectionSettings::Connection>
LinuxRegistry::profileConnection(RegistryRoot root, const QString& subkey, const QString& name) {
    const QLatin1String prefix(Registry::DialUpProfileKey);
    if (root != RegistryRoot::Users || !subkey.startsWith(prefix, Qt::CaseInsensitive) ||
        !same(name, Registry::AutoConnectValue))
        return std::nullopt;
    const QString connectionName = subkey.mid(prefix.size());
    const auto connections = m_dialUp.list();
    std::optional<QString> id;
    for (const auto& connection : connections) {
        if (connection.id == connectionName) {
            id = connection.id;
            break;
        }
        if (!id && connection.id.compare(connectionName, Qt::CaseInsensitive) == 0)
            id = connection.id;
    }
    if (!id)
        return std::nullopt;
    DialUpConnectionSettings::Connection result{*id, false};
    for (const auto& connection : connections) {
        if (connection.id == *id && connection.autoconnect)
            result.autoconnect = true;
    }
    return result;
}

bool LinuxRegistry::writeString(RegistryRoot root, const QString& subkey, const QString& name,
                                const QString& text) {
    if (isRunValue(root, subkey, name))
        return m_autostart.write(text);
    return false;
}

std::optional<QString> LinuxRegistry::readValue(RegistryRoot root, const QString& subkey,
                                                const QString& name) {
    if (isRunValue(root, subkey, name))
        return m_autostart.read();
    if (isDefaultDialUpValue(root, subkey, name)) {
        // The connection that would dial by itself; once all are switched off, the first.
        const auto connections = m_dialUp.list();
        for (const auto& connection : connections) {
            if (connection.autoconnect)
                return connection.id;
        }
        if (!connections.isEmpty())
            return connections.constFirst().id;
        return std::nullopt;
    }
    const auto connection = profileConnection(root, subkey, name);
    if (connection && connection->autoconnect)
        return QStringLiteral("1");
    return std::nullopt;
}

bool LinuxRegistry::deleteValue(RegistryRoot root, const QString& subkey, const QString& name) {
    if (isRunValue(root, subkey, name)) {
        m_autostart.remove();
        return true;
    }
    const auto connection = profileConnection(root, subkey, name);
    if (connection && connection->autoconnect)
        m_dialUp.disableAutoconnect(connection->id);
    return true;
}
