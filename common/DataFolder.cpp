#include "common/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool IsWritableFolder(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isWritable();
}

} // namespace

QString ResolveDataFolder() {
    QString folder = qEnvironmentVariable("DIALTOLL_HOME");
    if (folder.isEmpty()) {
        const QString programFolder = QCoreApplication::applicationDirPath();
        if (IsWritableFolder(programFolder)) {
            folder = programFolder;
        } else {
            QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
            if (dataHome.isEmpty())
                dataHome = QDir::homePath() + "/.local/share";
            folder = dataHome + "/dialtoll";
        }
    }
    QDir().mkpath(folder);
    return QDir(folder).absolutePath();
}

QString DataFilePath(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
}
