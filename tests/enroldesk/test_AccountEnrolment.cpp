#include "common/OpenStore.h"
#include "common/Store.h"
#include "enroldesk/AccountEnrolment.h"
#include "meter/store/RecordAccess.h"
#include "platform/fake/FakeClock.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using Outcome = AccountEnrolment::Outcome;

class AccountEnrolmentTest : public ::testing::Test {
protected:
    void SetUp() override { OpenStore(path(), QDate(2025, 6, 1)); }

    QString path() const { return m_folder.file(QStringLiteral("veyranettimer.dat")); }

    qlonglong count(const QString& sql, const QString& name) {
        Store store;
        EXPECT_TRUE(store.open(path())) << store.lastError().toStdString();
        StoreQuery query = store.query(sql, {name});
        return query.next() ? query.value(0).toLongLong() : -1;
    }

    void run(const QString& sql) {
        Store store;
        ASSERT_TRUE(store.open(path()));
        ASSERT_TRUE(store.execute(sql)) << store.lastError().toStdString();
    }

    TempFolder m_folder;
    FakeClock m_clock;
    AccountEnrolment m_enrolment{path(), m_clock};
};

TEST_F(AccountEnrolmentTest, RegistrationWhoseSecondInsertFailsLeavesNoUsersRow) {
    run(QStringLiteral("drop table UserSet"));
    const auto result = m_enrolment.registerAccount("bob", "abc", "abc", "qxmeter");
    EXPECT_EQ(result.outcome, Outcome::StoreFailed);
    // A missing table is said as a fault of the file, with nothing changed.
    EXPECT_TRUE(m_enrolment.message(result).startsWith("未作任何更改。数据库文件 " + path()));
    EXPECT_TRUE(m_enrolment.message(result).contains("no such table: UserSet"));
    EXPECT_EQ(count("select count(*) from Users where User=?", "bob"), 0);
}

TEST_F(AccountEnrolmentTest, RemovalWhoseSecondDeleteFailsKeepsTheUsersRow) {
    ASSERT_EQ(m_enrolment.registerAccount("bob", "abc", "abc", "qxmeter").outcome,
              Outcome::Registered);
    run(QStringLiteral("drop table UserSet"));
    EXPECT_EQ(m_enrolment.removeAccount("bob", "qxmeter").outcome, Outcome::StoreFailed);
    EXPECT_EQ(count("select count(*) from Users where User=?", "bob"), 1);
    // The failed press left no transaction or lock behind.
    run(QStringLiteral("create table UserSet (ID integer,User TEXT(12))"));
    EXPECT_EQ(m_enrolment.removeAccount("bob", "qxmeter").outcome, Outcome::Removed);
    EXPECT_EQ(count("select count(*) from Users where User=?", "bob"), 0);
}

TEST_F(AccountEnrolmentTest, ReadOnlyFileIsMadeWritableFirst) {
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner));
    EXPECT_EQ(m_enrolment.registerAccount("bob", "abc", "abc", "qxmeter").outcome,
              Outcome::Registered);
    EXPECT_TRUE(QFile::permissions(path()) & QFile::WriteOwner);
    EXPECT_EQ(count("select count(*) from UserSet where User=?", "bob"), 1);
}

TEST_F(AccountEnrolmentTest, UnsetAdministratorPasswordMatchesOnlyAnEmptyBox) {
    run(QStringLiteral("update Users set Password=null where User='Master'"));
    EXPECT_EQ(m_enrolment.removeAccount("nobody", "qxmeter").outcome, Outcome::AdminPasswordWrong);
    EXPECT_EQ(m_enrolment.removeAccount("nobody", "").outcome, Outcome::NoSuchUser);
}

// An account Enroldesk registers is one the meter can read and write: both count characters
// alike, as the column limit does.
TEST_F(AccountEnrolmentTest, NamesOutsideTheBasicPlaneWorkInTheMeterToo) {
    const QString seven = QStringLiteral("𠀀𠀁𠀂𠀃𠀄𠀅𠀆"); // 14 UTF-16 units
    ASSERT_EQ(m_enrolment.registerAccount(seven, "abc", "abc", "qxmeter").outcome,
              Outcome::Registered);
    Store store;
    ASSERT_TRUE(store.open(path()));
    EXPECT_EQ(SelectUser(store, "Users", seven, "Password", ""), "abc");
    UpdateUserField(store, "UserSet", seven, "ShowTm", 5);
    EXPECT_EQ(SelectUser(store, "UserSet", seven, "ShowTm", 0), 5LL);

    const QString thirteen = QStringLiteral("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌");
    EXPECT_EQ(m_enrolment.registerAccount(thirteen, "abc", "abc", "qxmeter").outcome,
              Outcome::NameTooLong);
    EXPECT_EQ(m_enrolment.registerAccount(thirteen.left(24), "abc", "abc", "qxmeter").outcome,
              Outcome::Registered);
}

// A file that is no store of ours is named, with what to do and the store's own text, and
// left as it is.
TEST_F(AccountEnrolmentTest, FileThatIsNoStoreIsNamedWithWhatToDo) {
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(8192, '\x5a'));
    }
    for (const auto& result : {m_enrolment.registerAccount("bob", "abc", "abc", "qxmeter"),
                               m_enrolment.removeAccount("bob", "qxmeter")}) {
        EXPECT_EQ(result.outcome, Outcome::StoreUnreadable);
        const QString text = m_enrolment.message(result);
        EXPECT_TRUE(text.startsWith("数据库文件 " + path() + " 无法打开：它不是本软件的数据库"))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith("\n详细信息：file is encrypted or is not a database"))
            << text.toStdString();
    }
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(8192, '\x5a'));
}

} // namespace
