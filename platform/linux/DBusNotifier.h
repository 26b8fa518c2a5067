#pragma once

#include "platform/Notifier.h"

#include <QDBusConnection>
#include <QString>

// org.freedesktop.Notifications.Notify on the session bus, called without waiting for the
// answer. Without a session bus, or without a notification service on it, nothing happens.
class DBusNotifier : public Notifier {
public:
    // `appName` and `iconName` (an icon of the theme) go with every notification.
    DBusNotifier(QString appName, QString iconName,
                 QDBusConnection bus = QDBusConnection::sessionBus());

    void notify(const QString& summary, const QString& body) override;

private:
    QString m_appName;
    QString m_iconName;
    QDBusConnection m_bus;
};
