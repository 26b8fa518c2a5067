#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/StoreStatements.h"
#include "meter/access/Indv.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/SingleWindow.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "support/FakePlatform.h"
#include "support/StoreRows.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));
const QString ExePath = QStringLiteral("/opt/dialtoll/Dialtoll");
const QString PublicAccount = QStringLiteral("公用帐号");
const QString PublicNotice =
    QStringLiteral("当前用户为：“公用帐号”，公用帐号的“提醒设置”和“倒计时器设置”"
                   "需要在“系统设置”中设置。");

using Icon = ScriptedPrompter::Icon;

// The main window's engine over a real store, and the owner that opens the window.
struct Meter : FakePlatform {
    Meter() : FakePlatform(Morning) {
        OpenStore(path(), Morning.date());
        store.open(path());
        reader.open(path());
    }
    ~Meter() { delete owner.window(); }

    // An account made as the account tool makes it.
    void addAccount(const QString& name, const QString& password) {
        QVERIFY(store.execute(StoreStatements::InsertUser, {name, password, "2026年3月2日"}));
        QVERIFY(store.execute(StoreStatements::InsertUserSet, {name, "2027", "2027"}));
    }
    Indv* open() {
        Indv* form = owner.show(nullptr);
        form->activateWindow();
        return form;
    }
    QString path() const { return folder.file(Store::FileName); }
    QVariant stored(const QString& table, const QString& user, const char* column) {
        return SelectUser(reader, table, user, column, "<missing>");
    }
    QStringList rows() { return SettingsRows(reader); }

    TempFolder folder;
    Store store;
    // Another program's connection: it sees committed changes only.
    Store reader;
    MeterEngine engine{engineServices(store, folder.path(), ExePath)};
    SingleWindow<Indv> owner{
        [this](QWidget* parent) { return new Indv(store, prompter, engine, clock, parent); }};
};

template <typename T = QLineEdit> T* Find(QWidget* form, const char* name) {
    T* found = form->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

void Click(QWidget* form, const char* button) {
    QTest::mouseClick(Find<QPushButton>(form, button), Qt::LeftButton);
}

// Types text key by key; QTest::keyClicks cannot type Chinese.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString Caption(QWidget* control) {
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    return static_cast<QAbstractButton*>(control)->text();
}

} // namespace

class IndvTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithThePublicAccountsDefaults() {
        Meter meter;
        meter.engine.setCurrentUser(PublicAccount);
        Indv* form = meter.open();
        QCOMPARE(form->objectName(), QString("Indv"));
        QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(Find<QLabel>(form, "Label4")->text(), QString("Dialtoll个人设置"));
        QCOMPARE(Find<QWidget>(form, "Image1")->toolTip(), QString("关闭"));
        const QList<QPair<const char*, QString>> captions = {
            {"Frame1", "输入/修改密码"},
            {"Label1", "用户旧密码:"},
            {"Label2", "新密码:"},
            {"Command1", "更改密码"},
            {"Frame2", "提醒设置"},
            {"Ck1", "计划时间剩余:"},
            {"Label3", "秒时声音提醒"},
            {"Ck2", "断开连接前询问，是否要断开连接。"},
            {"Frame3", "倒计时器设置"},
            {"Label9", "倒计时标题:"},
            {"Label10", "日期时间:"},
            {"Frame4", "在主界面中的显示设置"},
            {"Label5", "上网总时:"},
            {"Label6", "秒"},
            {"Label7", "费用总和:"},
            {"Label8", "元"},
            {"Label11", "该项设置指：在主界面中所显示的用户的“上网总时”及“费用总和”而该用户的实际"
                        "统计记录不变。"},
            {"Command2", "确定(&T)"},
            {"Command3", "取消(&C)"},
        };
        for (const auto& [name, caption] : captions)
            QCOMPARE(Caption(Find<QWidget>(form, name)), caption);

        QVERIFY(Find<QCheckBox>(form, "Ck1")->isChecked());
        QVERIFY(Find<QCheckBox>(form, "Ck2")->isChecked());
        QCOMPARE(Find(form, "Text3")->text(), QString("60"));
        QCOMPARE(Find(form, "Text4")->text(), QString("0"));
        QCOMPARE(Find(form, "Text5")->text(), QString("0.00"));
        QCOMPARE(Find(form, "Text9")->text(), QString("2027年1月1日倒计时"));
        QCOMPARE(Find(form, "Text10")->text(), QString("2027-1-1 0:00:00"));
        QCOMPARE(Find(form, "Text1")->echoMode(), QLineEdit::Password);
        QCOMPARE(Find(form, "Text2")->echoMode(), QLineEdit::Password);
        QVERIFY(meter.prompter.messages().isEmpty());
    }

    void storesThePublicAccountThenTellsWhereItsRemindersLive() {
        Meter meter;
        meter.engine.setCurrentUser(PublicAccount);
        QPointer<Indv> form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Find<QCheckBox>(form, "Ck1")->setChecked(false);
        Find(form, "Text3")->setText("45");
        Find(form, "Text4")->setText("3600");
        Find(form, "Text5")->setText("12.5");
        Find(form, "Text9")->setText("Tom's 生日");
        Find(form, "Text10")->setText("2026年12月1日 8:00:00");
        Click(form, "Command2");
        FlushDeletes();

        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Information);
        QCOMPARE(meter.prompter.messages().first().text, PublicNotice);
        QVERIFY(form.isNull());
        const QList<QPair<const char*, QVariant>> expected = {
            {"Jack", "0"},
            {"Ask", "1"},
            {"LenTm", 45},
            {"ShowTm", 3600},
            {"ShowMoney", 12.5},
            {"Title", "Tom's 生日"},
            {"ToDate", "2026年12月1日 8:00:00"},
        };
        for (const auto& [column, value] : expected)
            QCOMPARE(meter.stored("UserSet", PublicAccount, column).toString(), value.toString());
        // The main window took the new totals over.
        QCOMPARE(meter.engine.figures().Label13, QString("12.5 元"));
        QCOMPARE(meter.engine.figures().Label11, QString("1:00:00"));
        QCOMPARE(meter.engine.state().ShowFee, 12.5);
    }

    void feeTotalShowsTwoDecimalsAndStoresBackUnchanged() {
        Meter meter;
        meter.engine.setCurrentUser(PublicAccount);
        UpdateUserField(meter.store, "UserSet", PublicAccount, "ShowMoney", 1234.5);
        Indv* form = meter.open();
        QCOMPARE(Find(form, "Text5")->text(), QString("1234.50"));
        Find(form, "Text1")->setText("qxmeter");
        Click(form, "Command2");
        QCOMPARE(meter.stored("UserSet", PublicAccount, "ShowMoney"), QVariant(1234.5));
    }

    void anAccountStoresUnderItsOwnNameWithoutTheNotice() {
        Meter meter;
        meter.addAccount("alice", "pw");
        meter.engine.setCurrentUser("alice");
        const QVariant publicTitle = meter.stored("UserSet", PublicAccount, "Title");
        QPointer<Indv> form = meter.open();
        QCOMPARE(Find(form, "Text9")->text(), QString("2027年1月1日倒计时"));
        Find(form, "Text1")->setText("pw");
        Find<QCheckBox>(form, "Ck2")->setChecked(false);
        Find(form, "Text9")->setText("毕业");
        Find(form, "Text4")->setText("7200");
        Click(form, "Command2");
        FlushDeletes();

        QVERIFY(meter.prompter.messages().isEmpty());
        QVERIFY(form.isNull());
        QCOMPARE(meter.stored("UserSet", "alice", "Ask").toString(), QString("0"));
        QCOMPARE(meter.stored("UserSet", "alice", "Title").toString(), QString("毕业"));
        QCOMPARE(meter.stored("UserSet", "alice", "ShowTm").toInt(), 7200);
        QCOMPARE(meter.stored("UserSet", PublicAccount, "Title"), publicTitle);
        // hsLoad read the account's own countdown.
        QCOMPARE(meter.engine.figures().Label30, QString("毕业"));
    }

    void refusalsStoreNothing_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        const QString title28 = QString(28, u'题');
        const QString date23 = QStringLiteral("2026年12月31日 23:59:59");
        QTest::newRow("wrong password")
            << "PW" << title28 << date23 << "用户:“alice”的密码错误！无法保存当前设置。"
            << "Text1";
        QTest::newRow("title too long")
            << "pw" << title28 + u'!' << date23 << "倒计时标题不能超过28个字符！"
            << "Text9";
        QTest::newRow("date too long") << "pw" << title28 << "2026-12-31   23:59:59.000"
                                       << "日期时间不能超过23个字符！"
                                       << "Text10";
    }
    void refusalsStoreNothing() {
        QFETCH(QString, password);
        QFETCH(QString, title);
        QFETCH(QString, date);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        Meter meter;
        meter.addAccount("alice", "pw");
        meter.engine.setCurrentUser("alice");
        const QStringList before = meter.rows();
        Indv* form = meter.open();
        QVERIFY(QTest::qWaitForWindowActive(form));
        Find(form, "Text1")->setText(password);
        Find<QCheckBox>(form, "Ck1")->setChecked(false);
        Find<QCheckBox>(form, "Ck2")->setChecked(false);
        Find(form, "Text3")->setText("5");
        Find(form, "Text4")->setText("99");
        Find(form, "Text5")->setText("9.9");
        Find(form, "Text9")->setText(title);
        Find(form, "Text10")->setText(date);
        Click(form, "Command2");
        FlushDeletes();

        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QCOMPARE(meter.prompter.messages().first().text, message);
        QVERIFY(form->isVisible());
        QLineEdit* box = Find(form, focused.toLatin1().constData());
        QCOMPARE(QApplication::focusWidget(), box);
        QCOMPARE(box->selectedText(), box->text());
        QCOMPARE(Find(form, "Text9")->text(), title);
        QCOMPARE(meter.rows(), before);
        QCOMPARE(meter.engine.state().ShowFee, 0.0);
    }

    void longestTextsFitTheirColumns() {
        Meter meter;
        meter.engine.setCurrentUser(PublicAccount);
        Indv* form = meter.open();
        const QString title = QString(28, u'题');
        const QString date = QStringLiteral("2026-12-31     23:59:59");
        QCOMPARE(date.size(), 23);
        Find(form, "Text1")->setText("qxmeter");
        Find(form, "Text9")->setText(title);
        Find(form, "Text10")->setText(date);
        Click(form, "Command2");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().text, PublicNotice);
        QCOMPARE(meter.stored("UserSet", PublicAccount, "Title").toString(), title);
        QCOMPARE(meter.stored("UserSet", PublicAccount, "ToDate").toString(), date);
    }

    void changesTheAccountsPassword() {
        Meter meter;
        meter.addAccount("alice", "pw");
        meter.addAccount("bob", "pw");
        meter.engine.setCurrentUser("alice");
        Indv* form = meter.open();
        QLineEdit* text1 = Find(form, "Text1");
        Find(form, "Text2")->setText("secret");
        text1->setText("wrong");
        Click(form, "Command1");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().text,
                 QString("用户:“alice”的旧密码错误！无法更改密码。"));

        meter.prompter.clear();
        text1->setText("pw");
        meter.prompter.answerNext(true);
        Click(form, "Command1");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Question);
        QCOMPARE(meter.stored("Users", "alice", "Password").toString(), QString("secret"));
        QCOMPARE(meter.stored("Users", "bob", "Password").toString(), QString("pw"));
        QCOMPARE(text1->echoMode(), QLineEdit::Normal);
        auto* timer1 = form->findChild<QTimer*>("Timer1");
        QVERIFY(timer1 && timer1->isActive());
        QCOMPARE(timer1->interval(), 3000);
        QMetaObject::invokeMethod(timer1, "timeout");
        QCOMPARE(text1->echoMode(), QLineEdit::Password);
        QVERIFY(!timer1->isActive());
    }

    void failingStatementLeavesNoPartialStore() {
        Meter meter;
        meter.engine.setCurrentUser(PublicAccount);
        const QStringList before = meter.rows();
        // The title is written after the flags and numbers: its failure takes them back too.
        QVERIFY(meter.store.execute("create trigger refuse_title before update of Title on "
                                    "UserSet begin select raise(abort, 'disk full'); end"));
        Indv* form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Find<QCheckBox>(form, "Ck1")->setChecked(false);
        Find(form, "Text5")->setText("88");
        Click(form, "Command2");
        FlushDeletes();

        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QVERIFY(meter.prompter.messages().first().text.startsWith("数据库出错，设置未保存"));
        QVERIFY(meter.prompter.messages().first().text.contains("disk full"));
        QVERIFY(meter.owner.window() == form);
        QCOMPARE(Find(form, "Text5")->text(), QString("88"));
        QCOMPARE(meter.rows(), before);
        QCOMPARE(meter.engine.state().ShowFee, 0.0);
    }

    void closedStoreReportsInsteadOfSucceeding() {
        Meter meter;
        meter.engine.setCurrentUser(PublicAccount);
        Indv* form = meter.open();
        meter.store.close();
        Find(form, "Text1")->setText("qxmeter");
        Click(form, "Command2");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QVERIFY(form->isVisible());
    }

    void closingStoresNothing_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("Command3") << "Command3";
        QTest::newRow("Image1") << "Image1";
        QTest::newRow("Esc") << "Esc";
    }
    void closingStoresNothing() {
        QFETCH(QString, way);
        Meter meter;
        meter.engine.setCurrentUser(PublicAccount);
        const QStringList before = meter.rows();
        QPointer<Indv> form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Find(form, "Text4")->setText("50");
        if (way == "Image1")
            QTest::mouseClick(Find<QWidget>(form, "Image1"), Qt::LeftButton);
        else if (way == "Esc")
            QTest::keyClick(Find(form, "Text1"), Qt::Key_Escape);
        else
            Click(form, "Command3");
        FlushDeletes();
        QVERIFY(form.isNull());
        QCOMPARE(meter.rows(), before);
        QVERIFY(meter.prompter.messages().isEmpty());
    }

    void boxesTakeOnlyTheirCharacters() {
        Meter meter;
        Indv* form = meter.open();
        for (const char* name : {"Text3", "Text4", "Text5"}) {
            QLineEdit* box = Find(form, name);
            box->clear();
            Type(box, "1a2.b5元 ");
            QCOMPARE(box->text(), QString("12.5"));
        }
        QLineEdit* text10 = Find(form, "Text10");
        text10->clear();
        Type(text10, "2002年1月1日 0:00:00");
        QCOMPARE(text10->text(), QString("2002年1月1日 0:00:00"));
        text10->clear();
        Type(text10, "2002/1-1 abc时0:0");
        QCOMPARE(text10->text(), QString("2002/1-1 0:0"));
        QTest::keyClick(text10, Qt::Key_Backspace);
        QCOMPARE(text10->text(), QString("2002/1-1 0:"));
    }

    void mainWindowOpensItForItsCurrentUser() {
        TempFolder folder;
        FakePlatform platform(Morning);
        Form1 form1(platform.meterServices(folder.path(), ExePath));
        form1.Form_Load();
        form1.showPersonalSettings();
        Indv* form = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<Indv*>(top))
                form = found;
        }
        QVERIFY(form);
        Find(form, "Text1")->setText("qxmeter");
        Find(form, "Text5")->setText("7.25");
        Click(form, "Command2");
        FlushDeletes();
        QCOMPARE(form1.engine().figures().Label13, QString("7.25 元"));
        QCOMPARE(SelectUser(form1.storeDb(), "UserSet", PublicAccount, "ShowMoney", "").toDouble(),
                 7.25);
    }
};

QTEST_MAIN(IndvTest)
#include "test_Indv.moc"
