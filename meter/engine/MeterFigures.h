#pragma once

#include <QString>

// The texts of the main window's figures. The logic reads several of them back as numbers
// (NumberFromText), so they are kept as the texts shown.
struct MeterFigures {
    QString TitLb = QStringLiteral("Dialtoll(脱机)");
    QString User = QStringLiteral("公用帐号");
    QString Label5;  // remaining planned seconds
    QString Label38; // fee of this session
    QString Label9;  // hourly rate
    QString Label7;  // the user's session count
    QString Label11; // the user's displayed time total
    QString Label13; // the user's displayed fee total
    QString Label15; // number of accounts
    QString Label17; // all users' session count
    QString Label19; // all users' time total
    QString Label21; // all users' fee total
    QString Label30; // countdown title
    QString NowL;    // today's date
    QString TimeL;   // the time
    QString SSL;     // countdown in seconds
    QString HHS;     // countdown in hours
    QString DDS;     // countdown in days
};
