#include "common/Store.h"
#include "meter/access/ExtForm.h"
#include "meter/desktop/Form1.h"
#include "meter/store/RecordAccess.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QString ExePath = QStringLiteral("/opt/dialtoll/Dialtoll");
const QString WrongPassword = QStringLiteral("退出密码错误！，请重新输入。");

using Icon = ScriptedPrompter::Icon;

// A started meter whose exit password is in force.
struct Meter : FakePlatform {
    Meter() : form(meterServices(folder.path(), ExePath)) {
        form.Form_Load();
        UpdateUserField(form.storeDb(), "Masterset", "Master", "UsePass", "1");
        form.engine().hsLoad();
    }
    // The exit password windows are not owned by the main window; none outlives the test.
    ~Meter() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<ExtForm*>(top))
                delete top;
        }
    }

    void setExitPassword(const QVariant& password) {
        UpdateUserField(form.storeDb(), "Masterset", "Master", "Password", password);
    }
    // Asks the main window to close, as the Exit command does; the exit password window shows.
    ExtForm* askToClose() {
        form.close();
        ExtForm* shown = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<ExtForm*>(top); window && window->isVisible())
                shown = window;
        }
        return shown;
    }
    bool shutDown() const { return QFile::exists(folder.file("Setting.ini")); }

    TempFolder folder;
    Form1 form;
};

template <typename T = QLineEdit> T* Find(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class ExtFormTest : public QObject {
    Q_OBJECT
private slots:
    void showsInsteadOfClosing() {
        Meter meter;
        QVERIFY(meter.form.engine().extPass());
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        ExtForm* window = meter.askToClose();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QString("请输入退出密码"));
        QVERIFY(!window->isModal());
        QCOMPARE(Find(window, "Text1")->text(), QString());
        QCOMPARE(Find(window, "Text1")->echoMode(), QLineEdit::Password);
        QCOMPARE(Find<QPushButton>(window, "Command1")->text(), QString("确定(&T)"));
        QVERIFY(Find<QPushButton>(window, "Command1")->isDefault());
        QCOMPARE(Find<QPushButton>(window, "Command2")->text(), QString("取消"));
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(QApplication::focusWidget(), Find(window, "Text1"));
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(!meter.shutDown());
        // Asking again brings the same window forward.
        QCOMPARE(meter.askToClose(), window);
    }

    void onlyTheExactPasswordEndsTheMeter_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ends");
        QTest::newRow("letters") << QVariant("Secret") << "Secret" << true;
        QTest::newRow("other letter case") << QVariant("Secret") << "secret" << false;
        QTest::newRow("apostrophe") << QVariant("it's") << "it's" << true;
        QTest::newRow("stored: the default is not") << QVariant("Secret") << "qxmeter" << false;
        QTest::newRow("none stored: default") << QVariant() << "qxmeter" << true;
        QTest::newRow("none stored: empty") << QVariant() << "" << false;
        QTest::newRow("empty stored: default") << QVariant("") << "qxmeter" << true;
        QTest::newRow("default in capitals") << QVariant() << "QXMETER" << false;
    }
    void onlyTheExactPasswordEndsTheMeter() {
        QFETCH(QVariant, stored);
        QFETCH(QString, typed);
        QFETCH(bool, ends);
        Meter meter;
        meter.setExitPassword(stored);
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        QPointer<ExtForm> window = meter.askToClose();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QLineEdit* text1 = Find(window, "Text1");
        text1->setText(typed);
        QTest::mouseClick(Find<QPushButton>(window, "Command1"), Qt::LeftButton);
        FlushDeletes();

        if (ends) {
            QVERIFY(meter.prompter.messages().isEmpty());
            QVERIFY(window.isNull());
            QCOMPARE(unloaded.count(), 1);
            QVERIFY(!meter.form.engine().extPass());
            // The full shutdown ran: the plan choice was written and the store closed.
            QVERIFY(meter.shutDown());
            QVERIFY(!meter.form.storeDb().isOpen());
        } else {
            QCOMPARE(meter.prompter.messages().size(), 1);
            QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
            QCOMPARE(meter.prompter.messages().first().text, WrongPassword);
            QVERIFY(window && window->isVisible());
            QCOMPARE(QApplication::focusWidget(), text1);
            QCOMPARE(text1->selectedText(), typed);
            QCOMPARE(unloaded.count(), 0);
            QVERIFY(meter.form.engine().extPass());
            QVERIFY(!meter.shutDown());
        }
    }

    void enterPressesOk() {
        Meter meter;
        meter.setExitPassword("abc");
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        ExtForm* window = meter.askToClose();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClicks(Find(window, "Text1"), "abc");
        QTest::keyClick(Find(window, "Text1"), Qt::Key_Return);
        QCOMPARE(unloaded.count(), 1);
    }

    void cancelKeepsTheMeterRunning_data() {
        QTest::addColumn<bool>("byClosing");
        QTest::newRow("取消") << false;
        QTest::newRow("closing the window") << true;
    }
    void cancelKeepsTheMeterRunning() {
        QFETCH(bool, byClosing);
        Meter meter;
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        QPointer<ExtForm> window = meter.askToClose();
        Find(window, "Text1")->setText("qxmeter");
        if (byClosing)
            window->close();
        else
            QTest::mouseClick(Find<QPushButton>(window, "Command2"), Qt::LeftButton);
        FlushDeletes();

        QVERIFY(window.isNull());
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(meter.form.engine().extPass());
        QVERIFY(meter.form.storeDb().isOpen());
        QVERIFY(!meter.shutDown());
        // The timers tick on: the clock shows the new time and a link that comes up is seen.
        meter.clock.advance(5000);
        QTRY_COMPARE(meter.form.engine().figures().TimeL, QString("10:00:05"));
        meter.network.setConnected(true);
        QTRY_VERIFY(meter.form.engine().state().Linked);
        // The next request asks again.
        QVERIFY(meter.askToClose());
        QCOMPARE(unloaded.count(), 0);
    }

    void unreadableStoreReportsAndKeepsRunning() {
        Meter meter;
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        ExtForm* window = meter.askToClose();
        meter.form.storeDb().close();
        Find(window, "Text1")->setText("qxmeter");
        QTest::mouseClick(Find<QPushButton>(window, "Command1"), Qt::LeftButton);
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, Icon::Error);
        QVERIFY(meter.prompter.messages().first().text.startsWith("数据库出错"));
        QVERIFY(window->isVisible());
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(meter.form.engine().extPass());
    }
};

QTEST_MAIN(ExtFormTest)
#include "test_ExtForm.moc"
