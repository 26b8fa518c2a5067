#include "common/OpenStore.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/TextConventions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Kind = StoreCreationStep::Kind;

// Temporary files of a creation are named after the file with this and a random tag.
const QString BuildingTag = QStringLiteral(".new-");

class StepList {
public:
    // A table made with its first two columns.
    void table(const QString& name) {
        m_steps.append({Kind::Table, name, QString(),
                        QStringLiteral("Create table %1 (ID integer,User TEXT(12))").arg(name)});
    }
    void column(const QString& table, const QString& name, const QString& type) {
        m_steps.append({Kind::Column, table, name,
                        QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, name, type)});
    }
    void row(const QString& table, const QString& user, const QString& statement) {
        m_steps.append({Kind::Row, table, user, statement});
    }
    QList<StoreCreationStep> take() { return std::move(m_steps); }

private:
    QList<StoreCreationStep> m_steps;
};

// Renames `from` to `to` unless `to` exists: a file that appeared meanwhile is never replaced.
bool MoveIntoPlace(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the exclusive rename: a hard link fails on an existing name too.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno == EEXIST || QFileInfo::exists(to))
        return false;
    return ::rename(source.constData(), target.constData()) == 0;
}

// Makes the rename itself survive a power cut.
void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void RemoveBuildingFiles(const QString& building) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(building + QLatin1String(suffix));
}

} // namespace

QList<StoreCreationStep> StoreCreationSteps(const QDate& today) {
    const QString registered = FormatPattern(today, QStringLiteral("YYYY年M月D日"));
    const QString nextYear = QString::number(today.year() + 1);
    const QString master = QStringLiteral("Master");
    const QString shared = QStringLiteral("公用帐号");
    StepList steps;
    steps.table("Users");
    steps.column("Users", "Password", "TEXT(8)");
    steps.column("Users", "RegDate", "TEXT(14)");
    for (const QString& user : {master, shared}) {
        steps.row("Users", user,
                  QStringLiteral("insert into Users (ID,User,Password,RegDate) values "
                                 "(1,'%1','qxmeter','%2')")
                      .arg(user, registered));
    }
    steps.table("Notes");
    steps.column("Notes", "FromD", "TEXT(10)");
    steps.column("Notes", "ToD", "TEXT(10)");
    steps.column("Notes", "FromT", "TEXT(8)");
    steps.column("Notes", "ToT", "TEXT(8)");
    steps.column("Notes", "Count", "integer");
    steps.column("Notes", "ThisMoney", "MONEY");
    steps.column("Notes", "AllMoney", "MONEY");
    steps.column("Notes", "ThisTm", "integer");
    steps.column("Notes", "AllTm", "integer");
    steps.table("CountDown");
    steps.column("CountDown", "Title", "TEXT(28)");
    steps.column("CountDown", "ToDate", "TEXT(23)");
    steps.column("CountDown", "LastTm", "TEXT(2)");
    steps.column("CountDown", "ToTm", "MONEY");
    for (const QString& user : {master, shared}) {
        steps.row("CountDown", user,
                  QStringLiteral("insert into CountDown (ID,User,LastTm,ToTm) values "
                                 "(1,'%1','5',120)")
                      .arg(user));
    }
    steps.table("Masterset");
    steps.column("Masterset", "More", "TEXT(1)");
    steps.column("Masterset", "Screen", "TEXT(1)");
    steps.column("Masterset", "Mouse", "TEXT(1)");
    steps.column("Masterset", "AutoSave", "TEXT(1)");
    steps.column("Masterset", "AutoRun", "TEXT(1)");
    steps.column("Masterset", "UsePass", "TEXT(1)");
    steps.column("Masterset", "Space", "MONEY");
    steps.column("Masterset", "Password", "TEXT(8)");
    steps.row("Masterset", master,
              QStringLiteral("insert into Masterset (ID,User,More,Screen,Mouse,AutoSave,AutoRun,"
                             "UsePass,Space) values(1,'Master','0','0','0','1','1','0','30')"));
    steps.table("UserSet");
    steps.column("UserSet", "Jack", "TEXT(1)");
    steps.column("UserSet", "ShowTm", "Integer");
    steps.column("UserSet", "ShowMoney", "MONEY");
    steps.column("UserSet", "Ask", "TEXT(1)");
    steps.column("UserSet", "LenTm", "MONEY");
    steps.column("UserSet", "Title", "TEXT(28)");
    steps.column("UserSet", "ToDate", "TEXT(23)");
    steps.row("UserSet", shared,
              QStringLiteral("insert into UserSet (ID,User,Jack,Ask,LenTm,Title,ToDate) values "
                             "(1,'公用帐号','1','1','60','%1年1月1日倒计时','%1-1-1 0:00:00')")
                  .arg(nextYear));
    return steps.take();
}

QStringList StoreCreationStatements(const QDate& today) {
    QStringList statements;
    for (const StoreCreationStep& step : StoreCreationSteps(today))
        statements << step.statement;
    return statements;
}

void OpenStore(const QString& path, const QDate& today) {
    if (QFileInfo::exists(path))
        throw StoreError(QStringLiteral("数据库文件已存在：%1").arg(path));
    const QString building =
        path + BuildingTag +
        QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, u'0');
    QString failure;
    {
        Store store;
        if (!store.create(building))
            throw StoreError(store.lastError());
        // A rollback journal keeps everything inside the file itself, so nothing is left in a
        // -wal beside it when it is renamed; the one transaction makes it whole or empty.
        bool made = store.execute(QStringLiteral("PRAGMA journal_mode=DELETE")) &&
                    store.execute(QStringLiteral("begin"));
        for (const StoreCreationStep& step : StoreCreationSteps(today)) {
            if (!made)
                break;
            made = store.execute(step.statement);
        }
        if (!made || !store.execute(QStringLiteral("commit")))
            failure = store.lastError();
    }
    if (failure.isEmpty() && !MoveIntoPlace(building, path)) {
        failure = QStringLiteral("无法把新建的数据库文件改名为 %1：%2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!failure.isEmpty()) {
        RemoveBuildingFiles(building);
        throw StoreError(failure);
    }
    SyncFolder(QFileInfo(path).absolutePath());
}

void RemoveUnfinishedCreations(const QString& path) {
    const QFileInfo file(path);
    QDir folder = file.absoluteDir();
    const QStringList leftovers =
        folder.entryList({file.fileName() + BuildingTag + QLatin1Char('*')},
                         QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : leftovers)
        folder.remove(name);
}
