#include "platform/linux/AutostartEntry.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/NetworkManagerDialUp.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <iostream>

namespace {

using Connection = DialUpConnectionSettings::Connection;

const QString RunKey = QString::fromLatin1(Registry::RunKey);
const QString RunValue = QString::fromLatin1(Registry::RunValue);
const QString DialUpKey = QString::fromLatin1(Registry::DialUpKey);
const QString DefaultValue = QString::fromLatin1(Registry::DefaultDialUpValue);
const QString AutoConnect = QString::fromLatin1(Registry::AutoConnectValue);

QString profileKey(const QString& name) {
    return QString::fromLatin1(Registry::DialUpProfileKey) + name;
}

class FakeDialUp : public DialUpConnectionSettings {
public:
    QList<Connection> list() override { return m_connections; }
    bool disableAutoconnect(const QString& id) override {
        m_disabled << id;
        for (Connection& connection : m_connections) {
            if (connection.id == id)
                connection.autoconnect = false;
        }
        return true;
    }

    QList<Connection> m_connections;
    QStringList m_disabled;
};

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class AutostartTest : public ::testing::Test {
protected:
    TempFolder m_config;
    ScopedEnv m_env{"XDG_CONFIG_HOME", m_config.path().toUtf8()};
    FakeDialUp m_dialUp;
    LinuxRegistry m_registry{m_dialUp};
    QString m_entry = m_config.path() + QStringLiteral("/autostart/VeyranetTimer.desktop");
};

TEST_F(AutostartTest, RunValueWritesReadsAndDeletesTheEntry) {
    const QString program = QStringLiteral("/opt/dialtoll/Dialtoll");
    EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey, RunValue), std::nullopt);

    ASSERT_TRUE(m_registry.writeString(RegistryRoot::LocalMachine, RunKey, RunValue, program));
    EXPECT_EQ(fileLines(m_entry),
              (QStringList{"[Desktop Entry]", "Type=Application", "Name=VeyranetTimer",
                           "Exec=/opt/dialtoll/Dialtoll", ""}));
    EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey, RunValue), program);

    // Writing again replaces the entry.
    ASSERT_TRUE(m_registry.writeString(RegistryRoot::LocalMachine, RunKey, RunValue,
                                       QStringLiteral("/usr/bin/Dialtoll")));
    EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey, RunValue),
              QStringLiteral("/usr/bin/Dialtoll"));
    EXPECT_EQ(QDir(m_config.path() + QStringLiteral("/autostart")).entryList(QDir::Files),
              QStringList{QStringLiteral("VeyranetTimer.desktop")});

    EXPECT_TRUE(m_registry.deleteValue(RegistryRoot::LocalMachine, RunKey, RunValue));
    EXPECT_FALSE(QFile::exists(m_entry));
    EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey, RunValue), std::nullopt);
    EXPECT_TRUE(m_registry.deleteValue(RegistryRoot::LocalMachine, RunKey, RunValue));
}

TEST_F(AutostartTest, ProgramPathsAreQuotedAndRoundTrip) {
    struct Case {
        QString program;
        QString execLine;
    };
    const Case cases[] = {
        {"/opt/dial toll/Dialtoll", R"(Exec="/opt/dial toll/Dialtoll")"},
        {"/opt/a$b/Dialtoll", R"(Exec="/opt/a\\$b/Dialtoll")"},
        {R"(/opt/c\d/Dialtoll)", R"(Exec="/opt/c\\\\d/Dialtoll")"},
        {R"(/opt/say "hi"/Dialtoll)", R"(Exec="/opt/say \\"hi\\"/Dialtoll")"},
        {"/opt/100%/Dialtoll", "Exec=/opt/100%%/Dialtoll"},
        {"/opt/50% off/Dialtoll", R"(Exec="/opt/50%% off/Dialtoll")"},
        {"/opt/拨号 计时/Dialtoll", R"(Exec="/opt/拨号 计时/Dialtoll")"},
        {"/opt/tab\there/Dialtoll", R"(Exec="/opt/tab\there/Dialtoll")"},
        {" ", R"(Exec=" ")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.toStdString());
        ASSERT_TRUE(
            m_registry.writeString(RegistryRoot::LocalMachine, RunKey, RunValue, c.program));
        EXPECT_EQ(fileLines(m_entry).value(3), c.execLine);
        EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey, RunValue), c.program);
    }
}

TEST_F(AutostartTest, ReadsAnEntryWrittenByHand) {
    writeFile(m_entry, "# made by hand\n"
                       "[Other Group]\nExec=/wrong\n"
                       "[Desktop Entry]\r\nName=VeyranetTimer\r\n"
                       "Exec = \"/opt/dial toll/Dialtoll\"  --tray\r\n");
    EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey, RunValue),
              QStringLiteral("/opt/dial toll/Dialtoll --tray"));

    writeFile(m_entry, "[Desktop Entry]\nType=Application\n");
    EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey, RunValue), std::nullopt);
}

TEST_F(AutostartTest, UnwritableFolderMakesTheWriteFail) {
    // A file where the folder should be.
    writeFile(m_config.file(QStringLiteral("blocked")), "x");
    FakeDialUp dialUp;
    LinuxRegistry registry(dialUp, m_config.file(QStringLiteral("blocked")));
    EXPECT_FALSE(registry.writeString(RegistryRoot::LocalMachine, RunKey, RunValue,
                                      QStringLiteral("/opt/dialtoll/Dialtoll")));
}

TEST_F(AutostartTest, AFullDiskKeepsTheEarlierEntry) {
    ASSERT_TRUE(m_registry.writeString(RegistryRoot::LocalMachine, RunKey, RunValue,
                                       QStringLiteral("/opt/dialtoll/Dialtoll")));
    const QStringList before = fileLines(m_entry);
    {
        const FileSizeLimit limit(16);
        ASSERT_TRUE(limit.active()) << "cannot limit the file size";
        EXPECT_FALSE(m_registry.writeString(RegistryRoot::LocalMachine, RunKey, RunValue,
                                            QStringLiteral("/usr/bin/Dialtoll")));
    }
    EXPECT_EQ(fileLines(m_entry), before);
    EXPECT_EQ(QDir(m_config.path() + QStringLiteral("/autostart")).entryList(QDir::Files),
              QStringList{QStringLiteral("VeyranetTimer.desktop")});
}

TEST(AutostartEntryFolder, FollowsXdgConfigHomeElseHomeConfig) {
    TempFolder home;
    ScopedEnv homeEnv("HOME", home.path().toUtf8());
    const QString fallback = home.path() + QStringLiteral("/.config/autostart");
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(AutostartEntry::defaultFolder(), QStringLiteral("/srv/config/autostart"));
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "");
        EXPECT_EQ(AutostartEntry::defaultFolder(), fallback);
    }
    {
        // Relative values are to be ignored.
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(AutostartEntry::defaultFolder(), fallback);
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", "");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(AutostartEntry::defaultFolder(), fallback);
}

class DialUpTest : public ::testing::Test {
protected:
    TempFolder m_config;
    FakeDialUp m_dialUp;
    LinuxRegistry m_registry{m_dialUp, m_config.path()};

    std::optional<QString> defaultName() {
        return m_registry.readValue(RegistryRoot::Users, DialUpKey, DefaultValue);
    }
    std::optional<QString> autoConnect(const QString& name) {
        return m_registry.readValue(RegistryRoot::Users, profileKey(name), AutoConnect);
    }
};

TEST_F(DialUpTest, DefaultIsTheFirstThatDialsByItselfElseTheFirst) {
    struct Case {
        const char* what;
        QList<Connection> connections;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"none", {}, std::nullopt},
        {"first on", {{"Modem", true}, {"DSL", true}}, QStringLiteral("Modem")},
        {"later on", {{"Modem", false}, {"DSL", false}, {"Phone", true}}, QStringLiteral("Phone")},
        {"all off", {{"Modem", false}, {"DSL", false}}, QStringLiteral("Modem")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_dialUp.m_connections = c.connections;
        EXPECT_EQ(defaultName(), c.expected);
    }
    EXPECT_FALSE(m_registry.writeString(RegistryRoot::Users, DialUpKey, DefaultValue, "DSL"));
    EXPECT_TRUE(m_dialUp.m_disabled.isEmpty());
}

TEST_F(DialUpTest, AutoConnectReadsOneWhileOnAndDeleteSwitchesItOff) {
    m_dialUp.m_connections = {{"Modem", false}, {"DSL", true}};
    EXPECT_EQ(autoConnect("DSL"), QStringLiteral("1"));
    EXPECT_EQ(autoConnect("Modem"), std::nullopt);
    EXPECT_EQ(autoConnect("Nowhere"), std::nullopt);
    EXPECT_EQ(autoConnect(""), std::nullopt);

    // Deleting what is off or missing asks nothing of the system.
    EXPECT_TRUE(m_registry.deleteValue(RegistryRoot::Users, profileKey("Modem"), AutoConnect));
    EXPECT_TRUE(m_registry.deleteValue(RegistryRoot::Users, profileKey("Nowhere"), AutoConnect));
    EXPECT_TRUE(m_dialUp.m_disabled.isEmpty());

    EXPECT_TRUE(m_registry.deleteValue(RegistryRoot::Users, profileKey("DSL"), AutoConnect));
    EXPECT_EQ(m_dialUp.m_disabled, QStringList{"DSL"});
    EXPECT_EQ(autoConnect("DSL"), std::nullopt);
    EXPECT_FALSE(
        m_registry.writeString(RegistryRoot::Users, profileKey("Modem"), AutoConnect, "1"));
    EXPECT_EQ(autoConnect("Modem"), std::nullopt);
}

TEST_F(DialUpTest, ReadingAndDeletingOncePerTickSwitchesEveryConnectionOff) {
    m_dialUp.m_connections = {{"Modem", true}, {"DSL", false}, {"Phone", true}, {"DSL", true}};
    for (int tick = 0; tick < 10; ++tick) {
        const QString name = defaultName().value_or(QString());
        if (autoConnect(name))
            m_registry.deleteValue(RegistryRoot::Users, profileKey(name), AutoConnect);
    }
    for (const Connection& connection : m_dialUp.m_connections)
        EXPECT_FALSE(connection.autoconnect) << connection.id.toStdString();
    EXPECT_EQ(m_dialUp.m_disabled, (QStringList{"Modem", "Phone", "DSL"}));
    EXPECT_EQ(defaultName(), QStringLiteral("Modem"));
}

TEST_F(DialUpTest, KeyPathsMatchWithoutLetterCase) {
    m_dialUp.m_connections = {{"modem", false}, {"Modem", true}, {"DSL", true}};
    EXPECT_EQ(m_registry.readValue(RegistryRoot::Users, ".default\\REMOTEACCESS", "DEFAULT"),
              QStringLiteral("Modem"));
    EXPECT_EQ(m_registry.readValue(RegistryRoot::Users, ".default\\remoteaccess\\PROFILE\\dsl",
                                   "autoconnect"),
              QStringLiteral("1"));
    // An exact name wins over one differing only in letter case.
    EXPECT_EQ(autoConnect("Modem"), QStringLiteral("1"));
    EXPECT_EQ(autoConnect("modem"), std::nullopt);

    EXPECT_TRUE(m_registry.deleteValue(RegistryRoot::Users, ".DEFAULT\\REMOTEACCESS\\profile\\dsl",
                                       "AUTOCONNECT"));
    EXPECT_EQ(m_dialUp.m_disabled, QStringList{"DSL"});

    ASSERT_TRUE(m_registry.writeString(RegistryRoot::LocalMachine, RunKey.toUpper(),
                                       RunValue.toLower(), "/opt/Dialtoll"));
    EXPECT_EQ(m_registry.readValue(RegistryRoot::LocalMachine, RunKey.toLower(), "VEYRANETTIMER"),
              QStringLiteral("/opt/Dialtoll"));
}

TEST_F(DialUpTest, OtherKeysAreNeitherStoredNorFound) {
    m_dialUp.m_connections = {{"Modem", true}};
    const QString entry = m_config.file("VeyranetTimer.desktop");
    ASSERT_TRUE(m_registry.writeString(RegistryRoot::LocalMachine, RunKey, RunValue, "/x"));

    struct Case {
        RegistryRoot root;
        QString subkey;
        QString name;
    };
    const Case cases[] = {
        {RegistryRoot::Users, RunKey, RunValue},
        {RegistryRoot::LocalMachine, RunKey, "Other"},
        {RegistryRoot::LocalMachine, RunKey + "\\Sub", RunValue},
        {RegistryRoot::LocalMachine, DialUpKey, DefaultValue},
        {RegistryRoot::LocalMachine, profileKey("Modem"), AutoConnect},
        {RegistryRoot::Users, profileKey("Modem"), "Other"},
        {RegistryRoot::Users, DialUpKey + "\\Profile", AutoConnect},
        {RegistryRoot::LocalMachine, "System\\CurrentControlSet\\Services\\RemoteAccess",
         "Remote Connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.subkey + " / " + c.name).toStdString());
        EXPECT_FALSE(m_registry.writeString(c.root, c.subkey, c.name, "1"));
        EXPECT_EQ(m_registry.readValue(c.root, c.subkey, c.name), std::nullopt);
        EXPECT_TRUE(m_registry.deleteValue(c.root, c.subkey, c.name));
    }
    EXPECT_TRUE(QFile::exists(entry));
    EXPECT_TRUE(m_dialUp.m_disabled.isEmpty());
    EXPECT_TRUE(m_dialUp.m_connections.constFirst().autoconnect);
}

void expectNothingQuickly(NetworkManagerDialUp& dialUp) {
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(dialUp.isRunning());
    EXPECT_TRUE(dialUp.list().isEmpty());
    EXPECT_FALSE(dialUp.disableAutoconnect("Modem"));
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST(NetworkManagerDialUp, WithoutABusFindsNothing) {
    NetworkManagerDialUp dialUp(QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/dialtoll-bus"), QStringLiteral("dialtoll-none")));
    expectNothingQuickly(dialUp);
}

TEST(NetworkManagerDialUp, WithoutNetworkManagerFindsNothing) {
    NetworkManagerDialUp dialUp;
    if (!QDBusConnection::systemBus().isConnected()) {
        std::cout << "no system D-Bus here\n";
        GTEST_SKIP() << "no system D-Bus here";
    }
    if (dialUp.isRunning()) {
        std::cout << "NetworkManager runs here; its connections are not touched\n";
        GTEST_SKIP() << "NetworkManager runs here";
    }
    expectNothingQuickly(dialUp);
}

} // namespace
