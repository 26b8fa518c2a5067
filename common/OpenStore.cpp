#include "common/OpenStore.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/TextConventions.h"

QStringList StoreCreationStatements(const QDate& today) {
    const QString registered = FormatPattern(today, QStringLiteral("YYYY年M月D日"));
    const QString nextYear = QString::number(today.year() + 1);
    return {
        QStringLiteral("Create table Users (ID integer,User TEXT(12))"),
        QStringLiteral("ALTER TABLE Users ADD COLUMN Password TEXT(8)"),
        QStringLiteral("ALTER TABLE Users ADD COLUMN RegDate TEXT(14)"),
        QStringLiteral("insert into Users (ID,User,Password,RegDate) values "
                       "(1,'Master','qxmeter','%1')")
            .arg(registered),
        QStringLiteral("insert into Users (ID,User,Password,RegDate) values "
                       "(1,'公用帐号','qxmeter','%1')")
            .arg(registered),
        QStringLiteral("Create table Notes (ID integer,User TEXT(12))"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN FromD TEXT(10)"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN ToD TEXT(10)"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN FromT TEXT(8)"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN ToT TEXT(8)"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN Count integer"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN ThisMoney MONEY"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN AllMoney MONEY"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN ThisTm integer"),
        QStringLiteral("ALTER TABLE Notes ADD COLUMN AllTm integer"),
        QStringLiteral("Create table CountDown (ID integer,User TEXT(12))"),
        QStringLiteral("ALTER TABLE CountDown ADD COLUMN Title TEXT(28)"),
        QStringLiteral("ALTER TABLE CountDown ADD COLUMN ToDate TEXT(23)"),
        QStringLiteral("ALTER TABLE CountDown ADD COLUMN LastTm TEXT(2)"),
        QStringLiteral("ALTER TABLE CountDown ADD COLUMN ToTm MONEY"),
        QStringLiteral("insert into CountDown (ID,User,LastTm,ToTm) values (1,'Master','5',120)"),
        QStringLiteral("insert into CountDown (ID,User,LastTm,ToTm) values (1,'公用帐号','5',120)"),
        QStringLiteral("Create table Masterset (ID integer,User TEXT(12))"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN More TEXT(1)"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN Screen TEXT(1)"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN Mouse TEXT(1)"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN AutoSave TEXT(1)"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN AutoRun TEXT(1)"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN UsePass TEXT(1)"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN Space MONEY"),
        QStringLiteral("ALTER TABLE Masterset ADD COLUMN Password TEXT(8)"),
        QStringLiteral("insert into Masterset (ID,User,More,Screen,Mouse,AutoSave,AutoRun,UsePass,"
                       "Space) values(1,'Master','0','0','0','1','1','0','30')"),
        QStringLiteral("Create table UserSet (ID integer,User TEXT(12))"),
        QStringLiteral("ALTER TABLE UserSet ADD COLUMN Jack TEXT(1)"),
        QStringLiteral("ALTER TABLE UserSet ADD COLUMN ShowTm Integer"),
        QStringLiteral("ALTER TABLE UserSet ADD COLUMN ShowMoney MONEY"),
        QStringLiteral("ALTER TABLE UserSet ADD COLUMN Ask TEXT(1)"),
        QStringLiteral("ALTER TABLE UserSet ADD COLUMN LenTm MONEY"),
        QStringLiteral("ALTER TABLE UserSet ADD COLUMN Title TEXT(28)"),
        QStringLiteral("ALTER TABLE UserSet ADD COLUMN ToDate TEXT(23)"),
        QStringLiteral("insert into UserSet (ID,User,Jack,Ask,LenTm,Title,ToDate) values "
                       "(1,'公用帐号','1','1','60','%1年1月1日倒计时','%1-1-1 0:00:00')")
            .arg(nextYear),
    };
}

void OpenStore(const QString& path, const QDate& today) {
    Store store;
    if (!store.create(path))
        throw StoreError(store.lastError());
    for (const QString& statement : StoreCreationStatements(today)) {
        if (!store.execute(statement))
            throw StoreError(store.lastError());
    }
}
