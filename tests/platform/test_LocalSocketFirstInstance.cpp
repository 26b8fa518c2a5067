#include "platform/linux/LocalSocketFirstInstance.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <chrono>
#include <csignal>
#include <future>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Runs `call` on a thread of its own while this thread serves the first copy's socket.
bool CallFromAnotherCopy(LocalSocketFirstInstance& later) {
    auto answered = std::async(std::launch::async, [&later] { return later.callFirst(); });
    while (answered.wait_for(5ms) != std::future_status::ready)
        QCoreApplication::processEvents();
    return answered.get();
}

TEST(LocalSocketFirstInstance, ALaterCopyCallsTheFirstOfItsFolder) {
    TempFolder runtime;
    LocalSocketFirstInstance first("Statdesk", "/data/one", runtime.path());
    ASSERT_TRUE(first.claim());
    int calls = 0;
    first.onCalled([&calls] { ++calls; });

    LocalSocketFirstInstance later("Statdesk", "/data/one", runtime.path());
    EXPECT_FALSE(later.claim());
    EXPECT_TRUE(CallFromAnotherCopy(later));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(CallFromAnotherCopy(later));
    EXPECT_EQ(calls, 2);

    // Another data folder, or another program, is a key of its own.
    LocalSocketFirstInstance otherFolder("Statdesk", "/data/two", runtime.path());
    EXPECT_TRUE(otherFolder.claim());
    LocalSocketFirstInstance otherProgram("Enroldesk", "/data/one", runtime.path());
    EXPECT_TRUE(otherProgram.claim());
}

TEST(LocalSocketFirstInstance, WhatACrashedCopyLeftIsTakenOver) {
    TempFolder runtime;
    LocalSocketFirstInstance probe("Statdesk", "/data/one", runtime.path());
    // A lock of a process that is gone, and its socket file.
    int deadPid = 999999;
    while (::kill(deadPid, 0) == 0)
        --deadPid;
    const QString lockPath = QString(probe.socketPath()).replace(".socket", ".lock");
    {
        QFile lock(lockPath);
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\nStatdesk\n\n");
        QFile socket(probe.socketPath());
        ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    }
    LocalSocketFirstInstance first("Statdesk", "/data/one", runtime.path());
    ASSERT_TRUE(first.claim());
    int calls = 0;
    first.onCalled([&calls] { ++calls; });
    LocalSocketFirstInstance later("Statdesk", "/data/one", runtime.path());
    EXPECT_FALSE(later.claim());
    EXPECT_TRUE(CallFromAnotherCopy(later));
    EXPECT_EQ(calls, 1);
}

TEST(LocalSocketFirstInstance, AFirstCopyThatNeverAnswersIsGivenUp) {
    TempFolder runtime;
    LocalSocketFirstInstance first("Statdesk", "/data/one", runtime.path());
    ASSERT_TRUE(first.claim());
    LocalSocketFirstInstance later("Statdesk", "/data/one", runtime.path());
    EXPECT_FALSE(later.claim());
    // This thread never serves the socket: the call must end, unanswered.
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(later.callFirst());
    EXPECT_LT(timer.elapsed(), 30000);
}

TEST(LocalSocketFirstInstance, AFolderForTheKeyThatCannotBeUsedDoesNotStopTheProgram) {
    LocalSocketFirstInstance first("Statdesk", "/data/one", "/proc/no-such-folder");
    EXPECT_TRUE(first.claim());
}

} // namespace
