#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/desktop/SingleWindow.h"
#include "meter/engine/MeterEngine.h"
#include "meter/engine/TariffSchedule.h"
#include "meter/settings/CalendarImport.h"
#include "meter/settings/CalendarImportDialog.h"
#include "meter/settings/Form2.h"
#include "meter/store/IniFunctions.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDialUpNetwork.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeReminderSound.h"
#include "platform/fake/ScriptedFileChooser.h"
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
#include <QTableWidget>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// A Monday morning, inside the day band.
const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));
const QString HolidayPlaceholder = QStringLiteral("此处填写日期然后添加");
const QString RestDayPlaceholder = QStringLiteral("此处填写星期如星期六");
const QString HolidayCalendar = QStringLiteral(DIALTOLL_TEST_DATA_DIR "/holidays-2026.ics");

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
    // The calendar chooser of the window opened last.
    ScriptedFileChooser* files = nullptr;
    SingleWindow<Form2> owner{[this](QWidget* parent) {
        auto chooser = std::make_unique<ScriptedFileChooser>();
        files = chooser.get();
        return new Form2(clock, prompter, engine, folder.path(), parent, std::move(chooser));
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

// Answers the calendar import's dialog from within its own event loop, once it shows. The
// dialog is closed afterwards whatever `act` did, so a failed check cannot hang the test.
struct ImportDialogAnswer {
    explicit ImportDialogAnswer(std::function<void(CalendarImportDialog*)> act) {
        QObject::connect(&timer, &QTimer::timeout, [this, act] {
            auto* dialog = qobject_cast<CalendarImportDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer.stop();
            shown = true;
            act(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer.start(10);
    }
    QTimer timer;
    bool shown = false;
};

// Each row of the import dialog as "date|list" ("2026/01/04|补班日"), and whether it can be
// ticked.
QStringList ImportRows(CalendarImportDialog* dialog, bool checkable) {
    QStringList rows;
    const auto* table = dialog->findChild<QTableWidget*>("ImportList");
    for (int row = 0; row < table->rowCount(); ++row) {
        if (bool(table->item(row, 0)->flags() & Qt::ItemIsUserCheckable) == checkable)
            rows.append(table->item(row, 0)->text() + "|" + table->item(row, 2)->text());
    }
    return rows;
}

QTableWidgetItem* ImportRow(CalendarImportDialog* dialog, const QString& date) {
    const auto* table = dialog->findChild<QTableWidget*>("ImportList");
    const QList<QTableWidgetItem*> found = table->findItems(date, Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("no row %s", qPrintable(date));
    return found.first();
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
        // Wider than the old window, for the third list.
        QCOMPARE(form->size(), QSize(483, 363));
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
        // No make-up workdays are built in: they change every year.
        QVERIFY(Entries(form, "List3").isEmpty());
        QCOMPARE(Find(form, "Text11")->text(), HolidayPlaceholder);
        QCOMPARE(Find(form, "Text11")->toolTip(), Find(form, "Text6")->toolTip());
        const QList<QPair<const char*, QString>> buttons = {
            {"Command1", "添加节日"}, {"Command2", "添加假日"}, {"Command3", "删除节日"},
            {"Command4", "删除假日"}, {"Command5", "确定(&T)"}, {"Command6", "取消(&C)"},
            {"Command7", "添加补班"}, {"Command8", "删除补班"}, {"Command9", "导入日历…"}};
        for (const auto& [name, text] : buttons)
            QCOMPARE(Find<QPushButton>(form, name)->text(), text);
        QVERIFY(!Find<QPushButton>(form, "Command3")->isEnabled());
        QVERIFY(!Find<QPushButton>(form, "Command4")->isEnabled());
        QVERIFY(!Find<QPushButton>(form, "Command8")->isEnabled());
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

    void makeUpWorkdaysAreAddedDeletedAndSavedLikeHolidays() {
        Meter meter;
        QPointer<Form2> form = meter.open();
        QLineEdit* text11 = Find(form, "Text11");
        auto* command8 = Find<QPushButton>(form, "Command8");

        // The holiday forms: with its year one day of one year, without it every year.
        text11->clear();
        Type(text11, "2026年9月27日");
        Click(form, "Command7");
        QCOMPARE(text11->text(), QString());
        Type(text11, "１０月１１日");
        QTest::keyClick(text11, Qt::Key_Return); // Enter adds too, and does not reach the box
        QCOMPARE(text11->text(), QString());
        Type(text11, "2027-2-20");
        QTest::keyClick(text11, Qt::Key_Enter);
        QCOMPARE(Entries(form, "List3"), QStringList({"10月11日", "2026/09/27", "2027/02/20"}));
        // The same day again: nothing changes, the box is emptied, nothing is said.
        Type(text11, "2026/09/27");
        Click(form, "Command7");
        QCOMPARE(Entries(form, "List3"), QStringList({"10月11日", "2026/09/27", "2027/02/20"}));
        QCOMPARE(text11->text(), QString());
        QVERIFY(meter.prompter.messages().isEmpty());
        // No date, or the placeholder: refused, the text kept and selected.
        for (const QString& typed : {QString("2月30日"), HolidayPlaceholder}) {
            meter.prompter.clear();
            text11->setText(typed);
            Click(form, "Command7");
            QCOMPARE(meter.prompter.messages().size(), 1);
            QCOMPARE(meter.prompter.messages().first().icon, ScriptedPrompter::Icon::Error);
            QCOMPARE(meter.prompter.messages().first().text, QString("日期格式无效！"));
            QCOMPARE(text11->selectedText(), typed);
            QCOMPARE(text11->cursorPosition(), 0);
        }
        QCOMPARE(Entries(form, "List3").size(), 3);
        // The other lists are untouched.
        QCOMPARE(Entries(form, "List1").size(), 7);
        QCOMPARE(Entries(form, "List2").size(), 2);

        // Deleting the last entry selects the first; the only one disables the button.
        QVERIFY(!command8->isEnabled());
        SelectRow(form, "List3", 2);
        QVERIFY(command8->isEnabled());
        Click(form, "Command8");
        QCOMPARE(Entries(form, "List3"), QStringList({"10月11日", "2026/09/27"}));
        QCOMPARE(Selected(form, "List3"), QStringList({"10月11日"}));
        Click(form, "Command8");
        QCOMPARE(Selected(form, "List3"), QStringList({"2026/09/27"}));

        Click(form, "Command5");
        FlushDeletes();
        QCOMPARE(meter.ini("节假日设置", "Count2"), QString("1"));
        QCOMPARE(meter.ini("节假日设置", "补班1"), QString("2026/09/27"));
        form = meter.open();
        QCOMPARE(Entries(form, "List3"), QStringList({"2026/09/27"}));
        SelectRow(form, "List3", 0);
        Click(form, "Command8");
        QVERIFY(Entries(form, "List3").isEmpty());
        QVERIFY(!Find<QPushButton>(form, "Command8")->isEnabled());
    }

    // A Sunday worked to make up for a holiday is charged at the day band, from the next tick.
    void aMakeUpWorkdayOnASundayIsChargedAtTheDayBand() {
        Meter meter;
        const QDateTime sunday(QDate(2026, 3, 8), QTime(10, 0));
        meter.clock.setNow(sunday);
        meter.engine.hsLoad();
        Form2* form = meter.open();
        Find(form, "Text5")->setText("3.5"); // the rest days' rate, with Sunday a rest day
        Click(form, "Command5");
        FlushDeletes();
        meter.network.setConnected(true);
        meter.engine.EvtTimer();
        meter.engine.Menvy();
        QCOMPARE(meter.engine.figures().Label9, QString("3.5元/时"));

        form = meter.open();
        Find(form, "Text11")->setText("2026年3月8日");
        Click(form, "Command7");
        Click(form, "Command5");
        FlushDeletes();
        meter.engine.Menvy();
        QCOMPARE(meter.engine.figures().Label9, QString("6.2元/时"));
        const double before = meter.engine.state().ThisFee;
        meter.clock.advance(500);
        meter.engine.Timer1();
        QVERIFY(qAbs(meter.engine.state().ThisFee - before - 6.2 * 500 / 3'600'000) < 1e-12);

        // Outside the band the other rate; the next Sunday is a rest day again.
        meter.clock.setNow(QDateTime(sunday.date(), QTime(23, 30)));
        meter.engine.Menvy();
        QCOMPARE(meter.engine.figures().Label9, QString("4.2元/时"));
        meter.clock.setNow(sunday.addDays(7));
        meter.engine.Menvy();
        QCOMPARE(meter.engine.figures().Label9, QString("3.5元/时"));
    }

    void importsACalendarAfterTheUserConfirmsItsDays() {
        Meter meter;
        QPointer<Form2> form = meter.open();
        meter.files->answerNext(HolidayCalendar);
        {
            ImportDialogAnswer answer([](CalendarImportDialog* dialog) {
                // How a workday is recognised is shown before anything is added.
                QVERIFY(dialog->findChild<QLabel*>("ImportRule")
                            ->text()
                            .contains(CalendarImport::WorkdayRuleText()));
                // The built-in 1月1日, 5月1日 and 10月1日 count those days already.
                QCOMPARE(ImportRows(dialog, false),
                         QStringList({"2026/01/01|已在列表中", "2026/05/01|已在列表中",
                                      "2026/10/01|已在列表中"}));
                QCOMPARE(ImportRows(dialog, true),
                         QStringList({"2026/01/04|补班日", "2026/02/14|补班日", "2026/02/16|节日",
                                      "2026/02/17|节日", "2026/02/18|节日", "2026/04/05|节日",
                                      "2026/05/02|节日", "2026/05/03|节日", "2026/05/09|补班日",
                                      "2026/10/02|节日", "2026/10/03|节日", "2026/10/10|补班日"}));
                auto* count = dialog->findChild<QLabel*>("ImportCount");
                QVERIFY2(count->text().startsWith("将加入8个节日、4个补班日"),
                         qPrintable(count->text()));
                // The user leaves one day out.
                ImportRow(dialog, "2026/04/05")->setCheckState(Qt::Unchecked);
                QVERIFY2(count->text().startsWith("将加入7个节日、4个补班日"),
                         qPrintable(count->text()));
                QTest::mouseClick(dialog->findChild<QPushButton*>("ImportOK"), Qt::LeftButton);
            });
            Click(form, "Command9");
            QVERIFY(answer.shown);
        }
        QCOMPARE(meter.files->requests().size(), 1);
        QCOMPARE(meter.files->requests().first().caption, QString("导入日历"));
        QCOMPARE(Entries(form, "List1"),
                 QStringList({"10月1日", "1月1日", "2026/02/16", "2026/02/17", "2026/02/18",
                              "2026/05/02", "2026/05/03", "2026/10/02", "2026/10/03", "5月1日",
                              "5月4日", "6月1日", "7月1日", "8月1日"}));
        QCOMPARE(Entries(form, "List3"),
                 QStringList({"2026/01/04", "2026/02/14", "2026/05/09", "2026/10/10"}));
        QVERIFY(meter.prompter.messages().isEmpty());
        // Nothing is written until OK.
        QVERIFY(!QFile::exists(meter.iniPath()));

        // Again: only the day left out is offered; cancelling adds nothing.
        meter.files->answerNext(HolidayCalendar);
        {
            ImportDialogAnswer answer([](CalendarImportDialog* dialog) {
                QCOMPARE(ImportRows(dialog, true), QStringList({"2026/04/05|节日"}));
                QTest::mouseClick(dialog->findChild<QPushButton*>("ImportCancel"), Qt::LeftButton);
            });
            Click(form, "Command9");
            QVERIFY(answer.shown);
        }
        QCOMPARE(Entries(form, "List1").size(), 14);
        QCOMPARE(Entries(form, "List3").size(), 4);

        Click(form, "Command5");
        FlushDeletes();
        QCOMPARE(meter.ini("节假日设置", "Count"), QString("14"));
        QCOMPARE(meter.ini("节假日设置", "Count2"), QString("4"));
        QCOMPARE(meter.ini("节假日设置", "补班4"), QString("2026/10/10"));
        // The imported Saturday is worked at the band's rate; the holiday at the all-day rate.
        QCOMPARE(CurrentRateText(meter.iniPath(), QDateTime(QDate(2026, 10, 10), QTime(12, 0))),
                 QString("6.2"));
        QCOMPARE(CurrentRateText(meter.iniPath(), QDateTime(QDate(2026, 10, 11), QTime(12, 0))),
                 QString("4.2"));
        QCOMPARE(CurrentRateText(meter.iniPath(), QDateTime(QDate(2026, 10, 2), QTime(12, 0))),
                 QString("4.2"));
    }

    void aFileThatCannotBeImportedChangesNothing() {
        Meter meter;
        Form2* form = meter.open();
        const QStringList holidays = Entries(form, "List1");
        const QString broken = meter.folder.file("broken.ics");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nSUMMARY:春节\r\n");
        file.close();
        const QString onlyListed = meter.folder.file("listed.ics");
        QFile listed(onlyListed);
        QVERIFY(listed.open(QIODevice::WriteOnly));
        listed.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//ZH\r\nBEGIN:VEVENT\r\n"
                     "UID:1\r\nDTSTART;VALUE=DATE:20270101\r\nSUMMARY:元旦\r\nEND:VEVENT\r\n"
                     "END:VCALENDAR\r\n");
        listed.close();

        const QList<QPair<QString, QString>> cases = {
            {broken, "所选文件不是日历文件（iCalendar .ics），没有导入任何日期。"},
            {meter.folder.file("missing.ics"), "无法读取日历文件！"},
            {onlyListed, "日历中的日期都已在列表中。"},
        };
        for (const auto& [path, message] : cases) {
            meter.prompter.clear();
            meter.files->answerNext(path);
            ImportDialogAnswer answer([](CalendarImportDialog*) {});
            Click(form, "Command9");
            QVERIFY2(!answer.shown, qPrintable(path));
            QCOMPARE(meter.prompter.messages().size(), 1);
            QCOMPARE(meter.prompter.messages().first().text, message);
            QCOMPARE(Entries(form, "List1"), holidays);
            QVERIFY(Entries(form, "List3").isEmpty());
        }
        QCOMPARE(meter.prompter.messages().first().icon, ScriptedPrompter::Icon::Information);
        // A cancelled choice does nothing at all.
        meter.prompter.clear();
        Click(form, "Command9");
        QVERIFY(meter.prompter.messages().isEmpty());
        QVERIFY(!QFile::exists(meter.iniPath()));
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
