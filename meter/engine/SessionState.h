#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The session variables. Ticks are milliseconds of the monotonic clock; 0 means "not yet".
struct SessionState {
    bool Linked = false;
    qint64 StartTick = 0;
    QDateTime StartStamp;
    double PlanSecs = 0;
    qint64 LastTick = 0;
    double ThisFee = 0;
    double UserFee = 0;
    double AllFee = 0;
    double UserTmBase = 0;
    double AllTmMs = 0;
    double ShowFee = 0;
    double ShowTmMs = 0;
    bool ExtPass = false;
    QString CountdownTarget;
    // Someone has logged on since the last connection ended.
    bool LoginGranted = false;
    // The running connection has its record pair (in the store, or kept to be written at the
    // next save); while it waits for a log-on it has none.
    bool RecordsOpen = false;
};
