#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/StoreError.h"
#include "meter/store/RecordAccess.h"
#include "support/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

struct RecordAccess : ::testing::Test {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, QDate(2026, 5, 1));
        ASSERT_TRUE(store.open(path));
    }

    int count(const QString& sql) {
        StoreQuery query = store.query(sql);
        EXPECT_TRUE(query.next());
        return query.value(0).toInt();
    }

    void insertNote(const QString& user, int count, const QVariant& thisTm) {
        InsertRecord(store, "Notes", {"User", "Count"}, {user, count}, {"ThisTm"}, {thisTm});
    }

    TempFolder folder;
    Store store;
};

TEST_F(RecordAccess, SelectUserFallsBackOnNoRowNullAndEmptyButNotOnZero) {
    struct Case {
        const char* table;
        const char* account;
        const char* column;
        QVariant fallback;
        QVariant expected;
    };
    const Case cases[] = {
        {"Masterset", "Master", "Password", "qxmeter", "qxmeter"}, // null column
        {"Masterset", "Master", "Space", 30, 30LL},                // stored number
        {"Masterset", "MASTER", "AutoRun", "0", "1"},              // name without letter case
        {"UserSet", "Master", "LenTm", 60, 60},                    // no row
        {"UserSet", "公用帐号", "LenTm", 0, 60LL},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SelectUser(store, c.table, c.account, c.column, c.fallback), c.expected)
            << c.table << "." << c.column;

    UpdateUserField(store, "UserSet", "公用帐号", "ShowTm", 0);
    EXPECT_EQ(SelectUser(store, "UserSet", "公用帐号", "ShowTm", 99), 0LL);
    UpdateUserField(store, "UserSet", "公用帐号", "Title", QString(""));
    EXPECT_EQ(SelectUser(store, "UserSet", "公用帐号", "Title", "无"), "无");
}

TEST_F(RecordAccess, TakesTheLastRowInInsertionOrder) {
    insertNote("Tom", 1, 10);
    insertNote("Tom", 2, 20);
    insertNote("Ann", 1, 5);
    EXPECT_EQ(SelectUser(store, "Notes", "Tom", "Count", 0), 2LL);
    EXPECT_EQ(SelectUserWhere(store, "Notes", "tom", "ThisTm", 0, "Count", 1), 10LL);
    EXPECT_EQ(SelectUserWhere(store, "Notes", "Tom", "ThisTm", -1, "Count", 7), -1);
}

TEST_F(RecordAccess, WritesRoundedValuesAndUpdatesOnlyTheKeyedRow) {
    insertNote("Tom", 1, 95.6);
    insertNote("Tom", 2, 1);
    EXPECT_EQ(SelectUserWhere(store, "Notes", "Tom", "ThisTm", 0, "Count", 1), 96LL);

    UpdateUserFieldWhere(store, "Notes", "Tom", "ThisMoney", 1.234567, "Count", 2);
    EXPECT_EQ(SelectUserWhere(store, "Notes", "Tom", "ThisMoney", 0, "Count", 2), 1.2346);
    EXPECT_EQ(SelectUserWhere(store, "Notes", "Tom", "ThisMoney", "none", "Count", 1), "none");

    // No matching row is no error.
    EXPECT_NO_THROW(UpdateUserField(store, "UserSet", "Nobody", "Ask", "0"));
    EXPECT_EQ(count("select count(*) from UserSet where Ask='0'"), 0);
}

// Names and texts are bound: quotes neither break a statement nor pick another row.
TEST_F(RecordAccess, QuotesInValuesAreData) {
    insertNote("O'Brien", 1, 30);
    EXPECT_EQ(SelectUser(store, "Notes", "O'Brien", "ThisTm", 0), 30LL);
    UpdateUserField(store, "Notes", "O'Brien", "ToT", "0:12:05");
    EXPECT_EQ(SelectUser(store, "Notes", "o'brien", "ToT", ""), "0:12:05");

    const QString injected = "x' or '1'='1";
    EXPECT_EQ(SelectUser(store, "Users", injected, "Password", "none"), "none");
    UpdateUserField(store, "Users", injected, "Password", "hacked");
    EXPECT_EQ(count("select count(*) from Users where Password='hacked'"), 0);
}

// An overlong value is refused before any statement runs.
TEST_F(RecordAccess, RefusesOverlongTextsBeforeTheStatement) {
    EXPECT_THROW(SelectUser(store, "Users", "thirteenchars", "Password", ""), StoreError);
    EXPECT_THROW(UpdateUserField(store, "Users", "Master", "Password", "ninechars"), StoreError);
    EXPECT_THROW(insertNote("thirteenchars", 1, 1), StoreError);
    EXPECT_EQ(SelectUser(store, "Users", "Master", "Password", ""), "qxmeter");
    EXPECT_EQ(count("select count(*) from Notes"), 0);
}

// A column or table that does not exist is a failure in every function, never a fallback.
TEST_F(RecordAccess, UnknownColumnOrTableFailsInEveryFunction) {
    insertNote("Tom", 1, 10);
    const struct {
        const char* what;
        std::function<void()> call;
    } cases[] = {
        {"SelectUser column", [&] { SelectUser(store, "Notes", "Tom", "NoSuch", 0); }},
        {"SelectUser column, no row", [&] { SelectUser(store, "Notes", "Ann", "NoSuch", 0); }},
        {"SelectUser table", [&] { SelectUser(store, "NoTable", "Tom", "Count", 0); }},
        {"SelectUserWhere column",
         [&] { SelectUserWhere(store, "Notes", "Tom", "NoSuch", 0, "Count", 1); }},
        {"SelectUserWhere key column",
         [&] { SelectUserWhere(store, "Notes", "Tom", "ThisTm", 0, "NoSuch", 1); }},
        {"SelectUserWhere table",
         [&] { SelectUserWhere(store, "NoTable", "Tom", "ThisTm", 0, "Count", 1); }},
        {"InsertRecord column",
         [&] { InsertRecord(store, "Notes", {"User"}, {"Tom"}, {"NoSuch"}, {1}); }},
        {"InsertRecord table",
         [&] { InsertRecord(store, "NoTable", {"User"}, {"Tom"}, {"Count"}, {1}); }},
        {"UpdateUserField column", [&] { UpdateUserField(store, "Notes", "Tom", "NoSuch", 1); }},
        {"UpdateUserField table", [&] { UpdateUserField(store, "NoTable", "Tom", "Count", 1); }},
        {"UpdateUserFieldWhere column",
         [&] { UpdateUserFieldWhere(store, "Notes", "Tom", "NoSuch", 1, "Count", 1); }},
        {"UpdateUserFieldWhere key column",
         [&] { UpdateUserFieldWhere(store, "Notes", "Tom", "ThisTm", 1, "NoSuch", 1); }},
        {"UpdateUserFieldWhere table",
         [&] { UpdateUserFieldWhere(store, "NoTable", "Tom", "ThisTm", 1, "Count", 1); }},
    };
    for (const auto& c : cases)
        EXPECT_THROW(c.call(), StoreError) << c.what;
    // Column names are matched without letter case, as the statements' are.
    EXPECT_EQ(SelectUser(store, "notes", "Tom", "thistm", 0), 10LL);
    EXPECT_EQ(count("select count(*) from Notes"), 1);
}

TEST_F(RecordAccess, HandsFailuresToTheCaller) {
    EXPECT_THROW(SelectUser(store, "NoTable", "Master", "User", ""), StoreError);
    EXPECT_THROW(SelectUser(store, "Users; drop table Users", "Master", "User", ""), StoreError);
    store.close();
    EXPECT_THROW(SelectUser(store, "Users", "Master", "Password", ""), StoreError);
    EXPECT_THROW(UpdateUserField(store, "Users", "Master", "Password", "x"), StoreError);
}

// The meter finds an account by its name in any letter case, in every script.
TEST_F(RecordAccess, FindsAndUpdatesNamesWithoutLetterCase) {
    InsertRecord(store, "UserSet", {"User"}, {"Ärger"}, {"LenTm"}, {45});
    InsertRecord(store, "UserSet", {"User"}, {"ＴＯＭ"}, {"LenTm"}, {50});
    EXPECT_EQ(SelectUser(store, "UserSet", "ärger", "LenTm", 0), 45LL);
    EXPECT_EQ(SelectUser(store, "UserSet", "ｔｏｍ", "LenTm", 0), 50LL);
    UpdateUserField(store, "UserSet", "ÄRGER", "Ask", "0");
    EXPECT_EQ(SelectUser(store, "UserSet", "Ärger", "Ask", ""), "0");
    EXPECT_EQ(SelectUser(store, "UserSet", "Arger", "LenTm", -1), -1);
}

} // namespace
