#pragma once

#include <QObject>
#include <QString>

class MeterEngine;
class Notifier;

// Tells the desktop what the meter hears: a link came up (who is charged, at what rate), the
// reminder lead time, the planned time is up, a link went down (the session's time and fee).
// The reminder and time-up checks run several times a second while their figure holds, so
// each is said once per session and plan. `veyranettimer.ini` [通知] 启用=0 silences them; the
// file is read at each notice, so a change applies at once.
class LinkNotices : public QObject {
    Q_OBJECT
public:
    LinkNotices(MeterEngine& engine, Notifier& notifier, QString iniPath,
                QObject* parent = nullptr);

    bool enabled() const;

private:
    void linkCameUp();
    void figuresChanged();
    void reminderPlayed();
    void planTimeUp();
    void linkWentDown(double seconds, double fee);
    void say(const QString& summary, const QString& body);
    // The session and plan a once-only notice belongs to.
    QString planKey() const;

    MeterEngine& m_engine;
    Notifier& m_notifier;
    QString m_iniPath;
    QString m_remindedPlan;
    QString m_timeUpPlan;
    // A link that came up before the first tariff tick is announced with the rate it brings.
    bool m_linkUpPending = false;
};
