#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/StoreCompletion.h"
#include "common/StoreError.h"
#include "support/FileSizeLimit.h"
#include "support/StoreFiles.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using State = StoreCompletion::State;

const QDate Today(2026, 3, 2);

QStringList FolderEntries(const TempFolder& folder) {
    return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct Completion : ::testing::Test {
    QString path() const { return folder.file(Store::FileName); }
    // A fresh file made in one go, to compare with.
    QStringList freshSnapshot() {
        const QString other = reference.file(Store::FileName);
        OpenStore(other, Today);
        return StoreSnapshot(other);
    }
    void run(const QString& sql) {
        Store store;
        ASSERT_TRUE(store.open(path())) << store.lastError().toStdString();
        ASSERT_TRUE(store.execute(sql)) << store.lastError().toStdString();
    }
    // Assesses the file and tries to complete it; the file's bytes must stay as they were
    // unless it was unfinished.
    State assessAndComplete(bool& completed, int& stepsDone) {
        Store store;
        EXPECT_TRUE(store.open(path())) << store.lastError().toStdString();
        StoreCompletion completion(store, Today);
        const State state = completion.assess();
        stepsDone = completion.stepsDone();
        completed = completion.completeUnfinished();
        return state;
    }

    TempFolder folder;
    TempFolder reference;
};

} // namespace

TEST(OpenStore, BuildsTheFileAsideAndLeavesNothingElse) {
    TempFolder folder;
    const QString path = folder.file(Store::FileName);
    OpenStore(path, Today);
    EXPECT_EQ(FolderEntries(folder), QStringList{Store::FileName});
    Store store;
    ASSERT_TRUE(store.open(path)) << store.lastError().toStdString();
    StoreCompletion completion(store, Today);
    EXPECT_EQ(completion.assess(), State::Complete);
}

TEST(OpenStore, NeverReplacesAnExistingFile) {
    TempFolder folder;
    const QString path = folder.file(Store::FileName);
    {
        QFile existing(path);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("someone's data");
    }
    const QByteArray before = FileChecksum(path);
    EXPECT_THROW(OpenStore(path, Today), StoreError);
    EXPECT_EQ(FileChecksum(path), before);
    EXPECT_EQ(FolderEntries(folder), QStringList{Store::FileName});
}

// A creation that breaks off (here: the disk is full) leaves no file at all, so the next start
// creates it afresh instead of opening a piece.
TEST(OpenStore, CreationThatBreaksOffLeavesNoFile) {
    TempFolder folder;
    const QString path = folder.file(Store::FileName);
    {
        const FileSizeLimit limit(6 * 1024);
        ASSERT_TRUE(limit.active()) << "cannot limit the file size";
        EXPECT_THROW(OpenStore(path, Today), StoreError);
    }
    EXPECT_EQ(FolderEntries(folder), QStringList());
    OpenStore(path, Today);
    EXPECT_EQ(FolderEntries(folder), QStringList{Store::FileName});
}

TEST(OpenStore, UnfinishedCreationsAreRemovedAndNothingElse) {
    TempFolder folder;
    const QString path = folder.file(Store::FileName);
    const QStringList leftovers = {"veyranettimer.dat.new-0123456789abcdef",
                                   "veyranettimer.dat.new-0123456789abcdef-journal",
                                   "veyranettimer.dat.new-fedcba9876543210-wal"};
    const QStringList kept = {"veyranettimer.dat.bak", "veyranettimer.ini", "x.dat.new-1"};
    for (const QString& name : leftovers + kept) {
        QFile file(folder.file(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    RemoveUnfinishedCreations(path);
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(FolderEntries(folder), expected);
}

// The file an older version left when its first start was cut short after so many creation
// steps: completed, it holds exactly what a file made in one go holds.
TEST_F(Completion, FileCutShortAfterAnyStepIsCompleted) {
    const QStringList fresh = freshSnapshot();
    const int all = static_cast<int>(StoreCreationStatements(Today).size());
    for (const int steps : {-1, 0, 1, 3, 4, 5, 6, 15, 21, 22, 32, 40}) {
        SCOPED_TRACE(steps);
        QFile::remove(path());
        if (steps < 0) {
            // Killed before the file held a single byte.
            QFile empty(path());
            ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        } else {
            ASSERT_EQ(MakeUnfinishedStore(path(), steps, Today), QString());
        }
        bool completed = false;
        int stepsDone = -1;
        EXPECT_EQ(assessAndComplete(completed, stepsDone), State::Unfinished);
        EXPECT_EQ(stepsDone, std::max(steps, 0));
        EXPECT_TRUE(completed);
        EXPECT_EQ(StoreSnapshot(path()), fresh);
        EXPECT_LT(stepsDone, all);
    }
}

// Files that hold more than creation wrote, or that are not a cut-short making, are left
// exactly as they are.
TEST_F(Completion, FilesWithDataOrOtherShapesAreLeftAlone) {
    struct Case {
        const char* name;
        int steps;
        QString change;
        State state;
    };
    const QList<Case> cases = {
        {"a session row", 15, "insert into Notes (User,Count) values ('公用帐号',1)",
         State::Irregular},
        {"another account", 5, "insert into Users (User,Password) values ('bob','x')",
         State::Irregular},
        {"a table of someone else's", 10, "create table Extra (a)", State::Irregular},
        {"a column of someone else's", 2, "alter table Users add column Extra TEXT(3)",
         State::Irregular},
        {"a gap in the steps", 5, "delete from Users where User='Master'", State::Irregular},
        // Every table and column is there: an administrator may have removed Master.
        {"complete without Master", 41, "delete from Users where User='Master'", State::Complete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path());
        ASSERT_EQ(MakeUnfinishedStore(path(), c.steps, Today), QString());
        run(c.change);
        const QByteArray before = FileChecksum(path());
        bool completed = true;
        int stepsDone = -1;
        EXPECT_EQ(assessAndComplete(completed, stepsDone), c.state);
        EXPECT_FALSE(completed);
        EXPECT_EQ(FileChecksum(path()), before);
    }
}
