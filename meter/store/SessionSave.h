#pragma once

#include "meter/store/RowMark.h"

#include <QString>
#include <QtGlobal>

// One save of a session's record pair: which rows, and the figures to write into them.
struct SessionSave {
    // The pair: the account's row and the all-users (Master) row, with their session numbers
    // and the start of the session (FromD, FromT of both rows).
    QString User;
    qint64 UserCount = 0;
    qint64 MasterCount = 0;
    QString FromD;
    QString FromT;
    // Row ids once the pair is in the store; 0 while its opening has not reached it.
    qint64 UserRowId = 0;
    qint64 MasterRowId = 0;
    RowMark UserMark;
    RowMark MasterMark;

    // The figures: money in yuan, time in seconds, the moment of the save as text.
    QString ToD;
    QString ToT;
    double UserAllMoney = 0;
    double ThisMoney = 0;
    double UserAllTm = 0;
    double ThisTm = 0;
    double MasterAllMoney = 0;
    double MasterAllTm = 0;
    double ShowMoney = 0;
    double ShowTm = 0;

    bool isOpened() const { return UserRowId != 0; }
    bool sameSession(const SessionSave& other) const {
        return User == other.User && UserCount == other.UserCount &&
               MasterCount == other.MasterCount && FromD == other.FromD && FromT == other.FromT;
    }
};
