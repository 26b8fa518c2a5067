#include "platform/linux/DesktopShell.h"
#include "support/TempFolder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

bool WaitForFile(const QString& path) {
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (QFile::exists(path))
            return true;
        QThread::msleep(20);
    }
    return QFile::exists(path);
}

void WriteScript(const QString& path, const QByteArray& body, bool executable) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    ASSERT_TRUE(file.setPermissions(permissions));
}

TEST(DesktopShell, MissingProgramGivesTheSystemsNotFoundText) {
    TempFolder folder;
    DesktopShell shell;
    const std::optional<QString> error = shell.startProgram(folder.file("Statdesk"));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, qt_error_string(ENOENT));
    EXPECT_EQ(*error, QStringLiteral("No such file or directory"));
}

TEST(DesktopShell, ProgramThatIsNotExecutableGivesPermissionDenied) {
    TempFolder folder;
    WriteScript(folder.file("Statdesk"), "touch started\n", false);
    DesktopShell shell;
    const std::optional<QString> error = shell.startProgram(folder.file("Statdesk"));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, qt_error_string(EACCES));
    EXPECT_FALSE(QFile::exists(folder.file("started")));
}

TEST(DesktopShell, StartsTheProgramDetachedInItsOwnFolder) {
    TempFolder folder;
    // A relative name: the file lands in the program's folder only if it runs there.
    WriteScript(folder.file("Enroldesk"), "touch started\n", true);
    DesktopShell shell;
    EXPECT_EQ(shell.startProgram(folder.file("Enroldesk")), std::nullopt);
    EXPECT_TRUE(WaitForFile(folder.file("started")));
}

TEST(DesktopShell, ExecFailureIsReportedNotSwallowed) {
    TempFolder folder;
    // Executable, but its interpreter does not exist: the exec itself fails.
    QFile file(folder.file("Broken"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/nonexistent/interpreter\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    DesktopShell shell;
    const std::optional<QString> error = shell.startProgram(folder.file("Broken"));
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->isEmpty());
}

} // namespace
