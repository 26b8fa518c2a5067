#pragma once

#include <QList>
#include <QString>

// The system's stored dial-up connections and their automatic-dialling switch.
class DialUpConnectionSettings {
public:
    struct Connection {
        QString id;
        bool autoconnect = true;
    };

    virtual ~DialUpConnectionSettings() = default;
    // In the order the system lists them; empty when the system cannot be asked.
    virtual QList<Connection> list() = 0;
    // Switches automatic dialling off for every dial-up connection of that id. True when
    // all of them now have it off.
    virtual bool disableAutoconnect(const QString& id) = 0;
};
