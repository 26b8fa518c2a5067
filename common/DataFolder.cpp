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

// An installed copy (<prefix>/bin beside <prefix>/share/applications with the suite's entry)
// never keeps data beside its executables, even where it could write there (as root).
bool IsInstalledProgramFolder(const QString& path) {
    return QFileInfo::exists(
        QDir(path).filePath(QStringLiteral("../share/applications/" DIALTOLL_APP_ID ".desktop")));
}

} // namespace

QString ResolveDataFolder() {
    QString folder = qEnvironmentVariable("DIALTOLL_HOME");
    if (folder.isEmpty()) {
        const QString programFolder = QCoreApplication::applicationDirPath();
        if (IsWritableFolder(programFolder) && !IsInstalledProgramFolder(programFolder)) {
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
