#pragma once

#include <QString>
#include <QtGlobal>

// What a listing covers: the user text as chosen ("所有人" for everyone), the range of start
// dates as YYYYMMDD numbers, and (fleet mode) whether it holds every PC's sessions.
struct ListingScope {
    QString user;
    qint64 from = 0;
    qint64 to = 0;
    bool allPcs = false;

    // "用户：alice　2026年03月01日 至 2026年03月31日", for titles; "全部电脑　" ahead of it for
    // every PC's sessions.
    QString caption() const;
    // "Dialtoll统计_alice_20260301-20260331" ("Dialtoll统计_全部电脑_alice_…" for every PC's), a
    // file name without folder or suffix; characters that file systems or shells treat
    // specially become "_".
    QString fileStem() const;
};
