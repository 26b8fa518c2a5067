#include "meter/desktop/Form1.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {

struct Meter : FakePlatform {
    Meter() : form(meterServices(folder.path(), "x")) { form.Form_Load(); }
    QString label(const char* name) { return form.findChild<QLabel*>(name)->text(); }

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
