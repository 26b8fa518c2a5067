#include "meter/engine/DataFileWatch.h"
#include "meter/store/IniFunctions.h"
#include "support/TempFolder.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Waits up to 5 s for the next report; true when it came.
bool changeReported(DataFileWatch& watch) {
    QEventLoop loop;
    bool reported = false;
    const auto connection = QObject::connect(&watch, &DataFileWatch::changed, &loop, [&] {
        reported = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return reported;
}

// Lets the reports of what came before pass.
void settle() {
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(DataFileWatch, SeesEverySettingsSaveThoughEachReplacesTheFile) {
    TempFolder folder;
    const QString ini = folder.file("veyranettimer.ini");
    WriteIni("时间设置", "Value1", "6.2", ini);
    DataFileWatch watch(folder.path(), {"veyranettimer.ini", "veyranettimer.dat-wal"});
    EXPECT_TRUE(watch.watchedFiles().contains(ini));

    // Each save writes a new file and renames it over the old one.
    for (const char* rate : {"7.5", "8.5", "9.5"}) {
        WriteIni("时间设置", "Value1", rate, ini);
        EXPECT_TRUE(changeReported(watch)) << rate;
        settle();
        EXPECT_TRUE(watch.watchedFiles().contains(ini)) << "watched again after " << rate;
    }
}

TEST(DataFileWatch, WatchesAFileMadeLaterAndSeesItsWrites) {
    TempFolder folder;
    DataFileWatch watch(folder.path(), {"veyranettimer.dat-wal"});
    QFile wal(folder.file("veyranettimer.dat-wal"));
    ASSERT_TRUE(wal.open(QIODevice::WriteOnly));
    EXPECT_TRUE(changeReported(watch)) << "made";
    settle();
    EXPECT_TRUE(watch.watchedFiles().contains(wal.fileName()));
    // Written in place, as the store writes its log: the folder does not change.
    wal.write("frame");
    wal.flush();
    EXPECT_TRUE(changeReported(watch)) << "written";
}

} // namespace
