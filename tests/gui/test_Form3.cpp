#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/access/Form3.h"
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

using Icon = ScriptedPrompter::Icon;

// The main window's engine over a real store, and the owner that opens the window.
struct Meter : FakePlatform {
    Meter() {
        OpenStore(path(), Morning.date());
        store.open(path());
        reader.open(path());
    }
    // A window left open must not outlive the store and engine it refers to.
    ~Meter() { delete owner.window(); }

    Form3* open() {
        Form3* form = owner.show(nullptr);
        form->activateWindow();
        return form;
    }
    QString path() const { return folder.file(Store::FileName); }
    // A stored value as another program reads it.
    QString stored(const char* table, const char* user, const char* column) {
        return SelectUser(reader, table, user, column, "<missing>").toString();
    }
    QStringList rows() { return SettingsRows(reader); }
    std::optional<QString> runEntry() {
        return registry.value(RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue);
    }

    TempFolder folder;
    Store store;
    // Another program's connection: it sees committed changes only.
    Store reader;
    MeterEngine engine{engineServices(store, folder.path(), ExePath)};
    SingleWindow<Form3> owner{[this](QWidget* parent) {
        return new Form3(store, registry, prompter, engine, ExePath, parent);
    }};
};

template <typename T = QLineEdit> T* Find(QWidget* form, const char* name) {
    T* found = form->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

QCheckBox* Ck(QWidget* form, int index) {
    return Find<QCheckBox>(form, QStringLiteral("Ck%1").arg(index).toLatin1().constData());
}

void Click(QWidget* form, const char* button) {
    QTest::mouseClick(Find<QPushButton>(form, button), Qt::LeftButton);
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool WholeTextSelected(QLineEdit* box) {
    return box->selectedText() == box->text() && box->selectionStart() == 0;
}

} // namespace

class Form3Test : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheStoredSettingsOfAFreshStore() {
        Meter meter;
        Form3* form = meter.open();
        QCOMPARE(form->objectName(), QString("Form3"));
        QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(Find<QLabel>(form, "Label3")->text(), QString("Dialtoll管理设置"));
        QCOMPARE(Find<QWidget>(form, "Image1")->toolTip(), QString("关闭"));

        const QList<QPair<const char*, QString>> captions = {
            {"Frame1", "输入/修改密码"},
            {"Label1", "管理员密码:"},
            {"Label2", "新密码:"},
            {"Command1", "更改密码"},
            {"Frame2", "网络登录设置"},
            {"Ck1", "多用户管理，上网前要求用户登陆且各用户分开记费。"},
            {"Label4", "用户登陆窗口出现后:"},
            {"Ck2", "屏蔽系统按键"},
            {"Ck3", "限制鼠标移动"},
            {"Frame3", "其它选项设置"},
            {"Ck4", "自动保存记录，自动保存间隔:"},
            {"Label5", "秒(1-100)"},
            {"Ck5", "使用退出密码:"},
            {"Label6", "确认密码:"},
            {"Ck6", "系统启动时自动运行Dialtoll"},
            {"Command2", "保存当前设置(&S)"},
            {"Command3", "关闭设置窗口(&C)"},
        };
        for (const auto& [name, caption] : captions) {
            QWidget* control = Find<QWidget>(form, name);
            const QString text =
                qobject_cast<QGroupBox*>(control) ? static_cast<QGroupBox*>(control)->title()
                : qobject_cast<QLabel*>(control)  ? static_cast<QLabel*>(control)->text()
                                                  : static_cast<QAbstractButton*>(control)->text();
            QCOMPARE(text, caption);
        }

        for (int i : {1, 2, 3, 5})
            QVERIFY2(!Ck(form, i)->isChecked(), qPrintable(QString("Ck%1").arg(i)));
        QVERIFY(Ck(form, 4)->isChecked());
        QVERIFY(Ck(form, 6)->isChecked());
        QCOMPARE(Find(form, "Text3")->text(), QString("30"));
        for (const char* box : {"Text1", "Text2", "Text4", "Text5"}) {
            QCOMPARE(Find(form, box)->text(), QString());
            QCOMPARE(Find(form, box)->echoMode(), QLineEdit::Password);
        }
        QVERIFY(meter.prompter.messages().isEmpty());
    }

    void savesEverySettingAndAppliesItAtOnce() {
        Meter meter;
        Form3* form = meter.open();
        QPointer<Form3> alive(form);
        Find(form, "Text1")->setText("qxmeter");
        Ck(form, 1)->setChecked(true);
        Ck(form, 3)->setChecked(true);
        Ck(form, 6)->setChecked(false);
        Find(form, "Text3")->setText("2.5");
        Ck(form, 5)->setChecked(true);
        // An apostrophe is stored as typed.
        Find(form, "Text4")->setText("Ab'c");
        Find(form, "Text5")->setText("Ab'c");
        meter.registry.preset(RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue,
                              "old");
        Click(form, "Command2");
        FlushDeletes();

        QVERIFY(alive.isNull());
        QVERIFY(meter.prompter.messages().isEmpty());
        const QList<QPair<const char*, QString>> expected = {
            {"More", "1"},    {"Screen", "0"},  {"Mouse", "1"},       {"AutoSave", "1"},
            {"UsePass", "1"}, {"AutoRun", "0"}, {"Password", "Ab'c"}, {"Space", "2.5"},
        };
        for (const auto& [column, value] : expected)
            QCOMPARE(meter.stored("Masterset", "Master", column), value);
        QCOMPARE(meter.runEntry(), std::nullopt);
        QVERIFY(meter.engine.autoSaveEnabled());
        QCOMPARE(meter.engine.autoSaveIntervalMs(), 2500);
        QVERIFY(meter.engine.extPass());
    }

    void clampsTheInterval_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("timerOn");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("above 100") << "250"
                                   << "100"
                                   << "100" << true << 100000;
        QTest::newRow("zero") << "0"
                              << "0"
                              << "0" << false << 30000;
        QTest::newRow("no number") << "."
                                   << "."
                                   << "0" << false << 30000;
    }
    void clampsTheInterval() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        QFETCH(bool, timerOn);
        QFETCH(int, intervalMs);
        Meter meter;
        Form3* form = meter.open();
        QLineEdit* text3 = Find(form, "Text3");
        text3->setText(typed);
        // Refused for the password, but the interval is corrected first.
        Click(form, "Command2");
        QCOMPARE(text3->text(), shown);

        Find(form, "Text1")->setText("qxmeter");
        Click(form, "Command2");
        QCOMPARE(meter.stored("Masterset", "Master", "Space"), stored);
        QCOMPARE(meter.engine.autoSaveEnabled(), timerOn);
        QCOMPARE(meter.engine.autoSaveIntervalMs(), intervalMs);
    }

    void autoSaveSwitchedOffStopsTheTimer() {
        Meter meter;
        Form3* form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Ck(form, 4)->setChecked(false);
        Click(form, "Command2");
        QCOMPARE(meter.stored("Masterset", "Master", "AutoSave"), QString("0"));
        QVERIFY(!meter.engine.autoSaveEnabled());
    }

    void refusalsStoreNothing_data() {
        QTest::addColumn<QString>("adminPassword");
        QTest::addColumn<QString>("exitPassword");
        QTest::addColumn<QString>("confirmation");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        QTest::newRow("wrong administrator password") << "QXMETER"
                                                      << "abc"
                                                      << "abc"
                                                      << "管理员密码错误！无法保存设置。"
                                                      << "Text1";
        QTest::newRow("confirmation differs") << "qxmeter"
                                              << "abc"
                                              << "abd"
                                              << "退出密码确认不符，请重新设置。"
                                              << "Text4";
        QTest::newRow("exit password too long") << "qxmeter"
                                                << "123456789"
                                                << "123456789"
                                                << "退出密码不能超过8位！"
                                                << "Text4";
    }
    void refusalsStoreNothing() {
        QFETCH(QString, adminPassword);
        QFETCH(QString, exitPassword);
        QFETCH(QString, confirmation);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        Meter meter;
        const QStringList before = meter.rows();
        Form3* form = meter.open();
        QVERIFY(QTest::qWaitForWindowActive(form));
        Find(form, "Text1")->setText(adminPassword);
        for (int i : {1, 2, 3, 5})
            Ck(form, i)->setChecked(true);
        Ck(form, 4)->setChecked(false);
        Ck(form, 6)->setChecked(false);
        Find(form, "Text3")->setText("12");
        Find(form, "Text4")->setText(exitPassword);
        Find(form, "Text5")->setText(confirmation);
        Click(form, "Command2");
        FlushDeletes();

        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QCOMPARE(meter.prompter.messages().first().text, message);
        QVERIFY(form->isVisible());
        QLineEdit* box = Find(form, focused.toLatin1().constData());
        QCOMPARE(QApplication::focusWidget(), box);
        QVERIFY(WholeTextSelected(box));
        if (focused == "Text4")
            QVERIFY(WholeTextSelected(Find(form, "Text5")));
        // The typed values stay; nothing reached the store, the registry or the meter.
        QVERIFY(Ck(form, 5)->isChecked());
        QCOMPARE(Find(form, "Text4")->text(), exitPassword);
        QCOMPARE(meter.rows(), before);
        QCOMPARE(meter.registry.size(), std::size_t(0));
        QVERIFY(meter.engine.autoSaveEnabled());
        QVERIFY(!meter.engine.extPass());
    }

    void emptyExitPasswordSwitchesItOff() {
        Meter meter;
        Form3* form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Ck(form, 5)->setChecked(true);
        meter.engine.CanExt(true);
        Click(form, "Command2");
        QVERIFY(meter.prompter.messages().isEmpty());
        QCOMPARE(meter.stored("Masterset", "Master", "UsePass"), QString("0"));
        // The stored exit password is left as it was (none).
        QCOMPARE(meter.stored("Masterset", "Master", "Password"), QString("<missing>"));
        QVERIFY(!meter.engine.extPass());
    }

    void runEntryFollowsTheCheckBox() {
        Meter meter;
        const auto save = [&](bool autoRun) {
            Form3* form = meter.open();
            Find(form, "Text1")->setText("qxmeter");
            Ck(form, 6)->setChecked(autoRun);
            Click(form, "Command2");
            FlushDeletes();
            QVERIFY(meter.owner.window() == nullptr);
        };
        save(true);
        QCOMPARE(meter.runEntry(), std::optional<QString>(ExePath));
        save(false);
        QCOMPARE(meter.runEntry(), std::nullopt);
        QCOMPARE(meter.stored("Masterset", "Master", "AutoRun"), QString("0"));
        // Already absent: removing it again is harmless.
        save(false);
        QCOMPARE(meter.runEntry(), std::nullopt);
        QVERIFY(meter.prompter.messages().isEmpty());
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
        const QStringList before = meter.rows();
        QPointer<Form3> form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Ck(form, 1)->setChecked(true);
        Find(form, "Text2")->setText("new");
        if (way == "Image1")
            QTest::mouseClick(Find<QWidget>(form, "Image1"), Qt::LeftButton);
        else if (way == "Esc")
            QTest::keyClick(Find(form, "Text1"), Qt::Key_Escape);
        else
            Click(form, "Command3");
        FlushDeletes();
        QVERIFY(form.isNull());
        QCOMPARE(meter.rows(), before);
        QCOMPARE(meter.registry.size(), std::size_t(0));
    }

    void changesTheAdministratorPasswordAndShowsItForThreeSeconds() {
        Meter meter;
        Form3* form = meter.open();
        QLineEdit* text1 = Find(form, "Text1");
        QLineEdit* text2 = Find(form, "Text2");
        auto* timer1 = form->findChild<QTimer*>("Timer1");
        QVERIFY(timer1);
        QVERIFY(!timer1->isActive());
        text1->setText("qxmeter");
        text2->setText("new'pw");
        meter.prompter.answerNext(true);
        Click(form, "Command1");

        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Question);
        QCOMPARE(meter.prompter.messages().first().text,
                 QString("密码更改成功，是否要查看一下新密码？"));
        QCOMPARE(meter.stored("Users", "Master", "Password"), QString("new'pw"));
        QCOMPARE(text1->text(), QString("new'pw"));
        QCOMPARE(text2->text(), QString());
        QCOMPARE(text1->echoMode(), QLineEdit::Normal);
        QVERIFY(timer1->isActive());
        QCOMPARE(timer1->interval(), 3000);
        QMetaObject::invokeMethod(timer1, "timeout");
        QCOMPARE(text1->echoMode(), QLineEdit::Password);
        QVERIFY(!timer1->isActive());

        // The window now holds the new password: the old one no longer saves.
        meter.prompter.clear();
        text1->setText("qxmeter");
        Click(form, "Command2");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().text, QString("管理员密码错误！无法保存设置。"));
        text1->setText("new'pw");
        Click(form, "Command2");
        QCOMPARE(meter.prompter.messages().size(), 1);
    }

    void declinedRevealKeepsThePasswordMasked() {
        Meter meter;
        Form3* form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Find(form, "Text2")->setText("abc");
        meter.prompter.answerNext(false);
        Click(form, "Command1");
        QCOMPARE(meter.stored("Users", "Master", "Password"), QString("abc"));
        QCOMPARE(Find(form, "Text1")->echoMode(), QLineEdit::Password);
        QVERIFY(!form->findChild<QTimer*>("Timer1")->isActive());
    }

    void passwordChangeRefusals_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("fresh");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        // Checked before the old password is compared.
        QTest::newRow("new password empty") << "wrong"
                                            << ""
                                            << "新密码不能为空！"
                                            << "Text2";
        QTest::newRow("new password too long") << "qxmeter"
                                               << "新密码超过八个字符了"
                                               << "密码不能超过8位！"
                                               << "Text2";
        QTest::newRow("old password wrong") << "qxmete"
                                            << "abc"
                                            << "管理员旧密码错误！无法更改密码。"
                                            << "Text1";
    }
    void passwordChangeRefusals() {
        QFETCH(QString, current);
        QFETCH(QString, fresh);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        Meter meter;
        const QStringList before = meter.rows();
        Form3* form = meter.open();
        QVERIFY(QTest::qWaitForWindowActive(form));
        Find(form, "Text1")->setText(current);
        Find(form, "Text2")->setText(fresh);
        Click(form, "Command1");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QCOMPARE(meter.prompter.messages().first().text, message);
        QCOMPARE(QApplication::focusWidget(), Find(form, focused.toLatin1().constData()));
        QCOMPARE(Find(form, "Text2")->text(), fresh);
        QCOMPARE(meter.rows(), before);
    }

    void failingStatementLeavesNoPartialStore() {
        Meter meter;
        const QStringList before = meter.rows();
        // The interval is written after the six flags: its failure must take them back too.
        QVERIFY(meter.store.execute("create trigger refuse_space before update of Space on "
                                    "Masterset begin select raise(abort, 'disk full'); end"));
        Form3* form = meter.open();
        Find(form, "Text1")->setText("qxmeter");
        Ck(form, 1)->setChecked(true);
        Ck(form, 4)->setChecked(false);
        Ck(form, 6)->setChecked(false);
        meter.registry.preset(RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue,
                              ExePath);
        Click(form, "Command2");
        FlushDeletes();

        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QVERIFY(meter.prompter.messages().first().text.contains("disk full"));
        QVERIFY(meter.owner.window() == form);
        QVERIFY(form->isVisible());
        QVERIFY(Ck(form, 1)->isChecked());
        QCOMPARE(meter.rows(), before);
        QCOMPARE(meter.runEntry(), std::optional<QString>(ExePath));
        QVERIFY(meter.engine.autoSaveEnabled());

        // The store works on once the fault is gone.
        QVERIFY(meter.store.execute("drop trigger refuse_space"));
        Click(form, "Command2");
        QCOMPARE(meter.stored("Masterset", "Master", "More"), QString("1"));
    }

    void closedStoreReportsInsteadOfSucceeding() {
        Meter meter;
        Form3* form = meter.open();
        meter.store.close();
        Find(form, "Text1")->setText("qxmeter");
        Find(form, "Text2")->setText("abc");
        meter.prompter.answerNext(true);
        Click(form, "Command1");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QVERIFY(meter.prompter.messages().first().text.startsWith("数据库出错，密码未更改"));
        QCOMPARE(Find(form, "Text2")->text(), QString("abc"));
        QCOMPARE(Find(form, "Text1")->echoMode(), QLineEdit::Password);

        meter.prompter.clear();
        Click(form, "Command2");
        QCOMPARE(meter.prompter.messages().size(), 1);
        QVERIFY(meter.prompter.messages().first().text.startsWith("数据库出错，设置未保存"));
        QVERIFY(form->isVisible());
        QCOMPARE(meter.stored("Users", "Master", "Password"), QString("qxmeter"));
    }

    void intervalBoxTakesOnlyDigitsAndPoint() {
        Meter meter;
        Form3* form = meter.open();
        QLineEdit* text3 = Find(form, "Text3");
        text3->clear();
        QTest::keyClicks(text3, "a2-,.5 s");
        QCOMPARE(text3->text(), QString("2.5"));
        QTest::keyClick(text3, Qt::Key_Backspace);
        QCOMPARE(text3->text(), QString("2."));
    }

    void mainWindowOpensItOnItsOwnStoreAndTimer() {
        TempFolder folder;
        FakePlatform platform;
        Form1 form1(platform.meterServices(folder.path(), ExePath));
        form1.Form_Load();
        QVERIFY(form1.engine().autoSaveEnabled());
        form1.showAdministratorSettings();
        Form3* form = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<Form3*>(top))
                form = found;
        }
        QVERIFY(form);
        Find(form, "Text1")->setText("qxmeter");
        Ck(form, 4)->setChecked(false);
        Click(form, "Command2");
        FlushDeletes();
        QVERIFY(!form1.engine().autoSaveEnabled());
        QCOMPARE(SelectUser(form1.storeDb(), "Masterset", "Master", "AutoSave", "").toString(),
                 QString("0"));
    }
};

QTEST_MAIN(Form3Test)
#include "test_Form3.moc"
