#include "meter/desktop/Form1.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/IniLayout.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {

struct Meter : FakePlatform {
    Meter() : form(meterServices(folder.path(), "x")) { form.Form_Load(); }
    QString label(const char* name) { return form.findChild<QLabel*>(name)->text(); }
    QLineEdit* text1() { return form.findChild<QLineEdit*>("Text1"); }

    TempFolder folder;
    Form1 form;
};

} // namespace

class Form1Figures : public QObject {
    Q_OBJECT
private slots:
    void showsTheRunningSession() {
        Meter meter;
        meter.form.engine().Menvy();
        QCOMPARE(meter.label("Label9"), QString("6.2元/时"));
        QCOMPARE(meter.label("Label5"), QString("1800 秒"));
        meter.network.setConnected(true);
        meter.form.engine().EvtTimer();
        meter.clock.advance(1'800'000);
        meter.form.engine().Timer1();
        QCOMPARE(meter.label("TitLb"), QString("Dialtoll(联机)"));
        QCOMPARE(meter.label("Label38"), QString("3.10 元"));
        QCOMPARE(meter.label("Label11"), QString("0:30:00"));
        QCOMPARE(meter.label("Label7"), QString("1 次"));
        QCOMPARE(meter.label("Label5"), QString("0秒"));
    }

    void choosingAPresetPlansIt() {
        Meter meter;
        QTest::mouseClick(meter.form.preset(3), Qt::LeftButton);
        QCOMPARE(meter.form.engine().state().PlanSecs, 20.0 * 60);
        QCOMPARE(meter.label("Label5"), QString("1200 秒"));

        auto* text1 = meter.form.findChild<QLineEdit*>("Text1");
        QTest::mouseClick(meter.form.findChild<QRadioButton*>("Opt"), Qt::LeftButton);
        QCOMPARE(meter.label("Label5"), QString("7200 秒"));
        text1->clear();
        QTest::keyClicks(text1, "4a5.b5");
        QCOMPARE(text1->text(), QString("45.5"));
        QCOMPARE(meter.label("Label5"), QString("2730 秒"));
        QTest::keyClick(text1, Qt::Key_Backspace);
        QCOMPARE(text1->text(), QString("45."));
    }

    void customMinutesBoxFiltersEveryInputPath() {
        Meter meter;
        QTest::mouseClick(meter.form.findChild<QRadioButton*>("Opt"), Qt::LeftButton);
        QLineEdit* text1 = meter.text1();
        text1->clear();
        // A Chinese input method in full-width mode commits full-width digits.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("１２０分"));
        QCoreApplication::sendEvent(text1, &commit);
        QCOMPARE(text1->text(), QString("120"));
        QCOMPARE(meter.label("Label5"), QString("7200 秒"));
        QCOMPARE(meter.form.engine().customText(), QString("120"));

        text1->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("4b５．5分钟"));
        text1->paste();
        QCOMPARE(text1->text(), QString("45.5"));
        QCOMPARE(meter.label("Label5"), QString("2730 秒"));
    }

    void customMinutesBoxKeepsTheKeyboardFree() {
        Meter meter;
        meter.form.openMainWindow();
        QVERIFY(QTest::qWaitForWindowActive(&meter.form));
        QLineEdit* text1 = meter.text1();
        text1->setFocus();
        QTRY_VERIFY(text1->hasFocus());

        QTest::keyClick(text1, Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        QVERIFY(next && next != text1);
        QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(text1->hasFocus());

        QTest::keyClick(text1, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(text1->selectedText(), QString("120"));
        QTest::keyClick(text1, Qt::Key_End);
        QTest::keyClick(text1, Qt::Key_X); // still refused
        QCOMPARE(text1->text(), QString("120"));
        QTest::keyClick(text1, Qt::Key_Home);
        QTest::keyClick(text1, Qt::Key_Delete);
        QCOMPARE(text1->text(), QString("20"));
    }

    void emptiedFigureIsShownEmptyAndUncomputedKeepsItsDesignText() {
        Meter meter;
        meter.form.engine().Timer1();
        QCOMPARE(meter.label("Label38"), QString("0 元")); // off line: not computed yet
        QVERIFY(!meter.label("Label30").isEmpty());
        using namespace IniLayout::Settings;
        QVERIFY(
            WriteIni(CountdownSection, CountdownTitleKey, QString(), meter.folder.file(FileName)));
        meter.form.engine().hsLoad();
        QCOMPARE(meter.label("Label30"), QString());
    }

    void theExtensionSelectsTheNextPreset() {
        Meter meter;
        meter.form.engine().Op_Click(0);
        meter.network.setConnected(true);
        meter.form.engine().EvtTimer();
        meter.clock.advance(300'000);
        meter.form.engine().Timer1();
        meter.prompter.answerNext(false);
        meter.form.engine().Tmer();
        QVERIFY(meter.form.preset(1)->isChecked());
        QVERIFY(!meter.form.preset(0)->isChecked());
    }
};

QTEST_MAIN(Form1Figures)
#include "test_Form1Figures.moc"
