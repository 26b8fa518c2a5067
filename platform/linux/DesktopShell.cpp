#include "platform/linux/DesktopShell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>

void DesktopShell::openUrl(const QUrl& url) {
    // No handler or an unreachable one is not worth a message.
    QDesktopServices::openUrl(url);
}

std::optional<QString> DesktopShell::startProgram(const QString& path) {
    const QFileInfo info(path);
    // Checked first so the user sees the system's own words for the usual failures; QProcess
    // would only say that the process failed to start.
    if (!info.exists())
        return qt_error_string(ENOENT);
    if (info.isDir() || !info.isExecutable())
        return qt_error_string(EACCES);

    QProcess process;
    process.setProgram(info.absoluteFilePath());
    process.setWorkingDirectory(info.absolutePath());
    if (process.startDetached())
        return std::nullopt;
    // Carries the system's text of the failed exec (a bad interpreter line, for one).
    return process.errorString();
}
