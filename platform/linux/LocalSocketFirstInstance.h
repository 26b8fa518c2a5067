#pragma once

#include "platform/FirstInstance.h"

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

// The key is a lock file in the user's runtime folder; the first copy listens on a local socket
// beside it, and a later copy connects to say "come forward". Both are named after the key, so
// copies for different data folders do not meet.
class LocalSocketFirstInstance : public QObject, public FirstInstance {
    Q_OBJECT
public:
    // `program` and `scope` (for example the data folder) make the key; `folder` is where the
    // lock and socket go (default: the user's runtime folder).
    LocalSocketFirstInstance(const QString& program, const QString& scope,
                             QString folder = QString());
    ~LocalSocketFirstInstance() override;

    bool claim() override;
    bool callFirst() override;
    void onCalled(std::function<void()> handler) override;

    QString socketPath() const { return m_socketPath; }

private:
    void answer();

    QString m_socketPath;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
    std::function<void()> m_handler;
};
