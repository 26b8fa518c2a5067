#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <memory>

class QDBusPendingCall;

// NetworkManager's dial-up active connections (gsm, cdma, pppoe, bluetooth), kept in a cache.
// The cache follows NetworkManager's signals and is refilled by asynchronous calls, so reading
// it never waits on the bus; the meter reads it every 120 ms. Where the bus or NetworkManager
// is absent the cache stays empty and unknown.
class NetworkManagerLinks : public QObject {
    Q_OBJECT
public:
    // NetworkManager's ActiveConnectionState values.
    enum State : uint { Unknown = 0, Activating = 1, Activated = 2, Deactivating = 3 };

    struct ActiveLink {
        QString path; // the active connection's object
        QString type;
        uint state = Unknown;
        QStringList interfaces; // its devices' IP and control interfaces, where known
    };

    explicit NetworkManagerLinks(QDBusConnection bus = QDBusConnection::systemBus(),
                                 int timeoutMs = 500, QObject* parent = nullptr);

    bool isRunning() const { return m_running; }
    // NetworkManager runs and its active connections have been read since it last appeared.
    bool isKnown() const { return m_running && m_known; }
    // The dial-up active connections in NetworkManager's order, whatever their state.
    const QList<ActiveLink>& links() const { return m_links; }
    bool anyActivated() const;
    // Whether one of the dial-up active connections runs over that interface.
    bool manages(const QString& iface) const;
    // Asks NetworkManager to end that active connection; does not wait for the answer.
    void deactivate(const QString& path);

signals:
    // The cache was refilled, or dropped because NetworkManager went away.
    void updated();

private slots:
    void onNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onManagerPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                    const QStringList& invalidated);
    void onActiveStateChanged(uint state, uint reason);

private:
    struct Refresh;

    void setRunning(bool running);
    void requestRefresh();
    void startRefresh();
    void readActive(const std::shared_ptr<Refresh>& refresh, int slot, const QString& path);
    void readDevice(const std::shared_ptr<Refresh>& refresh, int slot, const QString& path);
    void finishStep(const std::shared_ptr<Refresh>& refresh);
    void abandon();
    QDBusPendingCall getProperties(const QString& path, const QString& interface,
                                   const QString& property = {});

    QDBusConnection m_bus;
    int m_timeoutMs;
    bool m_running = false;
    bool m_known = false;
    bool m_refreshing = false;
    bool m_refreshAgain = false;
    quint64 m_generation = 0;
    QList<ActiveLink> m_links;
};
