#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/store/StoreStartup.h"
#include "support/StoreFiles.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QDate Today(2026, 3, 2);

struct StartupTest : ::testing::Test {
    QString path() const { return folder.file(Store::FileName); }
    void write(const QByteArray& bytes) {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    // A session's rows go in.
    bool records(Store& store) {
        return store.execute(QStringLiteral("insert into Notes (User,FromD,FromT,Count) values "
                                            "('公用帐号','20260302','10:00:00',1)"));
    }

    TempFolder folder;
    Store store;
    StoreStartup startup{store, path(), Today};
};

} // namespace

TEST_F(StartupTest, MissingFileIsCreatedAndLeftoversOfCrashedStartsGo) {
    write(QByteArray());
    ASSERT_TRUE(QFile::rename(path(), path() + ".new-00000000deadbeef"));
    ASSERT_TRUE(startup.open()) << startup.problem().toStdString();
    EXPECT_TRUE(startup.created());
    EXPECT_TRUE(records(store));
    store.close();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{Store::FileName});
}

TEST_F(StartupTest, FileOfAnInterruptedFirstStartIsCompletedAndRecords) {
    for (const int steps : {-1, 10}) {
        SCOPED_TRACE(steps);
        store.close();
        QFile::remove(path());
        if (steps < 0)
            write(QByteArray());
        else
            ASSERT_EQ(MakeUnfinishedStore(path(), steps, Today), QString());
        ASSERT_TRUE(startup.open()) << startup.problem().toStdString();
        EXPECT_FALSE(startup.created());
        EXPECT_TRUE(startup.completed());
        EXPECT_TRUE(startup.problem().isEmpty());
        EXPECT_TRUE(records(store)) << store.lastError().toStdString();
    }
}

// A file the meter cannot use stays closed and unchanged, and the reason names the file.
TEST_F(StartupTest, UnusableFileIsNeverChangedAndSaysWhy) {
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* says;
    };
    const QList<Case> cases = {
        {"garbage", [this] { write(QByteArray(8192, '\x5a')); }, "它不是本软件的数据库"},
        {"no Notes table, with an account of its own",
         [this] {
             ASSERT_EQ(MakeUnfinishedStore(path(), 5, Today), QString());
             Store other;
             ASSERT_TRUE(other.open(path()));
             ASSERT_TRUE(other.execute("insert into Users (User) values ('bob')"));
         },
         "不完整"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store.close();
        QFile::remove(path());
        c.make();
        const QByteArray before = FileChecksum(path());
        EXPECT_FALSE(startup.open());
        EXPECT_FALSE(store.isOpen());
        EXPECT_TRUE(startup.problem().contains(path())) << startup.problem().toStdString();
        EXPECT_TRUE(startup.problem().contains(QString::fromUtf8(c.says)))
            << startup.problem().toStdString();
        EXPECT_EQ(FileChecksum(path()), before);
    }
}
