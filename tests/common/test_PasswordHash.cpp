#include "common/fleet/PasswordHash.h"

#include <gtest/gtest.h>

namespace {

TEST(PasswordHash, VerifiesOnlyThePasswordItWasMadeFrom) {
    const QString hash = PasswordHash::hash(QStringLiteral("密码Pw1"));
    EXPECT_TRUE(hash.startsWith(QStringLiteral("$argon2id$")));
    // The password itself is nowhere in the stored text.
    EXPECT_FALSE(hash.contains(QStringLiteral("Pw1")));
    EXPECT_TRUE(PasswordHash::verify(hash, QStringLiteral("密码Pw1")));
    const QString others[] = {QStringLiteral("密码pw1"), QStringLiteral("密码Pw1 "),
                              QStringLiteral("密码Pw"), QString()};
    for (const QString& other : others)
        EXPECT_FALSE(PasswordHash::verify(hash, other)) << other.toStdString();
}

TEST(PasswordHash, TwoHashesOfOnePasswordDifferAndBothVerify) {
    const QString first = PasswordHash::hash(QStringLiteral("abc"));
    const QString second = PasswordHash::hash(QStringLiteral("abc"));
    EXPECT_NE(first, second);
    EXPECT_TRUE(PasswordHash::verify(first, QStringLiteral("abc")));
    EXPECT_TRUE(PasswordHash::verify(second, QStringLiteral("abc")));
}

TEST(PasswordHash, AnythingButAnArgon2idHashMatchesNothing) {
    const QString hash = PasswordHash::hash(QStringLiteral("abc"));
    const QString broken[] = {
        QString(),
        // The password stored as it is, as a careless import would.
        QStringLiteral("abc"),
        hash.left(hash.size() - 4),
        QString(hash).replace(QStringLiteral("$argon2id$"), QStringLiteral("$argon2i$")),
        hash + QString(200, QLatin1Char('A')),
    };
    for (const QString& text : broken)
        EXPECT_FALSE(PasswordHash::verify(text, QStringLiteral("abc"))) << text.toStdString();
}

} // namespace
