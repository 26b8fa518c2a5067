#pragma once

#include "meter/desktop/MeterServices.h"
#include "meter/engine/MeterEngine.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDeskLock.h"
#include "platform/fake/FakeDialUpDialogs.h"
#include "platform/fake/FakeDialUpNetwork.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeReminderSound.h"
#include "platform/fake/FakeShell.h"
#include "platform/fake/ScriptedPrompter.h"

// Every outside facility of the meter, faked, for one test.
struct FakePlatform {
    explicit FakePlatform(const QDateTime& now = QDateTime(QDate(2026, 3, 2), QTime(10, 0)))
        : clock(now) {}

    MeterServices meterServices(const QString& folder, const QString& executable) {
        return meterServices(folder, executable, prompter);
    }
    // With a prompter of the test's own in place of the scripted one.
    MeterServices meterServices(const QString& folder, const QString& executable,
                                Prompter& ownPrompter) {
        return {clock, registry, ownPrompter, network, sound,
                shell, deskLock, dialogs,     folder,  executable};
    }
    EngineServices engineServices(Store& store, const QString& folder, const QString& executable) {
        return {clock, store, network, sound, registry, prompter, folder, executable};
    }

    FakeClock clock;
    FakeRegistry registry;
    ScriptedPrompter prompter;
    FakeDialUpNetwork network;
    FakeReminderSound sound;
    FakeShell shell;
    FakeDeskLock deskLock;
    FakeDialUpDialogs dialogs;
};
