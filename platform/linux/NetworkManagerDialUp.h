#pragma once

#include "platform/linux/DialUpConnectionSettings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMap>
#include <QVariantMap>
#include <optional>

using NmSettings = QMap<QString, QVariantMap>;

// NetworkManager's dial-up connections (gsm, cdma, pppoe, bluetooth) over D-Bus. Every call
// waits at most a short while, and where NetworkManager does not run nothing is found and
// nothing is changed.
class NetworkManagerDialUp : public DialUpConnectionSettings {
public:
    // The system bus unless told otherwise.
    explicit NetworkManagerDialUp(QDBusConnection bus = QDBusConnection::systemBus(),
                                  int timeoutMs = 500);

    // Whether NetworkManager's service is on the bus.
    bool isRunning();
    QList<Connection> list() override;
    bool disableAutoconnect(const QString& id) override;

private:
    struct Entry {
        QString path;
        NmSettings settings;
    };
    // The dial-up connections with their settings objects; nullopt when NetworkManager did
    // not answer in time, so that a half listing is never taken for the whole.
    std::optional<QList<Entry>> dialUpEntries();
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {});
    bool disable(const Entry& entry);

    QDBusConnection m_bus;
    int m_timeoutMs;
};

Q_DECLARE_METATYPE(NmSettings)
