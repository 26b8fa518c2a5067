// Without an X server (here Qt's offscreen platform) the X11 desk lock and dialog watch do
// nothing, fail softly and say so once on standard error.
#include "platform/linux/X11DeskLock.h"
#include "platform/linux/X11DialUpDialogs.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QStringList g_warnings;

TEST(X11Offscreen, EveryCallDoesNothingAndTheAbsenceIsToldOnce) {
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg)
                g_warnings << text;
        });
    QWidget login;
    login.show();
    for (int round = 0; round < 2; ++round) {
        X11DeskLock lock;
        lock.keepOnTop(login);
        EXPECT_FALSE(lock.holdKeyboard(login));
        EXPECT_FALSE(lock.confinePointer(QRect(10, 10, 200, 100)));
        lock.releasePointer();
        lock.releaseKeyboard();
        EXPECT_EQ(lock.confineWindow(), 0u);

        X11DialUpDialogs dialogs;
        EXPECT_EQ(dialogs.find(QStringLiteral("连接到")), 0u);
        EXPECT_FALSE(dialogs.holdBack(0x400006));
        EXPECT_FALSE(dialogs.release(0x400006));
        EXPECT_EQ(dialogs.frameRect(0x400006), std::nullopt);
        EXPECT_FALSE(dialogs.close(0x400006));
    }
    qInstallMessageHandler(previous);
    ASSERT_EQ(g_warnings.size(), 1) << g_warnings.join('\n').toStdString();
    EXPECT_TRUE(g_warnings.front().startsWith("Dialtoll: no X11 display (offscreen)"))
        << g_warnings.front().toStdString();
    EXPECT_FALSE(login.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
