#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/access/LoginPrompt.h"
#include "meter/desktop/DialUpDialogWatcher.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// The login window as the watch sees it.
class FakeLoginPrompt : public LoginPrompt {
public:
    bool isShowing() const override { return m_showing; }
    void showForDialog(DialUpDialogs::Handle dialog) override {
        m_showing = true;
        m_dialogs << dialog;
    }
    void centreOver(const QRect& area) override { m_centredOver = area; }

    void close() { m_showing = false; }
    bool m_showing = false;
    QList<DialUpDialogs::Handle> m_dialogs;
    std::optional<QRect> m_centredOver;
};

struct Watch : ::testing::Test, FakePlatform {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, QDate(2026, 3, 2));
        ASSERT_TRUE(store.open(path));
        setMultiUser("1");
    }
    void setMultiUser(const QString& more) {
        UpdateUserField(store, "Masterset", "Master", "More", more);
    }

    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "/usr/bin/Dialtoll")};
    FakeLoginPrompt login;
    DialUpDialogWatcher watcher{store, dialogs, engine, login,
                                DialUpDialogWatcher::Titles(QString())};
    QSignalSpy stops{&watcher, &DialUpDialogWatcher::timerStopRequested};
    QSignalSpy starts{&watcher, &DialUpDialogWatcher::timerStartRequested};
};

TEST_F(Watch, DoesNothingWhileMultiUserManagementIsOff) {
    for (const QString& more : {QString("0"), QString(""), QString("x")}) {
        setMultiUser(more);
        const auto dialog = dialogs.open("连接到");
        engine.setLoginGranted(true);
        watcher.Timer2();
        EXPECT_EQ(dialogs.findCount(), 0) << more.toStdString();
        EXPECT_TRUE(dialogs.calls().isEmpty());
        EXPECT_FALSE(login.isShowing());
        // The permission is not touched either.
        EXPECT_TRUE(engine.state().LoginGranted);
        EXPECT_EQ(stops.count(), 0);
        dialogs.closeByUser(dialog);
    }
    // A store that cannot be read counts as off.
    setMultiUser("1");
    store.close();
    dialogs.open("连接到");
    watcher.Timer2();
    EXPECT_EQ(dialogs.findCount(), 0);
    EXPECT_FALSE(login.isShowing());
}

TEST_F(Watch, DoesNothingWhileTheLoginWindowShows) {
    dialogs.open("连接到");
    login.m_showing = true;
    watcher.Timer2();
    EXPECT_EQ(dialogs.findCount(), 0);
    EXPECT_TRUE(dialogs.calls().isEmpty());
    EXPECT_EQ(stops.count(), 0);
}

TEST_F(Watch, HoldsADialogBackAndCentresTheLoginWindowOverIt) {
    const auto dialog = dialogs.open("连接到", QRect(300, 200, 401, 250));
    watcher.Timer2();
    EXPECT_TRUE(dialogs.isHeld(dialog));
    EXPECT_EQ(login.m_dialogs, QList<DialUpDialogs::Handle>{dialog});
    EXPECT_EQ(login.m_centredOver, QRect(300, 200, 401, 250));
    // Every title is looked up once, and the tick ran with Timer2 stopped.
    EXPECT_EQ(dialogs.findCount(), 4);
    EXPECT_EQ(stops.count(), 1);
    EXPECT_EQ(starts.count(), 1);
}

TEST_F(Watch, TwoDialogsAreBothHeldAndTheLaterOneGetsTheWindow) {
    const auto later = dialogs.open("重新创建连接", QRect(600, 400, 300, 200));
    const auto earlier = dialogs.open("拨号连接", QRect(0, 0, 500, 300));
    watcher.Timer2();
    EXPECT_TRUE(dialogs.isHeld(earlier));
    EXPECT_TRUE(dialogs.isHeld(later));
    // In the order of the titles, not of opening: the last one handed over is the context.
    EXPECT_EQ(login.m_dialogs, (QList<DialUpDialogs::Handle>{earlier, later}));
    EXPECT_EQ(login.m_centredOver, QRect(600, 400, 300, 200));
}

TEST_F(Watch, KnowsOnlyTheExactTitles) {
    for (const QString& title : {QString("连接到 "), QString(" 连接到"), QString("连接"),
                                 QString("iWPS: 拨号"), QString("KPPP")})
        dialogs.open(title);
    watcher.Timer2();
    EXPECT_FALSE(login.isShowing());
    EXPECT_TRUE(dialogs.calls().isEmpty());

    for (const char* title : {"拨号连接", "连接到", "重新创建连接", "iWPS:拨号"}) {
        FakeDialUpDialogs own;
        FakeLoginPrompt prompt;
        DialUpDialogWatcher standard(store, own, engine, prompt,
                                     DialUpDialogWatcher::Titles(QString()));
        own.open(QString::fromUtf8(title));
        standard.Timer2();
        EXPECT_TRUE(prompt.isShowing()) << title;
    }
}

TEST_F(Watch, TakesFurtherTitlesFromTheEnvironmentsList) {
    const QStringList extra{"KPPP", "Dial up"};
    EXPECT_EQ(DialUpDialogWatcher::Titles(" KPPP ,,Dial up ,连接到"),
              DialUpDialogWatcher::StandardTitles + extra);
    DialUpDialogWatcher extended(store, dialogs, engine, login,
                                 DialUpDialogWatcher::Titles("KPPP"));
    const auto dialog = dialogs.open("KPPP");
    extended.Timer2();
    EXPECT_TRUE(dialogs.isHeld(dialog));
    EXPECT_EQ(login.m_dialogs, QList<DialUpDialogs::Handle>{dialog});
}

TEST_F(Watch, ThePermissionLastsWhileTheDialogIsOpenOrALinkIsUp) {
    const auto dialog = dialogs.open("连接到");
    engine.setLoginGranted(true);
    watcher.Timer2();
    EXPECT_FALSE(login.isShowing());
    EXPECT_FALSE(dialogs.isHeld(dialog));
    EXPECT_TRUE(engine.state().LoginGranted);

    // Dialled: the dialog goes, the link is up.
    dialogs.closeByUser(dialog);
    network.setConnected(true);
    engine.EvtTimer();
    watcher.Timer2();
    EXPECT_TRUE(engine.state().LoginGranted);

    // The link ends: the connection watch takes the permission away itself.
    network.setConnected(false);
    engine.EvtTimer();
    EXPECT_FALSE(engine.state().LoginGranted);
}

TEST_F(Watch, ThePermissionExpiresWhenTheDialogClosesWithoutDialling) {
    const auto dialog = dialogs.open("连接到");
    engine.setLoginGranted(true);
    watcher.Timer2();
    dialogs.closeByUser(dialog);
    watcher.Timer2();
    EXPECT_FALSE(engine.state().LoginGranted);
    // Opened again, it is held back again.
    const auto again = dialogs.open("连接到");
    watcher.Timer2();
    EXPECT_TRUE(dialogs.isHeld(again));
    EXPECT_TRUE(login.isShowing());
}

TEST_F(Watch, ADialogGoneBeforeItsRectangleLeavesTheWindowWhereItIs) {
    // Found, then gone before it could be held or measured.
    class Vanishing : public FakeDialUpDialogs {
    public:
        Handle find(const QString& title) override {
            const Handle found = FakeDialUpDialogs::find(title);
            if (found)
                closeByUser(found);
            return found;
        }
    } vanishing;
    const auto dialog = vanishing.open("连接到");
    DialUpDialogWatcher watch(store, vanishing, engine, login,
                              DialUpDialogWatcher::Titles(QString()));
    watch.Timer2();
    EXPECT_EQ(vanishing.calls(), QStringList{QString("holdBack %1").arg(dialog)});
    EXPECT_TRUE(login.isShowing());
    EXPECT_FALSE(login.m_centredOver.has_value());
}

} // namespace
