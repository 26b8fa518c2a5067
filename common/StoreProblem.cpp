#include "common/StoreProblem.h"

#include <QDir>
#include <sqlite3.h>

namespace {

bool IsStandardText(const QString& message, int code) {
    return message.compare(QString::fromUtf8(sqlite3_errstr(code)), Qt::CaseInsensitive) == 0;
}

} // namespace

StoreProblem::Kind StoreProblem::kindOf(const QString& storeMessage) {
    const QString message = storeMessage.trimmed();
    if (IsStandardText(message, SQLITE_NOTADB))
        return Kind::NotOurs;
    if (IsStandardText(message, SQLITE_CORRUPT))
        return Kind::Damaged;
    if (IsStandardText(message, SQLITE_CANTOPEN) || IsStandardText(message, SQLITE_PERM) ||
        IsStandardText(message, SQLITE_READONLY) || IsStandardText(message, SQLITE_AUTH))
        return Kind::NoAccess;
    if (IsStandardText(message, SQLITE_BUSY) || IsStandardText(message, SQLITE_LOCKED))
        return Kind::Busy;
    if (IsStandardText(message, SQLITE_FULL))
        return Kind::DiskFull;
    if (IsStandardText(message, SQLITE_IOERR))
        return Kind::DiskError;
    if (message.startsWith(QStringLiteral("no such table"), Qt::CaseInsensitive) ||
        message.startsWith(QStringLiteral("no such column"), Qt::CaseInsensitive) ||
        message.contains(QStringLiteral("has no column named"), Qt::CaseInsensitive))
        return Kind::Incomplete;
    return Kind::Other;
}

bool StoreProblem::isFileProblem(const QString& storeMessage) {
    return kindOf(storeMessage) != Kind::Other;
}

QString StoreProblem::describe(const QString& path, const QString& storeMessage) {
    const QString file = QDir::toNativeSeparators(path);
    QString sentence;
    switch (kindOf(storeMessage)) {
    case Kind::NotOurs:
        sentence = QStringLiteral("数据库文件 %1 无法打开：它不是本软件的数据库，或已损坏。"
                                  "请从备份恢复，或移走该文件后重新运行 Dialtoll。");
        break;
    case Kind::Damaged:
        sentence = QStringLiteral("数据库文件 %1 已损坏，无法读取。"
                                  "请从备份恢复，或移走该文件后重新运行 Dialtoll。");
        break;
    case Kind::NoAccess:
        sentence = QStringLiteral("数据库文件 %1 无法打开：没有读写该文件或其所在文件夹的权限。"
                                  "请检查它们的权限后再试。");
        break;
    case Kind::Busy:
        sentence = QStringLiteral("数据库文件 %1 正被其他程序占用，暂时无法使用。请稍后再试。");
        break;
    case Kind::DiskFull:
        sentence = QStringLiteral("数据库文件 %1 无法写入：磁盘已满。请腾出空间后再试。");
        break;
    case Kind::DiskError:
        sentence = QStringLiteral("读写数据库文件 %1 时出错，磁盘或文件系统可能有故障。"
                                  "请检查磁盘后再试。");
        break;
    case Kind::Incomplete:
        sentence = QStringLiteral("数据库文件 %1 不完整：缺少数据表或列。请运行一次 Dialtoll "
                                  "补全它；若仍如此，请从备份恢复。");
        break;
    case Kind::Other:
        sentence = QStringLiteral("数据库文件 %1 出错。");
        break;
    }
    sentence = sentence.arg(file);
    if (!storeMessage.trimmed().isEmpty())
        sentence += QStringLiteral("\n详细信息：") + storeMessage.trimmed();
    return sentence;
}
