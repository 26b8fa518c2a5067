#include "common/Store.h"
#include "common/fleet/PasswordHash.h"
#include "meter/access/frmLogin.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/MeterMenus.h"
#include "meter/fleet/FleetAccountCache.h"
#include "meter/store/RecordAccess.h"
#include "platform/Prompter.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

const QString Public = QStringLiteral("公用帐号");
const QString PublicRefused = QStringLiteral("当使用多用户管理时，不可使用“公用帐号”登陆网络！");
const QString WrongPassword = QStringLiteral("用户名/密码错误！请重新输入。");

// Records every message with what the test wants to know at the moment it shows.
class ProbingPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        bool timer2Active;
        bool loginVisible;
    };
    void error(const QString& text) override { record(text); }
    void information(const QString& text) override { record(text); }
    bool question(const QString& text) override {
        record(text);
        return false;
    }

    std::function<bool()> timer2Active = [] { return false; };
    std::function<bool()> loginVisible = [] { return false; };
    // Runs while the message is open, as other events do in its nested loop.
    std::function<void()> whileOpen;
    QList<Shown> shown;

private:
    void record(const QString& text) {
        shown.append({text, timer2Active(), loginVisible()});
        if (whileOpen)
            whileOpen();
    }
};

// A started meter with multi-user management on and two accounts besides the public one; with
// `fleetIni`, that is its fleet.ini.
struct Meter : FakePlatform {
    explicit Meter(const QByteArray& fleetIni = {}) : form(start(fleetIni)) {
        form->Form_Load();
        setMaster("More", "1");
        addUser("alice", "Pw1");
        addUser("bob", "Bob2");
        prompter.timer2Active = [this] { return form->timer2().isActive(); };
        prompter.loginVisible = [this] { return login().isVisible(); };
    }
    ~Meter() {
        // Whatever a test left open goes with the meter.
        form.reset();
    }
    void setMaster(const char* column, const QString& value) {
        UpdateUserField(store(), "Masterset", "Master", QString::fromLatin1(column), value);
    }
    void addUser(const QString& name, const QString& password) {
        InsertRecord(store(), "Users", {"User"}, {name}, {"Password"}, {password});
        InsertRecord(store(), "UserSet", {"User"}, {name}, {"ShowMoney"}, {0});
    }
    std::unique_ptr<Form1> start(const QByteArray& fleetIni) {
        if (!fleetIni.isEmpty()) {
            QFile file(folder.file("fleet.ini"));
            if (!file.open(QIODevice::WriteOnly) || file.write(fleetIni) != fleetIni.size())
                qFatal("cannot write fleet.ini");
        }
        return std::make_unique<Form1>(meterServices(folder.path(), "x", prompter));
    }
    Store& store() { return form->storeDb(); }
    MeterEngine& engine() { return form->engine(); }
    frmLogin& login() { return form->loginWindow(); }
    template <typename T = QLineEdit> T* control(const char* name) {
        T* found = login().findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void type(const QString& name, const QString& password) {
        control("txtUserName")->setText(name);
        control("txtPassword")->setText(password);
    }
    void press(const char* button) {
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    }
    // A link comes up while nobody has logged on; the meter asks for a log-on.
    bool linkUpWithoutLogin() {
        network.setConnected(true);
        return QTest::qWaitFor([this] { return login().isVisible(); }, 5000);
    }
    int noteRows(const QString& user) {
        StoreQuery query = store().query("select count(*) from Notes where User=?", {user});
        return query.next() ? query.value(0).toInt() : -1;
    }
    bool released() const {
        return deskLock.calls().contains("releasePointer") &&
               deskLock.calls().contains("releaseKeyboard") && !deskLock.pointerConfined() &&
               !deskLock.keyboardHeld();
    }

    TempFolder folder;
    ProbingPrompter prompter;
    std::unique_ptr<Form1> form;
};

} // namespace

class FrmLoginTest : public QObject {
    Q_OBJECT
private slots:
    void isADialogOnTopWithItsControls() {
        Meter meter;
        frmLogin& login = meter.login();
        QCOMPARE(login.objectName(), QString("frmLogin"));
        QCOMPARE(login.windowTitle(), QString("Dialtoll用户登录"));
        QVERIFY(login.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // A tool window: no taskbar entry.
        QVERIFY(login.windowFlags().testFlag(Qt::Tool));
        QCOMPARE(login.minimumSize(), login.maximumSize());
        QCOMPARE(meter.control<QLabel>("lblLabels0")->text(), QString("用户名称(&U):"));
        QCOMPARE(meter.control<QLabel>("lblLabels0")->buddy(), meter.control("txtUserName"));
        QCOMPARE(meter.control<QLabel>("lblLabels1")->text(), QString("密码(&P):"));
        QCOMPARE(meter.control("txtPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(meter.control<QPushButton>("cmdOK")->text(), QString("确定"));
        QVERIFY(meter.control<QPushButton>("cmdOK")->isDefault());
        QCOMPARE(meter.control<QPushButton>("cmdCancel")->text(), QString("取消"));
        QCOMPARE(meter.control<QLabel>("Label1")->text(), QString("0"));

        QVERIFY(meter.linkUpWithoutLogin());
        QVERIFY(meter.control<QLabel>("Label1")->isHidden());
        QCOMPARE(login.loginContext(), QString("0"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        // Centred, frame included, once the frame is there.
        QTRY_VERIFY((login.frameGeometry().center() - screen.center()).manhattanLength() <= 2);
        QVERIFY(login.frameGeometry() != login.geometry());
        // Always the same window.
        meter.form->changeUser();
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(),
                               [](const QWidget* w) { return qobject_cast<const frmLogin*>(w); }),
                 1);
    }

    void locksTheDeskAsTheAdministratorSays_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("mouse");
        QTest::newRow("both off") << "0"
                                  << "0";
        QTest::newRow("keys") << "1"
                              << "0";
        QTest::newRow("mouse") << "0"
                               << "1";
        QTest::newRow("both") << "1"
                              << "1";
        QTest::newRow("other values") << "2"
                                      << "";
    }
    void locksTheDeskAsTheAdministratorSays() {
        QFETCH(QString, screen);
        QFETCH(QString, mouse);
        Meter meter;
        meter.setMaster("Screen", screen);
        meter.setMaster("Mouse", mouse);
        QVERIFY(meter.linkUpWithoutLogin());
        const QStringList calls = meter.deskLock.calls();
        QCOMPARE(calls.value(0), QString("keepOnTop"));
        QCOMPARE(meter.deskLock.topWindow(), &meter.login());
        QCOMPARE(meter.deskLock.keyboardHeld(), screen == "1");
        QCOMPARE(meter.deskLock.keyboardHolder(), screen == "1" ? &meter.login() : nullptr);
        // Once the window is framed, the pointer is kept in its outer rectangle moved up 6 px.
        const QRect outer = meter.login().frameGeometry();
        QTRY_COMPARE(meter.deskLock.confinedTo(),
                     mouse == "1" ? QRect(outer.x(), outer.y() - 6, outer.width(), outer.height())
                                  : QRect());

        // Moved (as over a dialog): a confined pointer follows the window.
        meter.deskLock.clearCalls();
        meter.login().move(outer.topLeft() + QPoint(40, 30));
        const QRect moved = meter.login().frameGeometry();
        QCOMPARE(meter.deskLock.confinedTo(),
                 mouse == "1" ? QRect(moved.x(), moved.y() - 6, moved.width(), moved.height())
                              : QRect());

        meter.press("cmdCancel");
        QVERIFY(meter.released());
    }

    void closingFinishesByTheContext_data() {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("how");
        for (const char* context : {"0", "dialog", "900000"}) {
            for (const char* how : {"取消", "Esc", "close box"})
                QTest::addRow("%s, %s", context, how) << context << how;
        }
        QTest::newRow("0, program end") << "0"
                                        << "shutdown";
        QTest::newRow("dialog, program end") << "dialog"
                                             << "shutdown";
        QTest::newRow("0, window destroyed") << "0"
                                             << "destroyed";
        QTest::newRow("dialog, window destroyed") << "dialog"
                                                  << "destroyed";
    }
    void closingFinishesByTheContext() {
        QFETCH(QString, context);
        QFETCH(QString, how);
        Meter meter;
        meter.setMaster("Screen", "1");
        meter.setMaster("Mouse", "1");
        meter.engine().setLoginGranted(context == "900000"); // a change of user keeps it
        DialUpDialogs::Handle dialog = 0;
        if (context == "0") {
            QVERIFY(meter.linkUpWithoutLogin());
        } else if (context == "dialog") {
            dialog = meter.dialogs.open("连接到");
            QTRY_VERIFY(meter.login().isVisible());
            QCOMPARE(meter.login().loginContext(), QString::number(dialog));
            QVERIFY(meter.dialogs.isHeld(dialog));
        } else {
            meter.form->changeUser();
            QVERIFY(meter.login().isVisible());
        }
        QVERIFY(meter.deskLock.keyboardHeld());
        QVERIFY(meter.deskLock.pointerConfined());
        meter.type("alice", "wrong");

        if (how == "取消") {
            meter.press("cmdCancel");
        } else if (how == "Esc") {
            QTest::keyClick(meter.control("txtPassword"), Qt::Key_Escape);
        } else if (how == "close box") {
            meter.login().close(); // the window manager's close, Alt+F4 included
        } else if (how == "shutdown") {
            QVERIFY(meter.form->Form_Unload());
            QCOMPARE(meter.login().loginContext(), QString("9000000"));
        } else {
            meter.form.reset();
        }

        QVERIFY(meter.released());
        if (how != "destroyed") {
            QVERIFY(!meter.login().isVisible());
            QVERIFY(!meter.login().LoginSucceeded());
        }
        const bool ending = how == "shutdown";
        QCOMPARE(meter.network.hangUpCount(), context == "0" && !ending ? 1 : 0);
        if (dialog) {
            QVERIFY(meter.dialogs.calls().contains(QString("release %1").arg(dialog)));
            QCOMPARE(meter.dialogs.isOpen(dialog), ending);
            QCOMPARE(meter.dialogs.isHeld(dialog), false);
        }
        if (how != "destroyed") {
            QCOMPARE(meter.engine().currentUser(), Public);
            QCOMPARE(meter.engine().state().LoginGranted, context == "900000");
            QVERIFY(meter.prompter.shown.isEmpty());
        }
    }

    void theProgramsEndReleasesEvenANeverShownWindow() {
        Meter meter;
        QVERIFY(meter.form->Form_Unload());
        QVERIFY(meter.released());
        QVERIFY(!meter.deskLock.calls().contains("keepOnTop"));
        QCOMPARE(meter.network.hangUpCount(), 0);
        QCOMPARE(meter.login().loginContext(), QString("9000000"));
    }

    void refusalsHideTheWindowWithTheWatchPaused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("nameAfter");
        QTest::newRow("public account") << Public << "qxmeter" << PublicRefused << "";
        QTest::newRow("wrong password") << "alice"
                                        << "pw1" << WrongPassword << "alice";
        QTest::newRow("name too long") << "一二三四五六七八九十甲乙丙"
                                       << "石青竹" << WrongPassword << "一二三四五六七八九十甲乙丙";
        QTest::newRow("password too long") << "alice"
                                           << "Pw1Pw1Pw1" << WrongPassword << "alice";
    }
    void refusalsHideTheWindowWithTheWatchPaused() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(QString, nameAfter);
        Meter meter;
        QVERIFY(meter.linkUpWithoutLogin());
        QTRY_VERIFY(meter.form->timer2().isActive());
        meter.type(name, password);
        meter.press("cmdOK");

        QCOMPARE(meter.prompter.shown.size(), 1);
        const ProbingPrompter::Shown& shown = meter.prompter.shown.first();
        QCOMPARE(shown.text, message);
        QVERIFY(!shown.timer2Active);
        QVERIFY(!shown.loginVisible);
        // Shown again, the watch going on, the lock never lifted.
        QVERIFY(meter.login().isVisible());
        QVERIFY(meter.form->timer2().isActive());
        QVERIFY(!meter.deskLock.calls().contains("releasePointer"));
        QCOMPARE(meter.control("txtUserName")->text(), nameAfter);
        QCOMPARE(meter.control("txtPassword")->text(), password);
        if (!nameAfter.isEmpty())
            QCOMPARE(meter.control("txtUserName")->selectedText(), nameAfter);
        QCOMPARE(meter.engine().currentUser(), Public);
        QVERIFY(!meter.engine().state().LoginGranted);
        QCOMPARE(meter.network.hangUpCount(), 0);
        QCOMPARE(meter.noteRows("alice") + meter.noteRows(Public), 0);
    }

    void aFailingLookUpKeepsTheWindowOpen() {
        Meter meter;
        QVERIFY(meter.linkUpWithoutLogin());
        meter.type("nobody", "石青竹");
        meter.store().close();
        meter.press("cmdOK");
        QCOMPARE(meter.prompter.shown.size(), 1);
        QVERIFY(meter.prompter.shown.first().text.startsWith("数据库出错"));
        QVERIFY(!meter.prompter.shown.first().timer2Active);
        QVERIFY(meter.login().isVisible());
        QVERIFY(!meter.login().LoginSucceeded());
        QCOMPARE(meter.engine().currentUser(), Public);
        QVERIFY(!meter.engine().state().LoginGranted);
    }

    void theProgramEndingDuringAMessageLeavesTheWindowClosed() {
        Meter meter;
        meter.setMaster("Screen", "1");
        QVERIFY(meter.linkUpWithoutLogin());
        meter.prompter.whileOpen = [&meter] { meter.form->Form_Unload(); };
        meter.type("alice", "wrong");
        meter.press("cmdOK");
        QVERIFY(!meter.login().isVisible());
        QVERIFY(meter.released());
        QVERIFY(!meter.form->timer2().isActive());
        QCOMPARE(meter.network.hangUpCount(), 0);
    }

    void aLogOnForALinkOpensTheAccountsSession() {
        Meter meter;
        meter.setMaster("Mouse", "1");
        QVERIFY(meter.linkUpWithoutLogin());
        QCOMPARE(meter.noteRows(Public) + meter.noteRows("Master"), 0);
        // Typed, and Enter presses 确定.
        QTest::keyClicks(meter.control("txtUserName"), "alice");
        QTest::keyClicks(meter.control("txtPassword"), "Pw1");
        QTest::keyClick(meter.control("txtPassword"), Qt::Key_Return);

        QVERIFY(!meter.login().isVisible());
        QVERIFY(meter.login().LoginSucceeded());
        QVERIFY(meter.released());
        QCOMPARE(meter.network.hangUpCount(), 0);
        QCOMPARE(meter.engine().currentUser(), QString("alice"));
        QVERIFY(meter.engine().state().LoginGranted);
        QCOMPARE(meter.noteRows("alice"), 1);
        QCOMPARE(meter.noteRows("Master"), 1);
        QCOMPARE(meter.form->findChild<QLabel*>("User")->text(), QString("alice"));
        QCOMPARE(meter.form->findChild<QLabel*>("Label7")->text(), QString("1 次"));

        // The link ends: the permission goes with it, and the next link asks again.
        meter.network.setConnected(false);
        QTRY_VERIFY(!meter.engine().state().Linked);
        QVERIFY(!meter.engine().state().LoginGranted);
        QVERIFY(meter.linkUpWithoutLogin());
        QCOMPARE(meter.login().loginContext(), QString("0"));
        // A fresh showing: empty boxes.
        QCOMPARE(meter.control("txtUserName")->text(), QString());
        QCOMPARE(meter.noteRows("alice"), 1);
    }

    void aLogOnForADialogLetsItThrough() {
        Meter meter;
        const auto dialog = meter.dialogs.open("连接到", QRect(300, 200, 400, 260));
        QTRY_VERIFY(meter.login().isVisible());
        const QSize frame = meter.login().frameGeometry().size();
        QTRY_COMPARE(meter.login().frameGeometry().topLeft(),
                     QPoint(300 + (400 - frame.width()) / 2, 200 + (260 - frame.height()) / 2));
        meter.type("bob", "Bob2");
        meter.press("cmdOK");
        QVERIFY(!meter.login().isVisible());
        QVERIFY(!meter.dialogs.isHeld(dialog));
        QVERIFY(meter.dialogs.isOpen(dialog));
        QCOMPARE(meter.engine().currentUser(), QString("bob"));
        // Off line: no record yet, the count where the load put it.
        QCOMPARE(meter.noteRows("bob"), 0);
        QCOMPARE(meter.form->findChild<QLabel*>("Label7")->text(), QString("0 次"));

        // Left alone while it stays open.
        meter.dialogs.clearCalls();
        QTest::qWait(600);
        QVERIFY(meter.dialogs.calls().isEmpty());
        QVERIFY(!meter.login().isVisible());
        QVERIFY(meter.engine().state().LoginGranted);
        // Closed without dialling: the permission expires, and the next dialog is held again.
        meter.dialogs.closeByUser(dialog);
        QTRY_VERIFY(!meter.engine().state().LoginGranted);
        const auto again = meter.dialogs.open("连接到");
        QTRY_VERIFY(meter.login().isVisible());
        QVERIFY(meter.dialogs.isHeld(again));
    }

    void twoDialogsAreAllReleasedWhenTheWindowCloses() {
        Meter meter;
        const auto earlier = meter.dialogs.open("拨号连接");
        const auto later = meter.dialogs.open("iWPS:拨号", QRect(20, 20, 300, 200));
        meter.form->dialogWatcher().Timer2();
        QVERIFY(meter.login().isVisible());
        QCOMPARE(meter.login().loginContext(), QString::number(later));
        QVERIFY(meter.dialogs.isHeld(earlier) && meter.dialogs.isHeld(later));

        // Cancelled: the later one is closed, the earlier one is no longer held...
        meter.press("cmdCancel");
        QVERIFY(!meter.dialogs.isOpen(later));
        QVERIFY(meter.dialogs.isOpen(earlier) && !meter.dialogs.isHeld(earlier));
        // ...until the watch holds it back for a log-on of its own.
        QTRY_VERIFY(meter.login().isVisible());
        QCOMPARE(meter.login().loginContext(), QString::number(earlier));
        meter.type("alice", "Pw1");
        meter.press("cmdOK");
        QVERIFY(meter.dialogs.isOpen(earlier) && !meter.dialogs.isHeld(earlier));
    }

    void changeOfUserSavesAndAsks() {
        Meter meter;
        meter.setMaster("More", "0");
        meter.network.setConnected(true);
        QTRY_VERIFY(meter.engine().state().RecordsOpen);
        meter.clock.advance(42'000);
        meter.form->menus().item("mnuChange")->trigger();
        QVERIFY(meter.login().isVisible());
        QCOMPARE(meter.login().loginContext(), QString("900000"));
        QCOMPARE(meter.control<QLabel>("Label1")->text(), QString("900000"));
        // The running session was written before the window opened.
        QCOMPARE(SelectUserWhere(meter.store(), "Notes", Public, "ThisTm", "", "Count", 1).toInt(),
                 42);

        // On line even a change of user may not take the public account.
        meter.type(Public, "qxmeter");
        meter.press("cmdOK");
        QCOMPARE(meter.prompter.shown.value(0).text, PublicRefused);
        meter.type("alice", "Pw1");
        meter.press("cmdOK");
        QVERIFY(!meter.login().isVisible());
        QCOMPARE(meter.engine().currentUser(), QString("alice"));
        QCOMPARE(meter.noteRows("alice"), 1);
        QCOMPARE(meter.network.hangUpCount(), 0);

        // Off line the public account comes back with its password.
        meter.network.setConnected(false);
        QTRY_VERIFY(!meter.engine().state().Linked);
        meter.form->changeUser();
        meter.type(Public, "qxmeter");
        meter.press("cmdOK");
        QVERIFY(!meter.login().isVisible());
        QCOMPARE(meter.engine().currentUser(), Public);
    }

    void aChangeOfUserDoesNotLetAWaitingLinkRunOn() {
        Meter meter;
        QVERIFY(meter.linkUpWithoutLogin());
        meter.form->changeUser();
        QCOMPARE(meter.login().loginContext(), QString("900000"));
        meter.press("cmdCancel");
        QCOMPARE(meter.network.hangUpCount(), 1);
    }

    void withAServerAccountsComeFromItsCache() {
        Meter meter("[Server]\nConnection=host=/nonexistent dbname=dialtoll\nCacheDays=7\n");
        QVERIFY(meter.linkUpWithoutLogin());
        // Nothing fetched yet: a local account of the PC's own is no way round it.
        meter.type("alice", "Pw1");
        meter.press("cmdOK");
        QCOMPARE(meter.prompter.shown.size(), 1);
        QCOMPARE(meter.prompter.shown.first().text,
                 QString("本机还没有从服务器取得帐号，暂时不能登录。请检查与服务器的连接。"));
        QVERIFY(!meter.prompter.shown.first().loginVisible);
        QVERIFY(meter.login().isVisible());
        QCOMPARE(meter.control("txtUserName")->selectedText(), QString("alice"));

        FleetAccountCache::replace(meter.store(),
                                   {{"Carol", PasswordHash::hash("Pw3"), "2026年1月5日"}},
                                   meter.clock.now().toUTC());
        meter.type("alice", "Pw1");
        meter.press("cmdOK");
        QCOMPARE(meter.prompter.shown.value(1).text, WrongPassword);
        meter.type("carol", "Pw3");
        meter.press("cmdOK");
        QVERIFY(!meter.login().isVisible());
        QVERIFY(meter.login().LoginSucceeded());
        QCOMPARE(meter.engine().currentUser(), QString("Carol"));
        QCOMPARE(meter.noteRows("Carol"), 1);

        // The last refresh a week and a day ago.
        FleetAccountCache::replace(meter.store(),
                                   {{"Carol", PasswordHash::hash("Pw3"), "2026年1月5日"}},
                                   meter.clock.now().toUTC().addDays(-8));
        meter.form->changeUser();
        meter.type("Carol", "Pw3");
        meter.press("cmdOK");
        QCOMPARE(meter.prompter.shown.value(2).text,
                 QString("本机的帐号资料已有 8 天没有与服务器同步（上限 7 天），暂时不能登录。"
                         "请检查与服务器的连接。"));
        QVERIFY(meter.login().isVisible());
    }
};

QTEST_MAIN(FrmLoginTest)
#include "test_frmLogin.moc"
