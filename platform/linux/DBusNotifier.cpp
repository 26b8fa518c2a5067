#include "platform/linux/DBusNotifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
// The server's own display time.
constexpr int DefaultTimeout = -1;
} // namespace

DBusNotifier::DBusNotifier(QString appName, QString iconName, QDBusConnection bus)
    : m_appName(std::move(appName)), m_iconName(std::move(iconName)), m_bus(std::move(bus)) {}

void DBusNotifier::notify(const QString& summary, const QString& body) {
    if (!m_bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), m_iconName);
    call << m_appName << uint(0) << m_iconName << summary << body << QStringList() << hints
         << DefaultTimeout;
    // The answer (the notification's id) is not needed; a service that bus activation starts
    // still gets the call.
    m_bus.send(call);
}
