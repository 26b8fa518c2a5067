#pragma once

#include <QString>

// The fixed statements the programs send besides the record-access functions. Values are
// bound ("?"), never pasted.
namespace StoreStatements {

inline constexpr const char* CountUsers = "Select count(*) from Users";
inline constexpr const char* AllUsers = "Select * from Users";
inline constexpr const char* MasterUser = "select * from Users where User='Master'";
inline constexpr const char* UserByName = "select * from Users where User=?";
inline constexpr const char* InsertUser =
    "insert into Users (User,Password,RegDate) values (?,?,?)";
// Values: account, next year twice.
inline constexpr const char* InsertUserSet =
    "insert into UserSet (ID,User,Jack,Ask,LenTm,Title,ToDate) values "
    "(1,?,'1','1','60',? || '年1月1日倒计时',? || '-1-1 0:00:00')";
inline constexpr const char* DeleteUser = "delete from Users where User=?";
inline constexpr const char* DeleteUserSet = "delete from UserSet where User=?";
// Removes one listed session: its row id keeps rows that share user and count apart.
inline constexpr const char* DeleteSession =
    "delete * from Notes where User=? and Count=? and rowid=?";

// The finished sessions started between two dates, both inclusive, for one account or for all;
// values: [account,] from, to, the dates as numbers YYYYMMDD. The row id comes first so a listed
// row can be deleted alone.
inline QString SessionsQuery(bool oneAccount) {
    return QStringLiteral("Select rowid,* from Notes where ToD>'' and ") +
           (oneAccount ? QStringLiteral("User=? and ") : QString()) +
           QStringLiteral("val(FromD)>=? and val(FromD) <= ? and User<>'Master'");
}

} // namespace StoreStatements
