#include "common/OpenStore.h"
#include "common/Store.h"
#include "enroldesk/AddUser.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

using Icon = ScriptedPrompter::Icon;

const QString Thirteen = QStringLiteral("一二三四五六七八九十甲乙丙");
const QString Twelve = QStringLiteral("一二三四五六七八九十甲乙");

QString DatabasePath(const TempFolder& folder) {
    return folder.file(QStringLiteral("veyranettimer.dat"));
}

// A database as the meter makes it at its first start, a while before the tests' today.
void MakeStore(const TempFolder& folder) {
    OpenStore(DatabasePath(folder), QDate(2025, 6, 1));
}

QList<QVariantList> Rows(const TempFolder& folder, const QString& sql,
                         const QVariantList& values = {}) {
    Store store;
    if (!store.open(DatabasePath(folder)))
        return {{QStringLiteral("<cannot open>")}};
    StoreQuery query = store.query(sql, values);
    QList<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.columnCount(); ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

qlonglong Count(const TempFolder& folder, const QString& table) {
    const auto rows = Rows(folder, QStringLiteral("select count(*) from %1").arg(table));
    return rows.value(0).value(0).toLongLong();
}

// Types text key by key, Chinese included.
void Type(QLineEdit* box, const QString& text) {
    box->clear();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

struct Desk {
    explicit Desk(const TempFolder& folder) : window(prompter, clock, folder.path()) {
        window.show();
    }

    QLineEdit* box(const char* name) { return window.findChild<QLineEdit*>(name); }
    void fill(const QString& name, const QString& password, const QString& verification,
              const QString& admin) {
        Type(box("Text1"), name);
        Type(box("Text2"), password);
        Type(box("Text3"), verification);
        Type(box("Text4"), admin);
    }
    void press(const char* button) {
        QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
    }
    QString focused() const {
        return window.focusWidget() ? window.focusWidget()->objectName() : QString();
    }

    FakeClock clock{QDateTime(QDate(2026, 12, 31), QTime(23, 30))};
    ScriptedPrompter prompter;
    AddUser window;
};

// One message with the error icon and that text.
bool OneError(const ScriptedPrompter& prompter, const QString& text) {
    const auto& messages = prompter.messages();
    if (messages.size() != 1 || messages.first().icon != Icon::Error ||
        messages.first().text != text) {
        for (const auto& message : messages)
            qWarning() << "message:" << static_cast<int>(message.icon) << message.text;
        return false;
    }
    return true;
}

bool WholeTextSelected(QLineEdit* box) {
    return !box->text().isEmpty() && box->selectedText() == box->text() &&
           box->cursorPosition() == 0;
}

} // namespace

class AddUserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // Closing a test's window must not stop the test run.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void controlsAndTabOrder() {
        TempFolder folder;
        Desk desk(folder);
        QVERIFY(QTest::qWaitForWindowActive(&desk.window));
        QCOMPARE(desk.window.objectName(), QString("AddUser"));
        QCOMPARE(desk.window.windowTitle(), QString("Enroldesk/注消"));

        const QList<QPair<const char*, QString>> labels = {
            {"Label1", "用户名:"},    {"Label2", "1-12个字母或汉字"}, {"Label3", "密  码:"},
            {"Label4", "1-8位"},      {"Label5", "验  证:"},          {"Label6", "同上"},
            {"Label7", "管理员密码:"}};
        for (const auto& [name, caption] : labels) {
            auto* label = desk.window.findChild<QLabel*>(name);
            QVERIFY2(label, name);
            QCOMPARE(label->text(), caption);
        }
        const QList<QPair<const char*, QString>> buttons = {
            {"Command1", "注册(&R)"}, {"Command3", "注消(&D)"}, {"Command2", "取消(&C)"}};
        for (const auto& [name, caption] : buttons) {
            auto* button = desk.window.findChild<QPushButton*>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->text(), caption);
        }
        const QList<QPair<const char*, QLineEdit::EchoMode>> boxes = {
            {"Text1", QLineEdit::Normal},
            {"Text2", QLineEdit::Password},
            {"Text3", QLineEdit::Password},
            {"Text4", QLineEdit::Password}};
        for (const auto& [name, mode] : boxes) {
            QVERIFY2(desk.box(name), name);
            QCOMPARE(desk.box(name)->echoMode(), mode);
            QVERIFY(desk.box(name)->text().isEmpty());
        }

        QCOMPARE(desk.focused(), QString("Text1"));
        const QStringList order = {"Text2", "Text3",    "Command1", "Command2",
                                   "Text4", "Command3", "Text1"};
        for (const QString& next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
    }

    void registrationChecksInOrder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("verification");
        QTest::addColumn<QString>("admin");
        QTest::addColumn<bool>("withStore");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("nameAfter");
        QTest::addColumn<QString>("selected");

        QTest::newRow("empty password before empty name") << ""
                                                          << ""
                                                          << ""
                                                          << "" << true << "请输入密码！"
                                                          << "Text2"
                                                          << ""
                                                          << "";
        QTest::newRow("verification differs in letter case")
            << "bob"
            << "abc"
            << "ABC"
            << "qxmeter" << true << "密码验证不符，请重新输入。"
            << "Text2"
            << "bob"
            << "Text2";
        QTest::newRow("password over 8 refused before the file is looked at")
            << "bob"
            << "123456789"
            << "123456789"
            << "qxmeter" << false << "密码不能超过8位！"
            << "Text2"
            << "bob"
            << "Text2";
        QTest::newRow("empty name") << ""
                                    << "abc"
                                    << "abc"
                                    << "qxmeter" << true << "用户名不能为空！"
                                    << "Text1"
                                    << ""
                                    << "";
        QTest::newRow("public account refused even without a file")
            << "公用帐号"
            << "abc"
            << "abc"
            << "qxmeter" << false << "用户名不能为：“公用帐号”"
            << "Text1"
            << ""
            << "";
        QTest::newRow("name over 12 refused before the file is looked at")
            << Thirteen << "abc"
            << "abc"
            << "qxmeter" << false << "用户名不能超过12个字母或汉字！"
            << "Text1" << Thirteen << "Text1";
        QTest::newRow("missing file before the administrator check")
            << "bob"
            << "abc"
            << "abc"
            << "wrong" << false << "请首先运行：Dialtoll.exe ！"
            << ""
            << "bob"
            << "";
        QTest::newRow("wrong administrator password before the name clash")
            << "master"
            << "abc"
            << "abc"
            << "wrong" << true << "管理员密码错！"
            << "Text4"
            << "master"
            << "Text4";
        QTest::newRow("administrator password differs in letter case")
            << "bob"
            << "abc"
            << "abc"
            << "QXMETER" << true << "管理员密码错！"
            << "Text4"
            << "bob"
            << "Text4";
        QTest::newRow("name clash ignores letter case")
            << "master"
            << "abc"
            << "abc"
            << "qxmeter" << true << "用户名已存在，请重新输入用户名！"
            << "Text1"
            << ""
            << "";
    }

    void registrationChecksInOrder() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, verification);
        QFETCH(QString, admin);
        QFETCH(bool, withStore);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, nameAfter);
        QFETCH(QString, selected);

        TempFolder folder;
        if (withStore)
            MakeStore(folder);
        Desk desk(folder);
        desk.fill(name, password, verification, admin);
        desk.press("Command1");

        QVERIFY(OneError(desk.prompter, message));
        QCOMPARE(desk.box("Text1")->text(), nameAfter);
        if (!focus.isEmpty())
            QCOMPARE(desk.focused(), focus);
        if (!selected.isEmpty())
            QVERIFY(WholeTextSelected(desk.box(qPrintable(selected))));
        if (withStore) {
            QCOMPARE(Count(folder, "Users"), 2);
            QCOMPARE(Count(folder, "UserSet"), 1);
        } else {
            QVERIFY(!QFile::exists(DatabasePath(folder)));
        }
    }

    void removalChecksInOrder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("admin");
        QTest::addColumn<bool>("withStore");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("nameAfter");
        QTest::addColumn<QString>("selected");

        QTest::newRow("empty name") << ""
                                    << "" << true << "用户名不能为空！"
                                    << "Text1"
                                    << ""
                                    << "";
        QTest::newRow("public account refused even without a file")
            << "公用帐号"
            << "qxmeter" << false << "用户名不能为：“公用帐号”"
            << "Text1"
            << ""
            << "";
        QTest::newRow("name over 12 refused before the file is looked at")
            << Thirteen << "qxmeter" << false << "用户名不能超过12个字母或汉字！"
            << "Text1" << Thirteen << "Text1";
        QTest::newRow("wrong administrator password before the account check")
            << "nobody"
            << "qxmeter " << true << "管理员密码错！"
            << "Text4"
            << "nobody"
            << "Text4";
        QTest::newRow("no such account") << "nobody"
                                         << "qxmeter" << true << "用户不存在！"
                                         << ""
                                         << "nobody"
                                         << "";
    }

    void removalChecksInOrder() {
        QFETCH(QString, name);
        QFETCH(QString, admin);
        QFETCH(bool, withStore);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, nameAfter);
        QFETCH(QString, selected);

        TempFolder folder;
        if (withStore)
            MakeStore(folder);
        Desk desk(folder);
        // The password boxes play no part in a removal, even when they disagree.
        desk.fill(name, "", "different", admin);
        desk.press("Command3");

        QVERIFY(OneError(desk.prompter, message));
        QCOMPARE(desk.box("Text1")->text(), nameAfter);
        if (!focus.isEmpty())
            QCOMPARE(desk.focused(), focus);
        if (!selected.isEmpty())
            QVERIFY(WholeTextSelected(desk.box(qPrintable(selected))));
        if (withStore)
            QCOMPARE(Count(folder, "Users"), 2);
        else
            QVERIFY(!QFile::exists(DatabasePath(folder)));
    }

    void registrationAndRemovalRows_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::newRow("Chinese name") << "小明"
                                      << "pw1";
        QTest::newRow("longest name and password") << Twelve << "12345678";
        QTest::newRow("quotes in name and password") << "O'Brien"
                                                     << "it's";
    }

    void registrationAndRemovalRows() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        TempFolder folder;
        MakeStore(folder);
        Desk desk(folder);
        desk.fill(name, password, password, "qxmeter");
        desk.press("Command1");

        QCOMPARE(desk.prompter.messages().size(), 1);
        QCOMPARE(desk.prompter.messages().first().icon, Icon::Information);
        QCOMPARE(desk.prompter.messages().first().text, QString("Enroldesk成功！"));
        const auto users =
            Rows(folder, "select ID,User,Password,RegDate from Users where User=?", {name});
        QCOMPARE(users.size(), 1);
        QCOMPARE(users.first(),
                 (QVariantList{QVariant(), name, password, QString("2026年12月31日")}));
        const auto userSet = Rows(folder, "select * from UserSet where User=?", {name});
        QCOMPARE(userSet.size(), 1);
        QCOMPARE(userSet.first(),
                 (QVariantList{qlonglong(1), name, QString("1"), QVariant(), QVariant(),
                               QString("1"), qlonglong(60), QString("2027年1月1日倒计时"),
                               QString("2027-1-1 0:00:00")}));
        // The boxes keep what was typed.
        QCOMPARE(desk.box("Text1")->text(), name);
        QCOMPARE(desk.box("Text2")->text(), password);
        QCOMPARE(desk.box("Text4")->text(), QString("qxmeter"));

        {
            Store store;
            QVERIFY(store.open(DatabasePath(folder)));
            QVERIFY(store.execute("insert into Notes (User,FromD,ToD,Count) values (?,?,?,?)",
                                  {name, "20261231", "20261231", 1}));
        }
        desk.prompter.clear();
        desk.press("Command3");
        QCOMPARE(desk.prompter.messages().size(), 1);
        QCOMPARE(desk.prompter.messages().first().icon, Icon::Information);
        QCOMPARE(desk.prompter.messages().first().text, QString("用户已注消！"));
        QVERIFY(Rows(folder, "select * from Users where User=?", {name}).isEmpty());
        QVERIFY(Rows(folder, "select * from UserSet where User=?", {name}).isEmpty());
        QCOMPARE(Rows(folder, "select count(*) from Notes where User=?", {name}).value(0).value(0),
                 QVariant(qlonglong(1)));
        // Only that account went.
        QCOMPARE(Count(folder, "Users"), 2);
        QCOMPARE(Count(folder, "UserSet"), 1);
    }

    void namesMatchWithoutLetterCase_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("clash");
        QTest::addColumn<QString>("removal");
        QTest::newRow("ASCII") << "Bob"
                               << "BOB"
                               << "bOB";
        QTest::newRow("umlaut") << "Ärger"
                                << "ärger"
                                << "ÄRGER";
        QTest::newRow("full-width") << "ＴＯＭ"
                                    << "ｔｏｍ"
                                    << "Ｔｏｍ";
    }

    void namesMatchWithoutLetterCase() {
        QFETCH(QString, name);
        QFETCH(QString, clash);
        QFETCH(QString, removal);
        TempFolder folder;
        MakeStore(folder);
        Desk desk(folder);
        desk.fill(name, "abc", "abc", "qxmeter");
        desk.press("Command1");
        desk.fill(clash, "xyz", "xyz", "qxmeter");
        desk.press("Command1");
        desk.press("Command3");

        const auto& messages = desk.prompter.messages();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.at(0).text, QString("Enroldesk成功！"));
        QCOMPARE(messages.at(1).text, QString("用户名已存在，请重新输入用户名！"));
        // The clash emptied the name box.
        QCOMPARE(messages.at(2).text, QString("用户名不能为空！"));

        desk.prompter.clear();
        Type(desk.box("Text1"), removal);
        desk.press("Command3");
        QVERIFY(desk.prompter.messages().size() == 1);
        QCOMPARE(desk.prompter.messages().first().text, QString("用户已注消！"));
        QCOMPARE(Count(folder, "Users"), 2);
        QCOMPARE(Count(folder, "UserSet"), 1);
    }

    void removingTheAdministratorLocksEverythingOut() {
        TempFolder folder;
        MakeStore(folder);
        Desk desk(folder);
        desk.fill("Master", "", "", "qxmeter");
        desk.press("Command3");
        QCOMPARE(desk.prompter.messages().value(0).text, QString("用户已注消！"));

        desk.prompter.clear();
        desk.fill("bob", "abc", "abc", "qxmeter");
        desk.press("Command1");
        desk.press("Command3");
        const auto& messages = desk.prompter.messages();
        QCOMPARE(messages.size(), 2);
        for (const auto& message : messages) {
            QCOMPARE(message.icon, Icon::Error);
            QCOMPARE(message.text, QString("错误：管理员不存在！"));
        }
        QCOMPARE(Count(folder, "Users"), 1);
    }

    void missingFileEndsTheProgram_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("registration") << "Command1";
        QTest::newRow("removal") << "Command3";
    }

    void missingFileEndsTheProgram() {
        QFETCH(QString, button);
        TempFolder folder;
        Desk desk(folder);
        QSignalSpy ends(&desk.window, &AddUser::programEnds);
        desk.fill("bob", "abc", "abc", "qxmeter");
        desk.press(qPrintable(button));

        QVERIFY(OneError(desk.prompter, "请首先运行：Dialtoll.exe ！"));
        QCOMPARE(ends.count(), 1);
        QVERIFY(!desk.window.isVisible());
        // The database is never created here.
        QVERIFY(!QFile::exists(DatabasePath(folder)));
    }

    void cancelEndsTheProgram() {
        TempFolder folder;
        Desk desk(folder);
        QSignalSpy ends(&desk.window, &AddUser::programEnds);
        desk.press("Command2");
        QCOMPARE(ends.count(), 1);
        QVERIFY(!desk.window.isVisible());
        QVERIFY(desk.prompter.messages().isEmpty());
    }

    void keysPressTheFocusedButtonAndEscLeaves() {
        TempFolder folder;
        MakeStore(folder);
        Desk desk(folder);
        QSignalSpy ends(&desk.window, &AddUser::programEnds);

        // No default button: Enter in a box does nothing.
        desk.box("Text1")->setFocus();
        QTest::keyClick(desk.box("Text1"), Qt::Key_Return);
        QVERIFY(desk.prompter.messages().isEmpty());

        // Return and Enter on a focused button press it.
        auto* command1 = desk.window.findChild<QPushButton*>("Command1");
        command1->setFocus();
        QTest::keyClick(command1, Qt::Key_Return);
        QVERIFY(OneError(desk.prompter, "请输入密码！"));
        desk.prompter.clear();
        auto* command3 = desk.window.findChild<QPushButton*>("Command3");
        command3->setFocus();
        QTest::keyClick(command3, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(OneError(desk.prompter, "用户名不能为空！"));
        QCOMPARE(ends.count(), 0);

        // Esc ends the program as 取消 does, wherever the focus is.
        desk.box("Text4")->setFocus();
        QTest::keyClick(desk.box("Text4"), Qt::Key_Escape);
        QCOMPARE(ends.count(), 1);
        QVERIFY(!desk.window.isVisible());
    }

    void unreadableFileIsReportedAndTheWindowStays() {
        TempFolder folder;
        QFile file(DatabasePath(folder));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        Desk desk(folder);
        QSignalSpy ends(&desk.window, &AddUser::programEnds);
        desk.fill("bob", "abc", "abc", "qxmeter");
        desk.press("Command1");

        QCOMPARE(desk.prompter.messages().size(), 1);
        QCOMPARE(desk.prompter.messages().first().icon, Icon::Error);
        QVERIFY2(desk.prompter.messages().first().text.startsWith(
                     "数据库文件 " + DatabasePath(folder) + " 无法打开：它不是本软件的数据库"),
                 qPrintable(desk.prompter.messages().first().text));
        QCOMPARE(ends.count(), 0);
        QVERIFY(desk.window.isVisible());
    }
};

QTEST_MAIN(AddUserTest)
#include "test_AddUser.moc"
