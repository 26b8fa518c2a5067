#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/fleet/FleetError.h"
#include "enroldesk/AccountDirectory.h"
#include "enroldesk/AddUser.h"
#include "enroldesk/ServerAccountDirectory.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QLineEdit>
#include <QMap>
#include <QMutex>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>
#include <optional>

namespace {

using Icon = ScriptedPrompter::Icon;

// The server's accounts in memory, names unique without letter case. It can fail as a server
// does, and hold a call until the test lets it go.
class FakeDirectory : public AccountDirectory {
public:
    struct Account {
        QString name;
        QString password;
        QString regDate;
    };

    ServerAccounts::Change add(const QString& name, const QString& password,
                               const QString& regDate) override {
        enter();
        QMutexLocker lock(&m_mutex);
        if (m_failure)
            throw *m_failure;
        const QString key = ServerAccounts::nameKey(name);
        if (m_accounts.contains(key))
            return ServerAccounts::Change::NameTaken;
        m_accounts.insert(key, {name, password, regDate});
        return ServerAccounts::Change::Done;
    }
    ServerAccounts::Change remove(const QString& name) override {
        enter();
        QMutexLocker lock(&m_mutex);
        if (m_failure)
            throw *m_failure;
        return m_accounts.remove(ServerAccounts::nameKey(name)) > 0
                   ? ServerAccounts::Change::Done
                   : ServerAccounts::Change::NoSuchAccount;
    }

    void failWith(const FleetError& error) { m_failure = error; }
    void holdCalls() { m_held = true; }
    void letGo() { m_gate.release(); }
    int calls() const { return m_calls.loadAcquire(); }
    QMap<QString, Account> accounts() const {
        QMutexLocker lock(&m_mutex);
        return m_accounts;
    }

private:
    void enter() {
        m_calls.fetchAndAddOrdered(1);
        if (m_held)
            m_gate.acquire();
    }

    mutable QMutex m_mutex;
    QMap<QString, Account> m_accounts;
    std::optional<FleetError> m_failure;
    QAtomicInt m_calls;
    bool m_held = false;
    QSemaphore m_gate;
};

void Type(QLineEdit* box, const QString& text) {
    box->clear();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

qlonglong LocalUsers(const TempFolder& folder) {
    Store store;
    if (!store.open(folder.file(QStringLiteral("veyranettimer.dat"))))
        return -1;
    StoreQuery query = store.query(QStringLiteral("select count(*) from Users"));
    return query.next() ? query.value(0).toLongLong() : -1;
}

struct Desk {
    Desk(const TempFolder& folder, std::shared_ptr<AccountDirectory> server)
        : window(prompter, clock, folder.path(), std::move(server)) {
        OpenStore(folder.file(QStringLiteral("veyranettimer.dat")), QDate(2025, 6, 1));
        window.show();
    }

    QLineEdit* box(const char* name) { return window.findChild<QLineEdit*>(name); }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
    void fill(const QString& name, const QString& password, const QString& admin) {
        Type(box("Text1"), name);
        Type(box("Text2"), password);
        Type(box("Text3"), password);
        Type(box("Text4"), admin);
    }
    // Presses the button and waits for the one message the press ends with.
    bool press(const char* name) {
        prompter.clear();
        QTest::mouseClick(button(name), Qt::LeftButton);
        return QTest::qWaitFor([this] { return !prompter.messages().isEmpty(); }, 15000);
    }
    bool said(Icon icon, const QString& text) const {
        const auto& messages = prompter.messages();
        if (messages.size() == 1 && messages.first().icon == icon && messages.first().text == text)
            return true;
        for (const auto& message : messages)
            qWarning() << "message:" << static_cast<int>(message.icon) << message.text;
        return false;
    }

    FakeClock clock{QDateTime(QDate(2026, 12, 31), QTime(23, 30))};
    ScriptedPrompter prompter;
    AddUser window;
};

} // namespace

class AddUserFleetTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void registersAndRemovesOnTheServerOnly() {
        TempFolder folder;
        auto server = std::make_shared<FakeDirectory>();
        Desk desk(folder, server);
        const qlonglong localUsers = LocalUsers(folder);

        desk.fill("Alice", "Pw1", "qxmeter");
        QVERIFY(desk.press("Command1"));
        QVERIFY(desk.said(Icon::Information, "Enroldesk成功！"));
        const auto accounts = server->accounts();
        QCOMPARE(accounts.size(), 1);
        QCOMPARE(accounts.first().name, QString("Alice"));
        QCOMPARE(accounts.first().password, QString("Pw1"));
        QCOMPARE(accounts.first().regDate, QString("2026年12月31日"));

        // Unique without letter case on the server.
        desk.fill("ALICE", "other", "qxmeter");
        QVERIFY(desk.press("Command1"));
        QVERIFY(desk.said(Icon::Error, "用户名已存在，请重新输入用户名！"));
        QVERIFY(desk.box("Text1")->text().isEmpty());

        desk.fill("alice", "", "qxmeter");
        QVERIFY(desk.press("Command3"));
        QVERIFY(desk.said(Icon::Information, "用户已注消！"));
        QVERIFY(server->accounts().isEmpty());
        QVERIFY(desk.press("Command3"));
        QVERIFY(desk.said(Icon::Error, "用户不存在！"));

        // The local accounts never changed.
        QCOMPARE(LocalUsers(folder), localUsers);
        QCOMPARE(server->calls(), 4);
    }

    void localChecksComeFirstAndSpareTheServer_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("admin");
        QTest::addColumn<QString>("message");

        QTest::newRow("register, wrong administrator password") << "Command1"
                                                                << "Alice"
                                                                << "wrong"
                                                                << "管理员密码错！";
        QTest::newRow("remove, wrong administrator password") << "Command3"
                                                              << "Alice"
                                                              << "wrong"
                                                              << "管理员密码错！";
        QTest::newRow("register the public account") << "Command1"
                                                     << "公用帐号"
                                                     << "qxmeter"
                                                     << "用户名不能为：“公用帐号”";
        // The administrator is an account of every PC: the server may not give its name away.
        QTest::newRow("register the administrator's name") << "Command1"
                                                           << "master"
                                                           << "qxmeter"
                                                           << "用户名已存在，请重新输入用户名！";
        QTest::newRow("register a name over 12") << "Command1"
                                                 << "一二三四五六七八九十甲乙丙"
                                                 << "qxmeter"
                                                 << "用户名不能超过12个字母或汉字！";
    }

    void localChecksComeFirstAndSpareTheServer() {
        QFETCH(QString, button);
        QFETCH(QString, name);
        QFETCH(QString, admin);
        QFETCH(QString, message);
        TempFolder folder;
        auto server = std::make_shared<FakeDirectory>();
        Desk desk(folder, server);
        desk.fill(name, "Pw1", admin);
        QVERIFY(desk.press(button.toLatin1().constData()));
        QVERIFY(desk.said(Icon::Error, message));
        QCOMPARE(server->calls(), 0);
    }

    void aServerThatFailsChangesNothingAndSaysSo_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("transient");
        QTest::addColumn<QString>("message");

        QTest::newRow("register, unreachable")
            << "Command1" << true
            << "无法连接服务器，帐号没有注册。请检查与服务器的连接后再试。\n（no route to host）";
        QTest::newRow("remove, unreachable")
            << "Command3" << true
            << "无法连接服务器，帐号没有注消。请检查与服务器的连接后再试。\n（no route to host）";
        QTest::newRow("register, refused")
            << "Command1" << false << "服务器没有接受这次注册，帐号没有注册：no route to host";
    }

    void aServerThatFailsChangesNothingAndSaysSo() {
        QFETCH(QString, button);
        QFETCH(bool, transient);
        QFETCH(QString, message);
        TempFolder folder;
        auto server = std::make_shared<FakeDirectory>();
        server->failWith(FleetError{"no route to host", transient});
        Desk desk(folder, server);
        const qlonglong localUsers = LocalUsers(folder);
        desk.fill("Alice", "Pw1", "qxmeter");
        QVERIFY(desk.press(button.toLatin1().constData()));
        QVERIFY(desk.said(Icon::Error, message));
        QVERIFY(server->accounts().isEmpty());
        QCOMPARE(LocalUsers(folder), localUsers);
        // The boxes stay for another try.
        QCOMPARE(desk.box("Text1")->text(), QString("Alice"));
        QVERIFY(desk.button("Command1")->isEnabled());
    }

    void aServerThatCannotBeReachedRegistersNothing() {
        TempFolder folder;
        // A socket folder with no server in it: libpq fails at once.
        Desk desk(folder, std::make_shared<ServerAccountDirectory>(
                              "host=" + folder.file("no-server") + " dbname=dialtoll"));
        const qlonglong localUsers = LocalUsers(folder);
        desk.fill("Alice", "Pw1", "qxmeter");
        QVERIFY(desk.press("Command1"));
        QCOMPARE(desk.prompter.messages().size(), 1);
        QCOMPARE(desk.prompter.messages().first().icon, Icon::Error);
        QVERIFY2(desk.prompter.messages().first().text.startsWith(
                     "无法连接服务器，帐号没有注册。请检查与服务器的连接后再试。"),
                 qPrintable(desk.prompter.messages().first().text));
        QCOMPARE(LocalUsers(folder), localUsers);
    }

    void theWindowWaitsForTheServerWithoutBlocking() {
        TempFolder folder;
        auto server = std::make_shared<FakeDirectory>();
        server->holdCalls();
        Desk desk(folder, server);
        QSignalSpy finished(&desk.window, &AddUser::serverCallFinished);
        QSignalSpy ends(&desk.window, &AddUser::programEnds);
        desk.fill("Alice", "Pw1", "qxmeter");
        QTest::mouseClick(desk.button("Command1"), Qt::LeftButton);

        // The call is under way and the event loop runs: buttons wait, the window stays.
        QTRY_COMPARE(server->calls(), 1);
        QVERIFY(desk.window.isBusy());
        for (const char* name : {"Command1", "Command2", "Command3"})
            QVERIFY2(!desk.button(name)->isEnabled(), name);
        QCOMPARE(desk.window.cursor().shape(), Qt::BusyCursor);
        QVERIFY(desk.prompter.messages().isEmpty());
        desk.window.close();
        QVERIFY(desk.window.isVisible());
        QCOMPARE(ends.size(), 0);

        server->letGo();
        QVERIFY(finished.wait(15000));
        QVERIFY(desk.said(Icon::Information, "Enroldesk成功！"));
        QVERIFY(!desk.window.isBusy());
        for (const char* name : {"Command1", "Command2", "Command3"})
            QVERIFY2(desk.button(name)->isEnabled(), name);
        QCOMPARE(desk.window.cursor().shape(), Qt::ArrowCursor);
        desk.window.close();
        QCOMPARE(ends.size(), 1);
    }
};

QTEST_MAIN(AddUserFleetTest)
#include "test_AddUserFleet.moc"
