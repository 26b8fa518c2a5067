#include "platform/linux/AutostartEntry.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QStringList Lines(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

void Write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST(AutostartTemplate, AnInstalledProgramsEntryLendsItsIconAndComments) {
    TempFolder prefix;
    TempFolder config;
    const QString program = prefix.file("bin/Dialtoll");
    Write(program, "");
    Write(prefix.file("share/applications/org.dialtoll.Dialtoll.desktop"),
          "[Desktop Entry]\nType=Application\nName=Dialtoll\nName[zh_CN]=计费\n"
          "Comment[zh_CN]=计时计费\nExec=Dialtoll\nTryExec=Dialtoll\nHidden=true\n"
          "# a comment\nIcon=org.dialtoll.Dialtoll\n\n[Desktop Action Other]\nIcon=other\n");
    AutostartEntry entry(config.path());
    ASSERT_TRUE(entry.write(program));
    EXPECT_EQ(
        Lines(entry.filePath()),
        (QStringList{"[Desktop Entry]", "Type=Application", "Name=VeyranetTimer", "Exec=" + program,
                     "Comment[zh_CN]=计时计费", "Icon=org.dialtoll.Dialtoll", ""}));
    EXPECT_EQ(entry.read(), program);
}

TEST(AutostartTemplate, AProgramOutsideAnInstallWritesTheBareEntry) {
    TempFolder folder;
    TempFolder config;
    AutostartEntry entry(config.path());
    ASSERT_TRUE(entry.write(folder.file("Dialtoll")));
    EXPECT_EQ(Lines(entry.filePath()).size(), 5);
}

} // namespace
