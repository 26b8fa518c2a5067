#pragma once

#include <QString>

// Desktop notifications. notify() returns at once; nothing shows, and nothing is reported,
// where the desktop has no notification service.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};
