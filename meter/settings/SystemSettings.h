#pragma once

#include <QString>
#include <QStringList>

// What the system settings window edits, as the texts of its boxes and lists.
struct SystemSettings {
    QString spare;       // public account: reminder seconds
    bool ask = true;     // public account: ask before disconnecting
    QString from;        // start of the day band
    QString to;          // end of the day band
    QString dayRate;     // rate inside the band
    QString nightRate;   // rate outside the band
    QString holidayRate; // all-day rate of holidays and rest days
    QStringList holidays;
    QStringList restDays;
    QStringList workdays; // make-up workdays: dates worked although they fall on a rest day
    QString countdownTitle;
    QString countdownDateTime;
};
