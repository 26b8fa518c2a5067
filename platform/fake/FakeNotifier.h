#pragma once

#include "platform/Notifier.h"

#include <QList>

// Keeps the notifications instead of showing them.
class FakeNotifier : public Notifier {
public:
    struct Notice {
        QString summary;
        QString body;
    };

    void notify(const QString& summary, const QString& body) override;

    const QList<Notice>& notices() const { return m_notices; }
    void clear() { m_notices.clear(); }

private:
    QList<Notice> m_notices;
};
