#include "meter/store/RegistryFunctions.h"
#include "platform/fake/FakeRegistry.h"

#include <gtest/gtest.h>

namespace {

const QString Key = QString::fromLatin1(Registry::RunKey);
const QString Name = QString::fromLatin1(Registry::RunValue);
constexpr RegistryRoot Root = RegistryRoot::LocalMachine;

TEST(RegistryFunctions, SetRegStringStoresTextAndEmptyTextAsOneBlank) {
    FakeRegistry registry;
    EXPECT_TRUE(SetRegString(registry, Root, Key, Name, QString()));
    EXPECT_EQ(registry.value(Root, Key, Name), QStringLiteral(" "));

    EXPECT_TRUE(SetRegString(registry, Root, Key, Name, QStringLiteral("/opt/dialtoll/Dialtoll")));
    EXPECT_EQ(registry.value(Root, Key, Name), QStringLiteral("/opt/dialtoll/Dialtoll"));
    EXPECT_EQ(registry.size(), 1u);
}

TEST(RegistryFunctions, FailingWriteMakesSetRegStringFalse) {
    FakeRegistry registry;
    registry.setFailWrites(true);
    EXPECT_FALSE(SetRegString(registry, Root, Key, Name, QStringLiteral("x")));
    EXPECT_FALSE(SetRegString(registry, Root, Key, Name, QString()));
    EXPECT_EQ(registry.value(Root, Key, Name), std::nullopt);
}

TEST(RegistryFunctions, GetRegStringGivesTheTextOrEmpty) {
    FakeRegistry registry;
    EXPECT_EQ(GetRegString(registry, Root, Key, Name), QString());

    registry.preset(RegistryRoot::Users, QStringLiteral(".DEFAULT\\RemoteAccess"),
                    QStringLiteral("Default"), QStringLiteral("Modem"));
    EXPECT_EQ(GetRegString(registry, RegistryRoot::Users, QStringLiteral(".default\\REMOTEACCESS"),
                           QStringLiteral("default")),
              QStringLiteral("Modem"));
    // The same key under the other root is another value.
    EXPECT_EQ(GetRegString(registry, Root, QStringLiteral(".DEFAULT\\RemoteAccess"),
                           QStringLiteral("Default")),
              QString());
}

TEST(RegistryFunctions, DeleteRegValueRemovesAndReturnsTrue) {
    FakeRegistry registry;
    registry.preset(Root, Key, Name, QStringLiteral("x"));
    EXPECT_TRUE(DeleteRegValue(registry, Root, Key, Name));
    EXPECT_EQ(registry.value(Root, Key, Name), std::nullopt);
    EXPECT_TRUE(DeleteRegValue(registry, Root, Key, Name));
}

} // namespace
