#include "meter/desktop/Form1.h"
#include "meter/desktop/MeterMenus.h"
#include "meter/desktop/tray/cSysTray.h"
#include "meter/settings/Form2.h"
#include "platform/fake/ScriptedPrompter.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

struct Meter : FakePlatform {
    explicit Meter(bool trayHost = true)
        : FakePlatform(QDateTime(QDate(2001, 3, 8), QTime(9, 5, 3))),
          form(meterServices(folder.path(), "/opt/dialtoll/Dialtoll")), trayAvailable(trayHost) {
        form.tray().setTrayProbe([this] { return trayAvailable; });
        form.Form_Load();
        form.openMainWindow();
    }
    QLabel* label(const char* name) { return form.findChild<QLabel*>(name); }
    QString help() { return label("Tbr")->text(); }
    void hover(const char* name) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(form.findChild<QWidget*>(name), &enter);
    }
    QColor colour(const char* name) { return label(name)->palette().color(QPalette::WindowText); }

    TempFolder folder;
    Form1 form;
    bool trayAvailable;
};

// The visible window of that type, if any.
template <typename Window> Window* ShownWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
            return window;
    }
    return nullptr;
}

// Twips of the window's client area to pixels.
QPoint Px(int x, int y) {
    return QPoint(x, y) / 15;
}

} // namespace

class Form1Desktop : public QObject {
    Q_OBJECT
private slots:
    void hoverHelpFollowsTheItemAndTheUser() {
        Meter meter;
        meter.hover("Label7");
        QCOMPARE(meter.help(), QString("用户[公用帐号]上网的次数。"));
        meter.form.engine().setCurrentUser("Tom");
        meter.hover("Label6");
        QCOMPARE(meter.help(), QString("用户[Tom]上网的次数。"));
        meter.hover("Label29"); // the version line leaves the help as it is
        QCOMPARE(meter.help(), QString("用户[Tom]上网的次数。"));
        meter.hover("Op1");
        QVERIFY(meter.help().startsWith("将本次上网时间设置为：10 分钟"));
        meter.hover("Command2");
        QCOMPARE(meter.help(), QString("查询或管理详细的统计数据。"));
    }

    void linksTurnBlueAndBackToBlack() {
        Meter meter;
        meter.hover("Label25");
        QCOMPARE(meter.colour("Label25"), QColor(0, 0, 255));
        meter.hover("Label29");
        QCOMPARE(meter.colour("Label25"), QColor(0, 0, 255));
        meter.hover("Label22");
        QCOMPARE(meter.colour("Label25"), QColor(Qt::black));
        QTest::mouseClick(meter.label("Label27"), Qt::LeftButton);
        QCOMPARE(meter.shell.openedUrls(), QList<QUrl>{QUrl("https://www.example.org/dialtoll/")});
    }

    void pressesInTheBandMoveTheWindow_data() {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("moves");
        QTest::newRow("left of the icon") << Px(20, 100) << true;
        QTest::newRow("right of the icon") << Px(1500, 200) << true;
        QTest::newRow("inside the icon") << Px(100, 100) << false;
        QTest::newRow("below the band") << Px(1500, 400) << false;
    }
    void pressesInTheBandMoveTheWindow() {
        QFETCH(QPoint, press);
        QFETCH(bool, moves);
        Meter meter;
        const QPoint before = meter.form.pos();
        QTest::mousePress(&meter.form, Qt::LeftButton, {}, press);
        QTest::mouseMove(&meter.form, press + QPoint(30, 40));
        QTest::mouseRelease(&meter.form, Qt::LeftButton, {}, press + QPoint(30, 40));
        QCOMPARE(meter.form.pos() != before, moves);
    }

    void moveCommandPutsThePointerWhereAPressMoves() {
        Meter meter;
        meter.form.menus().item("mnuMove")->trigger();
        QCOMPARE(meter.form.cursor().shape(), Qt::SizeAllCursor);
        const QPoint at = meter.form.mapFromGlobal(QCursor::pos());
        QCOMPARE(at, QPoint(meter.form.width() / 2, 12)); // the middle of the title band
        // Whatever lies there (the band or the title on it) takes the press.
        QWidget* pressed = meter.form.childAt(at) ? meter.form.childAt(at) : &meter.form;
        const QPoint local = pressed->mapFrom(&meter.form, at);
        const QPoint before = meter.form.pos();
        QTest::mousePress(pressed, Qt::LeftButton, {}, local);
        const Qt::CursorShape afterPress = meter.form.cursor().shape();
        QTest::mouseMove(pressed, local + QPoint(30, 40));
        QTest::mouseRelease(pressed, Qt::LeftButton, {}, local + QPoint(30, 40));
        QCOMPARE(afterPress, Qt::ArrowCursor);
        QVERIFY(meter.form.pos() != before);

        // The title on the band ends the move pointer as well (the text may reach the middle).
        meter.form.menus().item("mnuMove")->trigger();
        QLabel* title = meter.label("TitLb");
        QTest::mousePress(title, Qt::LeftButton, {}, QPoint(5, 5));
        const Qt::CursorShape afterTitlePress = meter.form.cursor().shape();
        QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(afterTitlePress, Qt::ArrowCursor);
    }

    void planHelpCountsDownWhileThePointerMoves() {
        Meter meter;
        meter.network.setConnected(true);
        meter.form.engine().EvtTimer();
        meter.clock.advance(10'000);
        QTest::mouseMove(&meter.form, Px(1500, 200)); // the pointer comes from the band
        for (QWidget* choice :
             {static_cast<QWidget*>(meter.form.preset(3)), meter.form.findChild<QWidget*>("Opt")}) {
            QTest::mouseMove(choice, QPoint(5, 5));
            const QString entered = meter.help();
            meter.clock.advance(5'000);
            QTest::mouseMove(choice, QPoint(9, 6));
            const QString moved = meter.help();
            const QString remaining = "如将计划时间更为该值，则本次剩余时间为:%1秒。";
            const double minutes = choice == meter.form.preset(3) ? 20 : 120;
            const double atEnter = minutes * 60 - 10 - (choice == meter.form.preset(3) ? 0 : 5);
            QVERIFY2(entered.contains(remaining.arg(QString::number(atEnter, 'f', 2))),
                     qPrintable(entered));
            QVERIFY2(moved.contains(remaining.arg(QString::number(atEnter - 5, 'f', 2))),
                     qPrintable(moved));
        }
    }

    void returnInAMenuPicksItsDefaultItem() {
        Meter meter;
        meter.form.hideMainWindow();
        emit meter.form.tray().MouseUp(cSysTray::RightButton, 0);
        QMenu* trayMenu = meter.form.menus().trayMenu();
        QTRY_VERIFY(trayMenu->isVisible());
        QVERIFY(trayMenu->activeAction());
        QCOMPARE(trayMenu->activeAction()->objectName(), QString("mnuOpen"));
        QTest::keyClick(trayMenu, Qt::Key_Return);
        QTRY_VERIFY(meter.form.isVisible());

        QTest::mouseClick(&meter.form, Qt::LeftButton, {}, Px(100, 100));
        QMenu* windowMenu = meter.form.menus().windowMenu();
        QTRY_VERIFY(windowMenu->isVisible());
        QVERIFY(windowMenu->activeAction());
        QCOMPARE(windowMenu->activeAction()->objectName(), QString("mnuClose"));
        QTest::keyClick(windowMenu, Qt::Key_Return);
        QTRY_VERIFY(!meter.form.isVisible());
    }

    void releasingOnTheIconOpensTheWindowMenu() {
        Meter meter;
        QMenu* menu = meter.form.menus().windowMenu();
        QCOMPARE(menu->defaultAction()->objectName(), QString("mnuClose"));
        QTest::mouseClick(&meter.form, Qt::LeftButton, {}, Px(100, 100));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), meter.form.mapToGlobal(Px(30, 255)));
        menu->hide();
    }

    void titleButtonsTooltipsAndHiding() {
        Meter meter;
        auto* image = meter.form.findChild<QLabel*>("Image1");
        const struct {
            QPoint twips;
            QString tip;
        } moves[] = {
            {{150, 120}, "最小化"},
            {{450, 120}, ""},
            {{750, 120}, "关闭"},
            {{150, 30}, "关闭"}, // outside the row: unchanged
        };
        for (const auto& move : moves) {
            QMouseEvent event(QEvent::MouseMove, QPointF(move.twips / 15), QPointF(), Qt::NoButton,
                              Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(image, &event);
            QCOMPARE(image->toolTip(), move.tip);
        }
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        QTest::mouseClick(image, Qt::RightButton, {}, QPoint(750, 120) / 15);
        QVERIFY(!meter.form.isVisible());
        QCOMPARE(unloaded.count(), 0);
    }

    void menusCloseOnlyHidesAndExitEnds() {
        Meter meter;
        QCOMPARE(meter.form.menus().trayMenu()->defaultAction()->objectName(), QString("mnuOpen"));
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        meter.form.menus().item("mnuRehf")->trigger();
        QVERIFY(meter.form.isVisible());
        meter.form.menus().item("mnuClose")->trigger();
        QVERIFY(!meter.form.isVisible());
        QCOMPARE(unloaded.count(), 0);
        meter.form.menus().item("mnuOpen")->trigger();
        QVERIFY(meter.form.isVisible());
        meter.form.menus().item("mnuExit")->trigger();
        QCOMPARE(unloaded.count(), 1);
    }

    void ownedSettingsWindowGoesAndComesWithTheMainWindow() {
        Meter meter;
        meter.form.menus().item("mnuSet")->trigger();
        Form2* owned = meter.form.findChild<Form2*>();
        QVERIFY(owned);
        QCOMPARE(owned->parentWidget(), &meter.form);
        meter.form.hideMainWindow();
        QVERIFY(!owned->isVisible());
        meter.form.openMainWindow();
        QVERIFY(owned->isVisible());
        // Minimised by the window manager, the same; it still stays in front of its owner.
        meter.form.setWindowState(Qt::WindowMinimized);
        QVERIFY(!meter.form.isVisible());
        QVERIFY(!owned->isVisible());
        QTRY_VERIFY(!meter.form.isMinimized()); // withdrawn, to show normal next time
        meter.form.openMainWindow();
        QVERIFY(owned->isVisible());
        QCOMPARE(owned->windowHandle()->transientParent(), meter.form.windowHandle());
        owned->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // Opened while the main window is hidden, it has no owner and stays.
        meter.form.hideMainWindow();
        meter.form.menus().item("mnuSet")->trigger();
        QVERIFY(!meter.form.findChild<Form2*>());
        Form2* own = ShownWindow<Form2>();
        QVERIFY(own);
        meter.form.openMainWindow();
        meter.form.hideMainWindow();
        QVERIFY(own->isVisible());
        own->close();
    }

    void withoutATrayHidingIconifiesUntilOneAppears() {
        Meter meter(false);
        QVERIFY(meter.form.tray().InTray()); // shown, to dock once a tray host comes
        QVERIFY(!meter.form.tray().docked());
        QVERIFY(meter.form.isVisible());
        meter.form.menus().item("mnuClose")->trigger();
        QVERIFY(meter.form.isVisible());
        QVERIFY(meter.form.isMinimized());

        meter.trayAvailable = true;
        meter.form.tray().checkTray();
        QVERIFY(meter.form.tray().docked());
        QVERIFY(!meter.form.isVisible());
        meter.form.openMainWindow();
        QVERIFY(meter.form.isVisible());
        QVERIFY(!meter.form.isMinimized());
        meter.form.menus().item("mnuClose")->trigger();
        QVERIFY(!meter.form.isVisible());

        // The tray goes away (its panel ends) while the window is hidden, and comes back.
        meter.trayAvailable = false;
        meter.form.tray().checkTray();
        QVERIFY(meter.form.isVisible());
        QVERIFY(meter.form.isMinimized());
        meter.trayAvailable = true;
        meter.form.tray().checkTray();
        QVERIFY(!meter.form.isVisible());
    }

    void companionsStartBesideTheMeter() {
        Meter meter;
        meter.form.menus().item("mnuLogin")->trigger();
        QTest::mouseClick(meter.form.findChild<QPushButton*>("Command2"), Qt::LeftButton);
        QCOMPARE(meter.shell.startedPaths(),
                 QStringList({"/opt/dialtoll/Enroldesk", "/opt/dialtoll/Statdesk"}));
        QVERIFY(meter.prompter.messages().isEmpty());
        meter.shell.setStartFailure(QString("No such file or directory"));
        meter.form.menus().item("mnuView")->trigger();
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().at(0).icon, ScriptedPrompter::Icon::Error);
        QCOMPARE(meter.prompter.messages().at(0).text, QString("No such file or directory"));
    }

    void trayTipFollowsTheConnection() {
        Meter meter;
        meter.form.engine().Timer1();
        QCOMPARE(meter.form.tray().TrayTip(),
                 QString("Dialtoll(脱机) - 作者:Tavi 2001年3月8日 9:05:03"));
        meter.network.setConnected(true);
        meter.form.engine().EvtTimer();
        meter.clock.advance(1000);
        meter.form.engine().Timer1();
        QCOMPARE(meter.form.tray().TrayTip(),
                 QString("Dialtoll(联机) - 作者:Tavi 计划时间剩余:1799秒"));
    }

    void disconnectCommandsHangUp() {
        Meter meter;
        QTest::mouseClick(meter.form.findChild<QPushButton*>("Command3"), Qt::LeftButton);
        meter.form.menus().item("mnuCut")->trigger();
        QCOMPARE(meter.network.hangUpCount(), 2);
        // Return on the focused button presses it, as in any dialog.
        auto* command3 = meter.form.findChild<QPushButton*>("Command3");
        command3->setFocus();
        QTest::keyClick(command3, Qt::Key_Return);
        QCOMPARE(meter.network.hangUpCount(), 3);
    }
};

QTEST_MAIN(Form1Desktop)
#include "test_Form1Desktop.moc"
