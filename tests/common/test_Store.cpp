#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/StoreError.h"
#include "common/StoreStatements.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

const QDate CreationDay(2026, 12, 31);

struct FreshStore : ::testing::Test {
    void SetUp() override {
        path = folder.file(Store::FileName);
        OpenStore(path, CreationDay);
        ASSERT_TRUE(store.open(path)) << store.lastError().toStdString();
    }

    QStringList rowTexts(const QString& sql) {
        QStringList rows;
        StoreQuery query = store.query(sql);
        EXPECT_TRUE(query.isValid()) << store.lastError().toStdString();
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.columnCount(); ++i) {
                const QVariant value = query.value(i);
                fields << (value.isNull() ? QStringLiteral("<null>") : value.toString());
            }
            rows << fields.join('|');
        }
        return rows;
    }

    QVariant scalar(const QString& sql, const QVariantList& values = {}) {
        StoreQuery query = store.query(sql, values);
        EXPECT_TRUE(query.next()) << store.lastError().toStdString();
        return query.value(0);
    }

    TempFolder folder;
    QString path;
    Store store;
};

TEST_F(FreshStore, HasTheFiveTablesWithTheirColumnsInOrder) {
    const QList<QPair<QString, QString>> expected = {
        {"Users", "ID integer|User TEXT(12)|Password TEXT(8)|RegDate TEXT(14)"},
        {"Notes", "ID integer|User TEXT(12)|FromD TEXT(10)|ToD TEXT(10)|FromT TEXT(8)|ToT TEXT(8)|"
                  "Count integer|ThisMoney MONEY|AllMoney MONEY|ThisTm integer|AllTm integer"},
        {"CountDown", "ID integer|User TEXT(12)|Title TEXT(28)|ToDate TEXT(23)|LastTm TEXT(2)|"
                      "ToTm MONEY"},
        {"Masterset", "ID integer|User TEXT(12)|More TEXT(1)|Screen TEXT(1)|Mouse TEXT(1)|"
                      "AutoSave TEXT(1)|AutoRun TEXT(1)|UsePass TEXT(1)|Space MONEY|"
                      "Password TEXT(8)"},
        {"UserSet", "ID integer|User TEXT(12)|Jack TEXT(1)|ShowTm Integer|ShowMoney MONEY|"
                    "Ask TEXT(1)|LenTm MONEY|Title TEXT(28)|ToDate TEXT(23)"},
    };
    QStringList tables;
    for (const QString& row :
         rowTexts("select name from sqlite_master where type='table' order by rowid"))
        tables << row;
    QStringList expectedTables;
    for (const auto& [table, columns] : expected) {
        expectedTables << table;
        QStringList declared;
        for (const QString& row : rowTexts(QStringLiteral("PRAGMA table_info(%1)").arg(table))) {
            const QStringList fields = row.split('|');
            declared << fields.at(1) + ' ' + fields.at(2);
        }
        EXPECT_EQ(declared.join('|'), columns) << table.toStdString();
    }
    EXPECT_EQ(tables, expectedTables);
}

TEST_F(FreshStore, HoldsTheFirstRows) {
    EXPECT_EQ(rowTexts("select * from Users"), QStringList({"1|Master|qxmeter|2026年12月31日",
                                                            "1|公用帐号|qxmeter|2026年12月31日"}));
    EXPECT_EQ(rowTexts("select * from Notes"), QStringList());
    EXPECT_EQ(rowTexts("select * from CountDown"),
              QStringList({"1|Master|<null>|<null>|5|120", "1|公用帐号|<null>|<null>|5|120"}));
    EXPECT_EQ(rowTexts("select * from Masterset"), QStringList({"1|Master|0|0|0|1|1|0|30|<null>"}));
    // Created on 31 December: the countdown points at the next day.
    EXPECT_EQ(rowTexts("select * from UserSet"),
              QStringList({"1|公用帐号|1|<null>|<null>|1|60|2027年1月1日倒计时|2027-1-1 0:00:00"}));
    // Numeric text literals went into the numeric columns as numbers.
    EXPECT_EQ(scalar("select typeof(Space) from Masterset").toString(), "integer");
    EXPECT_EQ(scalar("select typeof(LenTm) from UserSet").toString(), "integer");
}

TEST_F(FreshStore, IsEncryptedWithTheDatabasePassword) {
    store.close();
    sqlite3* plain = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(QFile::encodeName(path).constData(), &plain, SQLITE_OPEN_READONLY, nullptr),
        SQLITE_OK);
    const int rc =
        sqlite3_exec(plain, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    sqlite3_close(plain);
    EXPECT_EQ(rc, SQLITE_NOTADB);

    sqlite3* wrongKey = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &wrongKey, SQLITE_OPEN_READONLY,
                              nullptr),
              SQLITE_OK);
    sqlite3_key(wrongKey, "qxmeter", 7);
    EXPECT_EQ(
        sqlite3_exec(wrongKey, "select count(*) from sqlite_master", nullptr, nullptr, nullptr),
        SQLITE_NOTADB);
    sqlite3_close(wrongKey);

    EXPECT_TRUE(store.open(path));
    EXPECT_EQ(scalar("PRAGMA journal_mode").toString(), "wal");
}

TEST_F(FreshStore, CreationRefusesAnExistingFile) {
    EXPECT_FALSE(Store().create(path));
}

TEST_F(FreshStore, RunsTheDialect) {
    // Text equality ignores letter case, in = and in <>.
    EXPECT_EQ(scalar("select count(*) from Users where User='MASTER'").toInt(), 1);
    EXPECT_EQ(scalar("select count(*) from Users where User<>'master'").toInt(), 1);
    // val() reads the leading number of a text.
    EXPECT_EQ(scalar("select val('20010308')").toLongLong(), 20010308);
    EXPECT_DOUBLE_EQ(scalar("select val(' 6.2元/时')").toDouble(), 6.2);
    EXPECT_EQ(scalar("select val('abc')").toInt(), 0);
    // TEXT(n) refuses longer texts; n characters, Chinese ones too, pass.
    EXPECT_FALSE(store.execute("insert into Users (User) values (?)", {"abcdefghijklm"}));
    EXPECT_TRUE(store.execute("insert into Users (User) values (?)", {"十二个字的帐号名字正好够"}));
    // "delete * from" is accepted.
    EXPECT_TRUE(store.execute("delete * from Users where User=?", {"十二个字的帐号名字正好够"}));
    EXPECT_EQ(scalar("select count(*) from Users").toInt(), 2);
}

// Conditions on names ignore the case of every letter, not only of A-Z.
TEST_F(FreshStore, NamesCompareWithoutCaseInEveryScript) {
    using namespace StoreStatements;
    for (const char* name : {"Ärger", "ＴＯＭ", "Σοφία"})
        ASSERT_TRUE(store.execute(InsertUser, {QString::fromUtf8(name), "pw", "2026年12月31日"}));
    const struct {
        const char* asked;
        int found;
    } cases[] = {
        {"ärger", 1}, {"ÄRGER", 1}, {"ｔｏｍ", 1}, {"Ｔｏｍ", 1}, {"ΣΟΦΊΑ", 1},
        {"σοφία", 1}, {"Arger", 0}, {"tom", 0},    {"MASTER", 1},
    };
    for (const auto& c : cases) {
        const QString asked = QString::fromUtf8(c.asked);
        EXPECT_EQ(scalar("select count(*) from Users where User=?", {asked}).toInt(), c.found)
            << c.asked;
        EXPECT_EQ(scalar("select count(*) from Users where User<>?", {asked}).toInt(), 5 - c.found)
            << c.asked;
    }

    // Statdesk's account condition.
    ASSERT_TRUE(store.execute("insert into Notes (User,FromD,ToD,Count) values (?,?,?,?)",
                              {"Ärger", "20261201", "20261201", 1}));
    StoreQuery sessions = store.query(SessionsQuery(true), {"ärger", 20261201, 20261231});
    ASSERT_TRUE(sessions.next());
    EXPECT_EQ(sessions.value("User").toString(), "Ärger");

    ASSERT_TRUE(store.execute(DeleteUser, {"ｔｏｍ"}));
    EXPECT_EQ(scalar("select count(*) from Users").toInt(), 4);
}

// The file stays readable by the plain sqlcipher shell: the schema names no collation the
// shell lacks.
TEST_F(FreshStore, PlainSqlcipherShellQueriesTheFile) {
    ASSERT_TRUE(store.execute(StoreStatements::InsertUser, {"Ärger", "pw", "2026年12月31日"}));
    store.close();
    QProcess shell;
    shell.start("sqlcipher", {path});
    ASSERT_TRUE(shell.waitForStarted(10000))
        << "the sqlcipher shell (Debian package sqlcipher) is needed: "
        << shell.errorString().toStdString();
    shell.write("PRAGMA key='松风明月夜';\n"
                "select count(*) from Users where User='master';\n"
                "select User from Users where User<>'MASTER' order by User;\n");
    shell.closeWriteChannel();
    ASSERT_TRUE(shell.waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardError()), "");
    EXPECT_EQ(shell.exitCode(), 0);
    QString output = QString::fromUtf8(shell.readAllStandardOutput());
    // Later shells acknowledge the key with "ok".
    if (output.startsWith("ok\n"))
        output.remove(0, 3);
    EXPECT_EQ(output, "1\nÄrger\n公用帐号\n");
}

// The checks before a statement and the column's own limit count the same characters, so a
// value one accepts the other accepts too.
TEST_F(FreshStore, LengthCheckAgreesWithTheColumnLimit) {
    const struct {
        QString text;
        bool fits;
    } cases[] = {
        {QStringLiteral("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋"), true},    // 12 characters, 24 UTF-16 units
        {QStringLiteral("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇𠀈𠀉𠀊𠀋𠀌"), false}, // 13
        {QStringLiteral("ab😀😀😀😀😀😀😀😀😀😀"), true},
        {QStringLiteral("十二个字的帐号名字正好够"), true},
        {QStringLiteral("十三个字的帐号名字正好不够"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        bool checked = true;
        try {
            store.valueForColumn("Users", "User", c.text);
        } catch (const StoreError&) {
            checked = false;
        }
        EXPECT_EQ(checked, c.fits);
        EXPECT_EQ(store.execute("insert into Users (User) values (?)", {c.text}), c.fits);
    }
}

TEST_F(FreshStore, CoercesValuesForTheirColumns) {
    struct Case {
        const char* column;
        QVariant given;
        QVariant stored;
    };
    const Case cases[] = {
        {"ThisTm", 95.6, 96LL},
        {"ThisTm", 95.4, 95LL},
        {"Count", QString("30"), 30LL},
        {"ThisMoney", 1.23456, 1.2346},
        {"ThisMoney", 6.2, 6.2},
        {"AllMoney", QString("30"), 30LL},
        {"FromT", QString("9:05:03"), QString("9:05:03")},
    };
    for (const Case& c : cases) {
        const QVariant value = store.valueForColumn("Notes", c.column, c.given);
        EXPECT_EQ(value, c.stored) << c.column << " " << c.given.toString().toStdString();
    }
    EXPECT_THROW(store.valueForColumn("Notes", "Count", QString("abc")), std::exception);
    EXPECT_THROW(store.valueForColumn("Notes", "FromT", QString("10:00:00 PM")), std::exception);
    EXPECT_THROW(store.valueForColumn("Notes", "NoSuchColumn", 1), std::exception);
}

// Every fixed statement of the three programs runs against a fresh file.
TEST_F(FreshStore, RunsEveryStatementShapeOfThePrograms) {
    using namespace StoreStatements;
    EXPECT_EQ(scalar(CountUsers).toInt(), 2);
    EXPECT_EQ(rowTexts(AllUsers).size(), 2);
    EXPECT_EQ(rowTexts(MasterUser).size(), 1);
    EXPECT_EQ(rowTexts(QString(UserByName).replace("?", "'公用帐号'")).size(), 1);

    ASSERT_TRUE(store.execute(InsertUser, {"Tom", "pw", "2026年12月31日"}))
        << store.lastError().toStdString();
    ASSERT_TRUE(store.execute(InsertUserSet, {"Tom", "2027", "2027"}))
        << store.lastError().toStdString();
    EXPECT_EQ(rowTexts("select * from Users where User='tom'"),
              QStringList({"<null>|Tom|pw|2026年12月31日"}));
    EXPECT_EQ(rowTexts("select * from UserSet where User='Tom'"),
              QStringList({"1|Tom|1|<null>|<null>|1|60|2027年1月1日倒计时|2027-1-1 0:00:00"}));

    const char* insertNote = "insert into Notes (User,FromD,ToD,FromT,ToT,Count) values "
                             "(?,?,?,?,?,?)";
    ASSERT_TRUE(
        store.execute(insertNote, {"Tom", "20261201", "20261201", "9:00:00", "9:10:00", 1}));
    ASSERT_TRUE(store.execute(insertNote, {"Tom", "20261205", "", "9:00:00", "", 2}));
    ASSERT_TRUE(store.execute(insertNote, {"Master", "20261201", "20261201", "9:00:00", "", 1}));
    ASSERT_TRUE(store.execute(insertNote, {"Ann", "20261130", "20261130", "9:00:00", "", 1}));
    ASSERT_TRUE(store.execute(insertNote, {"Ann", "20261202", "20261202", "9:00:00", "", 2}));

    StoreQuery all = store.query(SessionsQuery(false), {20261201, 20261231});
    QStringList listed;
    while (all.next())
        listed << all.value("User").toString() + all.value("Count").toString();
    // Inclusive bounds, by start date; no unfinished and no Master rows.
    EXPECT_EQ(listed, QStringList({"Tom1", "Ann2"}));

    StoreQuery one = store.query(SessionsQuery(true), {"ann", 20261101, 20261130});
    ASSERT_TRUE(one.next());
    const qlonglong annRow = one.value("rowid").toLongLong();
    EXPECT_EQ(one.value("Count").toInt(), 1);
    EXPECT_FALSE(one.next());

    ASSERT_TRUE(store.execute(DeleteSession, {"Ann", 1, annRow}));
    EXPECT_EQ(scalar("select count(*) from Notes where User='Ann'").toInt(), 1);

    ASSERT_TRUE(store.execute(DeleteUser, {"TOM"}));
    ASSERT_TRUE(store.execute(DeleteUserSet, {"tom"}));
    EXPECT_EQ(scalar(CountUsers).toInt(), 2);
    EXPECT_EQ(scalar("select count(*) from UserSet").toInt(), 1);
}

// Statements are kept for reuse; each use still sees its own bindings and the current rows.
TEST_F(FreshStore, ReusedStatementsStayIndependent) {
    const QString byName = "select Password from Users where User=?";
    StoreQuery outer = store.query(byName, {"Master"});
    StoreQuery inner = store.query(byName, {"公用帐号"});
    ASSERT_TRUE(outer.next());
    ASSERT_TRUE(inner.next());
    EXPECT_EQ(outer.value(0), "qxmeter");
    EXPECT_FALSE(inner.next());

    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(store.execute("update Users set Password=? where User=?",
                                  {QString::number(round), "Master"}));
        StoreQuery again = store.query(byName, {"Master"});
        ASSERT_TRUE(again.next());
        EXPECT_EQ(again.value(0), QString::number(round));
    }
    // A query that outlives the connection ends safely.
    StoreQuery orphan = store.query(byName, {"Master"});
    store.close();
    EXPECT_TRUE(orphan.next());
}

TEST(Store, OpeningAMissingFileFails) {
    TempFolder folder;
    Store store;
    EXPECT_FALSE(store.open(folder.file("missing.dat")));
    EXPECT_FALSE(QFile::exists(folder.file("missing.dat")));
}

} // namespace
