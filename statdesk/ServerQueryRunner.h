#pragma once

#include "statdesk/ServerSessionSource.h"

#include <QObject>
#include <functional>
#include <memory>

// Runs reads of the server's sessions on worker threads, so that a slow or absent server never
// holds up the window. Only the latest read's outcome is delivered, on this object's thread;
// a read that is forgotten, or outlives this object, finishes on its own and is dropped.
class ServerQueryRunner : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        std::optional<SessionListing> listing; // empty on failure
        ServerReadError error;
    };
    using Done = std::function<void(Outcome)>;

    explicit ServerQueryRunner(std::shared_ptr<ServerSessionSource> source,
                               QObject* parent = nullptr);

    // Starts a read; an earlier one still under way is forgotten.
    void start(const std::optional<QString>& account, qint64 from, qint64 to, Done done);
    // Drops the outcome of the read under way, if any.
    void forget();
    bool isBusy() const { return m_busy; }

private:
    std::shared_ptr<ServerSessionSource> m_source;
    quint64 m_ticket = 0;
    bool m_busy = false;
};
