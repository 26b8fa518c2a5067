#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/desktop/SingleWindow.h"
#include "meter/engine/MeterEngine.h"
#include "meter/engine/TariffSchedule.h"
#include "meter/settings/Form2.h"
#include "meter/store/IniFunctions.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDialUpNetwork.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeReminderSound.h"
#include "platform/fake/ScriptedPrompter.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

// A Monday morning, inside the day band.
const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));
const QString HolidayPlaceholder = QStringLiteral("此处填写日期然后添加");
const QString RestDayPlaceholder = QStringLiteral("此处填写星期如星期六");

// The main window's engine over a real store, and the owner that opens the settings window.
struct Meter : FakePlatform {
    explicit Meter(bool openStore = true) {
        if (openStore) {
            const QString path = folder.file(Store::FileName);
            OpenStore(path, Morning.date());
            store.open(path);
        }
    }

    Form2* open() {
        Form2* form = owner.show(nullptr);
        form->activateWindow();
        return form;
    }
    QString iniPath() const { return folder.file("veyranettimer.ini"); }
    QString ini(const QString& section, const QString& key) const {
        return ReadIni(section, key, "<missing>", iniPath());
    }
    QByteArray iniBytes() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }

    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "/usr/bin/Dialtoll")};
    SingleWindow<Form2> owner{[this](QWidget* parent) {
        return new Form2(clock, prompter, engine, folder.path(), parent);
    }};
};

template <typename T = QLineEdit> T* Find(Form2* form, const char* name) {
    T* found = form->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

QStringList Entries(Form2* form, const char* list) {
    QStringList entries;
    const QListWidget* widget = Find<QListWidget>(form, list);
    for (int i = 0; i < widget->count(); ++i)
        entries.append(widget->item(i)->text());
    return entries;
}

QStringList Selected(Form2* form, const char* list) {
    QStringList selected;
    for (const QListWidgetItem* item : Find<QListWidget>(form, list)->selectedItems())
        selected.append(item->text());
    return selected;
}

// Types text key by key; QTest::keyClicks cannot type Chinese.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void Click(Form2* form, const char* button) {
    QTest::mouseClick(Find<QPushButton>(form, button), Qt::LeftButton);
}

void SelectRow(Form2* form, const char* list, int row) {
    QListWidget* widget = Find<QListWidget>(form, list);
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, {},
                      widget->visualItemRect(widget->item(row)).center());
}

// Runs the deletion of a window that closed itself.
void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPointF global = widget->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Presses at `at` on `widget`, moves the mouse by `by` and releases.
void Drag(QWidget* widget, QPoint at, QPoint by) {
    SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseMove, at + by, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, at + by, Qt::NoButton);
}

} // namespace

class Form2Test : public QObject {
    Q_OBJECT
private slots:
    void opensWithDefaultsAndBuiltInListsBeforeAnySave() {
        Meter meter;
        Form2* form = meter.open();
        QCOMPARE(form->objectName(), QString("Form2"));
        QVERIFY(form->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(form->size(), QSize(351, 319));
        QCOMPARE(Find<QLabel>(form, "Label1")->text(), QString("Dialtoll设置"));
        QCOMPARE(Find<QWidget>(form, "Image1")->toolTip(), QString("关闭"));

        QCOMPARE(Find(form, "Text2")->text(), QString("08:00"));
        QCOMPARE(Find(form, "Text3")->text(), QString("23:00"));
        QCOMPARE(Find(form, "Text8")->text(), QString("6.2"));
        QCOMPARE(Find(form, "Text4")->text(), QString("4.2"));
        QCOMPARE(Find(form, "Text5")->text(), QString("4.2"));
        QCOMPARE(Find(form, "Text1")->text(), QString("60"));
        QVERIFY(Find<QCheckBox>(form, "Ck1")->isChecked());
        QCOMPARE(Find<QCheckBox>(form, "Ck1")->text(), QString("时间结束询问是否断线"));
        QCOMPARE(Find(form, "Text9")->text(), QString("2027年1月1日倒计时"));
        QCOMPARE(Find(form, "Text10")->text(), QString("2027-1-1 0:00:00"));

        QCOMPARE(Entries(form, "List1"), QStringList({"10月1日", "1月1日", "5月1日", "5月4日",
                                                      "6月1日", "7月1日", "8月1日"}));
        QCOMPARE(Entries(form, "List2"), QStringList({"星期六", "星期日"}));
        QCOMPARE(Find(form, "Text6")->text(), HolidayPlaceholder);
        QCOMPARE(Find(form, "Text6")->toolTip(), QString("可以填为:X月X日 也可填为:XXXX年X月X日"));
        QCOMPARE(Find(form, "Text7")->text(), RestDayPlaceholder);
        const QList<QPair<const char*, QString>> buttons = {
            {"Command1", "添加节日"}, {"Command2", "添加假日"}, {"Command3", "删除节日"},
            {"Command4", "删除假日"}, {"Command5", "确定(&T)"}, {"Command6", "取消(&C)"}};
        for (const auto& [name, text] : buttons)
            QCOMPARE(Find<QPushButton>(form, name)->text(), text);
        QVERIFY(!Find<QPushButton>(form, "Command3")->isEnabled());
        QVERIFY(!Find<QPushButton>(form, "Command4")->isEnabled());
        // Opening writes nothing.
        QVERIFY(!QFile::exists(meter.iniPath()));
    }

    void savesCorrectedTimesNormalisedNumbersAndTypedTexts() {
        Meter meter;
        QPointer<Form2> form = meter.open();
        Find(form, "Text2")->setText("8");
        Find(form, "Text3")->setText("22");
        Find(form, "Text8")->setText("6.20");
        Find(form, "Text4")->setText(".");
        Find(form, "Text5")->clear();
        Find(form, "Text1")->setText("045");
        Find<QCheckBox>(form, "Ck1")->setChecked(false);
        Find(form, "Text9")->setText(" 毕业 倒计时");
        QLineEdit* target = Find(form, "Text10");
        target->clear();
        Type(target, "2027年6月30日 18:30");
        QCOMPARE(target->text(), QString("2027年6月30日 18:30"));

        Click(form, "Command5");
        // The corrected times stay in their boxes; the window closes.
        QCOMPARE(Find(form, "Text2")->text(), QString("8:00"));
        QCOMPARE(Find(form, "Text3")->text(), QString("22:00"));
        QVERIFY(!form->isVisible());
        FlushDeletes();
        QVERIFY(form.isNull());
        QVERIFY(meter.prompter.messages().isEmpty());

        QCOMPARE(meter.ini("时间设置", "From"), QString("08:00"));
        QCOMPARE(meter.ini("时间设置", "To"), QString("22:00"));
        QCOMPARE(meter.ini("时间设置", "Value1"), QString("6.2"));
        QCOMPARE(meter.ini("时间设置", "Value2"), QString("0"));
        QCOMPARE(meter.ini("节假日设置", "Value"), QString("0"));
        QCOMPARE(meter.ini("时间设置", "Spare"), QString("45"));
        QCOMPARE(meter.ini("时间设置", "Ask"), QString("0"));
        QCOMPARE(meter.ini("倒计时器设置", "Title"), QString("毕业 倒计时"));
        QCOMPARE(meter.ini("倒计时器设置", "DateTime"), QString("2027年6月30日 18:30"));
        QCOMPARE(meter.ini("节假日设置", "Count"), QString("7"));
        QCOMPARE(meter.ini("节假日设置", "节日1"), QString("10月1日"));
        QCOMPARE(meter.ini("节假日设置", "Count1"), QString("2"));
        QCOMPARE(meter.ini("节假日设置", "假日2"), QString("星期日"));

        // The next opening shows what was saved.
        form = meter.open();
        QCOMPARE(Find(form, "Text2")->text(), QString("08:00"));
        QCOMPARE(Find(form, "Text4")->text(), QString("0"));
        QVERIFY(!Find<QCheckBox>(form, "Ck1")->isChecked());
        QCOMPARE(Find(form, "Text9")->text(), QString("毕业 倒计时"));
    }

    void emptiedListsAreSavedAsZeroAndReopenEmpty() {
        Meter meter;
        QPointer<Form2> form = meter.open();
        Click(form, "Command5");
        QVERIFY(meter.iniBytes().contains("节日7=8月1日"));

        form = meter.open();
        for (const char* list : {"List1", "List2"}) {
            const char* button = QByteArray(list) == "List1" ? "Command3" : "Command4";
            SelectRow(form, list, 0);
            while (Find<QListWidget>(form, list)->count() > 0)
                Click(form, button);
        }
        Click(form, "Command5");
        FlushDeletes();
        QCOMPARE(meter.ini("节假日设置", "Count"), QString("0"));
        QCOMPARE(meter.ini("节假日设置", "Count1"), QString("0"));
        // No numbered entry of the earlier save survives.
        const QString text = QString::fromUtf8(meter.iniBytes());
        QVERIFY2(!text.contains("节日") && !text.contains("假日="), qPrintable(text));
        QVERIFY(!text.contains(QRegularExpression("假日\\d")));

        form = meter.open();
        QVERIFY(Entries(form, "List1").isEmpty());
        QVERIFY(Entries(form, "List2").isEmpty());
    }

    void cancelAndTheCloseImageWriteNothing() {
        Meter meter;
        QPointer<Form2> form = meter.open();
        Find(form, "Text6")->setText("3月8日");
        Click(form, "Command1");
        QVERIFY(Entries(form, "List1").contains("3月8日"));
        Click(form, "Command6");
        FlushDeletes();
        QVERIFY(form.isNull());
        QVERIFY(!QFile::exists(meter.iniPath()));

        form = meter.open();
        Click(form, "Command5");
        const QByteArray saved = meter.iniBytes();
        for (const QString way : {"Command6", "Image1", "Esc in a box", "Esc in a list"}) {
            form = meter.open();
            Find(form, "Text6")->setText("3月8日");
            Click(form, "Command1");
            QVERIFY(Entries(form, "List1").contains("3月8日"));
            Find(form, "Text8")->setText("9");
            if (way == "Image1")
                QTest::mouseClick(Find<QWidget>(form, "Image1"), Qt::LeftButton);
            else if (way == "Esc in a box")
                QTest::keyClick(Find(form, "Text8"), Qt::Key_Escape);
            else if (way == "Esc in a list")
                QTest::keyClick(Find<QListWidget>(form, "List2"), Qt::Key_Escape);
            else
                Click(form, "Command6");
            FlushDeletes();
            QVERIFY2(form.isNull(), qPrintable(way));
            QVERIFY(form.isNull());
            QCOMPARE(meter.iniBytes(), saved);
        }
    }

    void returnAndEnterPressTheFocusedButton() {
        Meter meter;
        QPointer<Form2> form = meter.open();
        QLineEdit* text6 = Find(form, "Text6");
        for (const auto& [key, day] :
             {std::pair{Qt::Key_Return, "3月8日"}, std::pair{Qt::Key_Enter, "3月9日"}}) {
            text6->setText(QString::fromUtf8(day));
            QPushButton* command1 = Find<QPushButton>(form, "Command1");
            command1->setFocus();
            QTest::keyClick(command1, key,
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            QVERIFY(Entries(form, "List1").contains(QString::fromUtf8(day)));
        }
        // A modified Return is some other key.
        text6->setText("3月10日");
        QTest::keyClick(Find<QPushButton>(form, "Command1"), Qt::Key_Return, Qt::ShiftModifier);
        QVERIFY(!Entries(form, "List1").contains("3月10日"));
        // With no default button, Enter in a plain box does nothing.
        Find(form, "Text8")->setFocus();
        QTest::keyClick(Find(form, "Text8"), Qt::Key_Return);
        QVERIFY(form);
        QVERIFY(!QFile::exists(meter.iniPath()));

        QPushButton* command5 = Find<QPushButton>(form, "Command5");
        command5->setFocus();
        QTest::keyClick(command5, Qt::Key_Enter, Qt::KeypadModifier);
        FlushDeletes();
        QVERIFY(form.isNull());
        QCOMPARE(meter.ini("节假日设置", "Count"), QString("9")); // the seven built in and two
        QVERIFY(meter.prompter.messages().isEmpty());
    }

    void addsHolidaysInTheirStoredForms() {
        Meter meter;
        Form2* form = meter.open();
        QLineEdit* text6 = Find(form, "Text6");
        SelectRow(form, "List1", 1); // 1月1日
        const QStringList before = Entries(form, "List1");

        // Already listed: nothing changes, the box is emptied.
        text6->clear();
        Type(text6, "05月01日");
        Click(form, "Command1");
        QCOMPARE(Entries(form, "List1"), before);
        QCOMPARE(text6->text(), QString());

        // With its year: one day of one year, a different entry. Enter adds it and does not
        // reach the box.
        Type(text6, "2026年5月1日");
        QTest::keyClick(text6, Qt::Key_Return);
        QCOMPARE(text6->text(), QString());
        Type(text6, "３月８日");
        QTest::keyClick(text6, Qt::Key_Enter);
        QCOMPARE(Entries(form, "List1"),
                 QStringList({"10月1日", "1月1日", "2026/05/01", "3月8日", "5月1日", "5月4日",
                              "6月1日", "7月1日", "8月1日"}));
        // A new entry is not selected; the earlier selection stays.
        QCOMPARE(Selected(form, "List1"), QStringList({"1月1日"}));
        QVERIFY(meter.prompter.messages().isEmpty());
    }

    void refusesTextsThatAreNoDate() {
        Meter meter;
        Form2* form = meter.open();
        QLineEdit* text6 = Find(form, "Text6");
        const QStringList before = Entries(form, "List1");
        for (const QString& typed : {QString("2月30日"), QString("abc"), QString()}) {
            meter.prompter.clear();
            text6->setText(typed.isEmpty() ? HolidayPlaceholder : typed);
            Click(form, "Command1");
            QCOMPARE(meter.prompter.messages().size(), 1);
            QCOMPARE(meter.prompter.messages().first().icon, ScriptedPrompter::Icon::Error);
            QCOMPARE(meter.prompter.messages().first().text, QString("日期格式无效！"));
            // The text stays, wholly selected, the cursor at its start.
            QCOMPARE(text6->selectedText(), text6->text());
            QVERIFY(!text6->text().isEmpty());
            QCOMPARE(text6->cursorPosition(), 0);
            QCOMPARE(Entries(form, "List1"), before);
        }
    }

    void addsRestDaysByTheWeekdayTable_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("entry"); // empty: refused
        QTest::newRow("星期天") << "星期天"
                                << "星期日";
        QTest::newRow("七") << "七"
                            << "星期日";
        QTest::newRow("周日") << "周日"
                              << "星期日";
        QTest::newRow("礼拜七") << "礼拜七"
                                << "星期日";
        QTest::newRow("full-width 7") << "７"
                                      << "星期日";
        QTest::newRow("日 in blanks") << "  日 "
                                      << "星期日";
        QTest::newRow("1") << "1"
                           << "星期一";
        QTest::newRow("full-width 3") << "３"
                                      << "星期三";
        QTest::newRow("礼拜五") << "礼拜五"
                                << "星期五";
        QTest::newRow("天") << "天"
                            << "";
        QTest::newRow("周天") << "周天"
                              << "";
        QTest::newRow("0") << "0"
                           << "";
        QTest::newRow("8") << "8"
                           << "";
        QTest::newRow("full-width 8") << "８"
                                      << "";
        QTest::newRow("placeholder") << RestDayPlaceholder << "";
    }
    void addsRestDaysByTheWeekdayTable() {
        QFETCH(QString, typed);
        QFETCH(QString, entry);
        Meter meter;
        Form2* form = meter.open();
        // From an empty list, so that every accepted text adds an entry.
        SelectRow(form, "List2", 0);
        Click(form, "Command4");
        Click(form, "Command4");
        QVERIFY(Entries(form, "List2").isEmpty());

        QLineEdit* text7 = Find(form, "Text7");
        text7->clear();
        Type(text7, typed);
        QTest::keyClick(text7, Qt::Key_Return);
        if (entry.isEmpty()) {
            QCOMPARE(meter.prompter.messages().size(), 1);
            QCOMPARE(meter.prompter.messages().first().icon, ScriptedPrompter::Icon::Error);
            QCOMPARE(meter.prompter.messages().first().text, QString("星期格式错误！"));
            QCOMPARE(text7->text(), typed);
            QCOMPARE(text7->selectedText(), typed);
            QCOMPARE(text7->cursorPosition(), 0);
            QVERIFY(Entries(form, "List2").isEmpty());
        } else {
            QVERIFY(meter.prompter.messages().isEmpty());
            QCOMPARE(Entries(form, "List2"), QStringList({entry}));
            QCOMPARE(text7->text(), QString());
        }
    }

    void aListedRestDayIsNotAddedAgain() {
        Meter meter;
        Form2* form = meter.open();
        // Whether or not the holiday list is empty.
        for (const bool emptyHolidays : {false, true}) {
            if (emptyHolidays) {
                SelectRow(form, "List1", 0);
                while (!Entries(form, "List1").isEmpty())
                    Click(form, "Command3");
            }
            QLineEdit* text7 = Find(form, "Text7");
            text7->setText("星期日");
            Click(form, "Command2");
            QCOMPARE(Entries(form, "List2"), QStringList({"星期六", "星期日"}));
            QCOMPARE(text7->text(), QString());
            QVERIFY(meter.prompter.messages().isEmpty());
        }
    }

    void deletionMovesTheSelection() {
        Meter meter;
        Form2* form = meter.open();
        auto* command4 = Find<QPushButton>(form, "Command4");
        Find(form, "Text7")->setText("五");
        Click(form, "Command2");
        QCOMPARE(Entries(form, "List2"), QStringList({"星期五", "星期六", "星期日"}));
        QVERIFY(!command4->isEnabled());

        // Selecting by keyboard enables the delete button too.
        QListWidget* list2 = Find<QListWidget>(form, "List2");
        list2->setFocus();
        QTest::keyClick(list2, Qt::Key_Down); // with no current entry: the first
        QCOMPARE(Selected(form, "List2"), QStringList({"星期五"}));
        QVERIFY(command4->isEnabled());
        QTest::keyClick(list2, Qt::Key_End);
        QCOMPARE(Selected(form, "List2"), QStringList({"星期日"}));
        QVERIFY(command4->isEnabled());

        // The last one: the selection goes to the top.
        Click(form, "Command4");
        QCOMPARE(Entries(form, "List2"), QStringList({"星期五", "星期六"}));
        QCOMPARE(Selected(form, "List2"), QStringList({"星期五"}));
        QVERIFY(command4->isEnabled());
        // The first one: its follower is selected.
        Click(form, "Command4");
        QCOMPARE(Selected(form, "List2"), QStringList({"星期六"}));
        QVERIFY(command4->isEnabled());
        // The only one: nothing left to delete.
        Click(form, "Command4");
        QVERIFY(Entries(form, "List2").isEmpty());
        QVERIFY(!command4->isEnabled());

        // The holiday list behaves the same.
        SelectRow(form, "List1", 6);
        QVERIFY(Find<QPushButton>(form, "Command3")->isEnabled());
        Click(form, "Command3");
        QCOMPARE(Selected(form, "List1"), QStringList({"10月1日"}));
        QCOMPARE(Entries(form, "List1").size(), 6);
    }

    void placeholdersLeaveAndReturnWithTheFocus() {
        Meter meter;
        Form2* form = meter.open();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QLineEdit* text6 = Find(form, "Text6");
        QLineEdit* text7 = Find(form, "Text7");
        text6->setFocus();
        QCOMPARE(text6->text(), QString());
        Type(text6, "  ");
        text7->setFocus();
        QCOMPARE(text6->text(), HolidayPlaceholder);
        QCOMPARE(text7->text(), QString());
        Type(text7, "六");
        text6->setFocus();
        QCOMPARE(text7->text(), QString("六"));
    }

    void inputFiltersDropRefusedCharacters() {
        Meter meter;
        Form2* form = meter.open();
        const QList<QPair<const char*, QString>> numberBoxes = {
            {"Text1", "6a0.5"}, {"Text8", "6a0.5"}, {"Text4", "6a0.5"}, {"Text5", "6a0.5"}};
        for (const auto& [name, keys] : numberBoxes) {
            QLineEdit* box = Find(form, name);
            box->clear();
            QTest::keyClicks(box, keys + ":-/ ");
            Type(box, "年元");
            QCOMPARE(box->text(), QString("60.5"));
            QTest::keyClick(box, Qt::Key_Backspace);
            QCOMPARE(box->text(), QString("60."));
        }
        for (const char* name : {"Text2", "Text3"}) {
            QLineEdit* box = Find(form, name);
            box->clear();
            QTest::keyClicks(box, "9.3:a0 -");
            QCOMPARE(box->text(), QString("93:0"));
        }
        QLineEdit* text10 = Find(form, "Text10");
        text10->clear();
        QTest::keyClicks(text10, "2027/1-2 0:00x.");
        Type(text10, "年时月日");
        QCOMPARE(text10->text(), QString("2027/1-2 0:00年月日"));
        // Text committed by an input method keeps only what the box accepts.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("3日号"));
        QApplication::sendEvent(text10, &commit);
        QCOMPARE(text10->text(), QString("2027/1-2 0:00年月日3日"));

        QLineEdit* text9 = Find(form, "Text9");
        text9->clear();
        QTest::keyClicks(text9, "a.1:");
        Type(text9, "考试!");
        QCOMPARE(text9->text(), QString("a.1:考试!"));
    }

    void theTitleBandMovesTheWindow() {
        Meter meter;
        Form2* form = meter.open();
        form->move(100, 100);
        Drag(Find<QWidget>(form, "Label1"), QPoint(5, 5), QPoint(30, 20));
        QCOMPARE(form->pos(), QPoint(130, 120));
        Drag(form, QPoint(200, 10), QPoint(-10, 5));
        QCOMPARE(form->pos(), QPoint(120, 125));
        // Lower on the background a press does nothing.
        Drag(form, QPoint(200, 30), QPoint(40, 40));
        QCOMPARE(form->pos(), QPoint(120, 125));
    }

    void theOwnerKeepsOneWindow() {
        Meter meter;
        QPointer<Form2> first = meter.open();
        QVERIFY(first->isVisible());
        QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));
        Find(first, "Text8")->setText("7");
        QCOMPARE(meter.open(), first.data());
        // Brought forward, not loaded again.
        QCOMPARE(Find(first, "Text8")->text(), QString("7"));
        first->close();
        FlushDeletes();
        QVERIFY(first.isNull());
        QVERIFY(meter.owner.window() == nullptr);
        Form2* second = meter.open();
        QCOMPARE(Find(second, "Text8")->text(), QString("6.2"));
    }

    void aSavedTariffPricesTheNextTick() {
        Meter meter;
        meter.engine.hsLoad();
        meter.network.setConnected(true);
        meter.engine.EvtTimer();
        meter.engine.Menvy();
        QCOMPARE(meter.engine.figures().Label9, QString("6.2元/时"));

        Form2* form = meter.open();
        Find(form, "Text8")->setText("12.00");
        Find(form, "Text9")->setText("假期倒计时");
        Click(form, "Command5");
        FlushDeletes();
        // The save reloaded the main window's context.
        QCOMPARE(meter.engine.figures().Label30, QString("假期倒计时"));
        meter.engine.Menvy();
        QCOMPARE(meter.engine.figures().Label9, QString("12元/时"));
        const double before = meter.engine.state().ThisFee;
        meter.clock.advance(500);
        meter.engine.Timer1();
        QVERIFY(qAbs(meter.engine.state().ThisFee - before - 12.0 * 500 / 3'600'000) < 1e-12);

        // Today (a Monday) as a holiday, at the all-day rate; then Mondays as rest days.
        form = meter.open();
        Find(form, "Text5")->setText("3.50");
        Find(form, "Text6")->setText("3月2日");
        Click(form, "Command1");
        Click(form, "Command5");
        FlushDeletes();
        meter.engine.Menvy();
        QCOMPARE(meter.engine.figures().Label9, QString("3.5元/时"));
        QCOMPARE(CurrentRateText(meter.iniPath(), Morning.addDays(1)), QString("12"));
        QCOMPARE(CurrentRateText(meter.iniPath(), Morning.addDays(7)), QString("12"));

        form = meter.open();
        Find(form, "Text7")->setText("１");
        Click(form, "Command2");
        Click(form, "Command5");
        FlushDeletes();
        QCOMPARE(CurrentRateText(meter.iniPath(), Morning.addDays(7)), QString("3.5"));
        QCOMPARE(CurrentRateText(meter.iniPath(), Morning.addDays(1)), QString("12"));
        // Outside the band the other rate.
        QCOMPARE(CurrentRateText(meter.iniPath(), QDateTime(QDate(2026, 3, 3), QTime(23, 30))),
                 QString("4.2"));
    }

    void aFailedContextLoadKeepsTheSave() {
        Meter meter(false); // the main window's store is not open: its statements fail
        QPointer<Form2> form = meter.open();
        Find(form, "Text9")->setText("新标题");
        Click(form, "Command5");
        FlushDeletes();
        QVERIFY(form.isNull());
        QCOMPARE(meter.ini("倒计时器设置", "Title"), QString("新标题"));
        QCOMPARE(meter.engine.figures().Label30, QString("新标题"));
    }

    void aFileThatCannotBeWrittenIsReported() {
        Meter meter;
        // A folder in the file's place: nobody can replace it with a file.
        QVERIFY(QDir(meter.folder.path()).mkdir("veyranettimer.ini"));
        QPointer<Form2> form = meter.open();
        Find(form, "Text8")->setText("7");
        Click(form, "Command5");
        FlushDeletes();
        QVERIFY(!form.isNull());
        QVERIFY(form->isVisible());
        QCOMPARE(meter.prompter.messages().size(), 1);
        QCOMPARE(meter.prompter.messages().first().icon, ScriptedPrompter::Icon::Error);
        QCOMPARE(Find(form, "Text8")->text(), QString("7"));
    }
};

QTEST_MAIN(Form2Test)
#include "test_Form2.moc"
