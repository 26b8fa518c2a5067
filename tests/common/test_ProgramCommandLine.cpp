#include "common/DataFolder.h"
#include "common/ProgramCommandLine.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

struct Outcome {
    std::optional<int> status;
    QString dataFolder;
};

Outcome Process(const QStringList& arguments) {
    ProgramCommandLine line("Dialtoll", "拨号上网计时计费。");
    const std::optional<int> status = line.process(QStringList{"Dialtoll"} + arguments);
    return {status, line.dataFolder()};
}

struct CommandLine : ::testing::Test {
    void SetUp() override {
        m_home = qgetenv("DIALTOLL_HOME");
        m_hadHome = qEnvironmentVariableIsSet("DIALTOLL_HOME");
    }
    void TearDown() override {
        if (m_hadHome)
            qputenv("DIALTOLL_HOME", m_home);
        else
            qunsetenv("DIALTOLL_HOME");
    }
    QByteArray m_home;
    bool m_hadHome = false;
};

TEST_F(CommandLine, EndsOrGoesOnAsTheArgumentsSay) {
    struct Case {
        QStringList arguments;
        std::optional<int> status;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{"--help"}, 0},
        {{"-h"}, 0},
        {{"--version"}, 0},
        {{"-v"}, 0},
        {{"--frobnicate"}, 1},
        {{"--data-folder"}, 1},
        {{"--data-folder="}, 1},
        {{"stray"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_EQ(Process(c.arguments).status, c.status);
    }
}

TEST_F(CommandLine, HelpAndVersionNeedNoDisplayAndIgnoreQtsOwnOptions) {
    ProgramCommandLine line("Statdesk", "查看记录。");
    EXPECT_EQ(line.answerWithoutDisplay({"Statdesk", "-platform", "offscreen", "--version"}), 0);
    EXPECT_EQ(line.answerWithoutDisplay({"Statdesk", "-platform", "offscreen"}), std::nullopt);
    EXPECT_EQ(line.versionText(), "Statdesk 2.0.0\n");
    const QString help = line.helpText();
    EXPECT_TRUE(help.startsWith("用法：Statdesk [选项]\n查看记录。\n")) << help.toStdString();
    for (const char* option : {"--help", "--version", "--data-folder DIR"})
        EXPECT_TRUE(help.contains(option)) << option;
}

TEST_F(CommandLine, DataFolderReplacesTheVariableForThisProgramAndItsCompanions) {
    TempFolder folder;
    qputenv("DIALTOLL_HOME", "/somewhere/else");
    const QString chosen = folder.path() + "/data";
    const Outcome outcome = Process({"--data-folder", chosen});
    EXPECT_EQ(outcome.status, std::nullopt);
    EXPECT_EQ(outcome.dataFolder, chosen);
    EXPECT_EQ(qEnvironmentVariable("DIALTOLL_HOME"), chosen);
    EXPECT_EQ(ResolveDataFolder(), chosen);
    EXPECT_TRUE(QFileInfo(chosen).isDir());

    // A relative folder is taken from the working folder, once and for all.
    const Outcome relative = Process({"--data-folder=rel"});
    EXPECT_EQ(relative.dataFolder, QDir::current().absoluteFilePath("rel"));
}

} // namespace
