#include "common/Store.h"
#include "common/TextConventions.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/tray/cSysTray.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/RecordAccess.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The meter with its real timers on a fake clock, its window hidden as in the tray.
struct Meter : FakePlatform {
    Meter() : form(meterServices(folder.path(), "x")) {
        form.Form_Load();
        form.hide();
    }
    QString label(const char* name) const { return form.findChild<QLabel*>(name)->text(); }
    bool linked() { return form.engine().state().Linked; }

    TempFolder folder;
    Form1 form;
};

} // namespace

class Form1Events : public QObject {
    Q_OBJECT
private slots:
    // A change that was never reported is still found, by the slow safety poll.
    void aLinkChangeNobodyReportedIsFoundByThePoll() {
        Meter meter;
        QVERIFY(meter.network.changesReported());
        // Past the first look at the link, which start-up leaves to the event loop.
        QTRY_COMPARE(meter.form.engine().figures().TitLb, QString("Dialtoll(脱机)"));
        meter.network.setReportsChanges(false);
        meter.network.setConnected(true);
        meter.network.setReportsChanges(true);
        QTRY_VERIFY_WITH_TIMEOUT(meter.linked(), 10000);
        meter.network.setReportsChanges(false);
        meter.network.setConnected(false);
        meter.network.setReportsChanges(true);
        QTRY_VERIFY_WITH_TIMEOUT(!meter.linked(), 10000);
        QCOMPARE(meter.form.engine().figures().TitLb, QString("Dialtoll(脱机)"));
    }

    // Hidden and off line nothing changes but the time of day in the tray tip; shown, the
    // clock runs again.
    void hiddenAndOffLineOnlyTheTipsClockRuns() {
        Meter meter;
        QTRY_COMPARE(meter.form.engine().figures().TitLb, QString("Dialtoll(脱机)"));
        QTest::qWait(200);
        QSignalSpy figures(&meter.form.engine(), &MeterEngine::figuresChanged);
        meter.clock.advance(7000);
        const QString time = FormatPattern(meter.clock.now(), "H:MM:SS");
        QTRY_VERIFY(meter.form.tray().TrayTip().endsWith(time));
        QTest::qWait(1500);
        QCOMPARE(figures.count(), 0);

        meter.form.show();
        QTRY_COMPARE(meter.label("TimeL"), FormatPattern(meter.clock.now(), "HH:MM:SS"));
        meter.clock.advance(2000);
        QTRY_COMPARE(meter.label("TimeL"), FormatPattern(meter.clock.now(), "HH:MM:SS"));
    }

    // Off line there is no planned time running out: a plan of 0 minutes hangs nothing up
    // again and again.
    void offLineNoTimeUpCheckRuns() {
        Meter meter;
        meter.form.engine().setCustomText("0");
        meter.form.engine().Opt_Click();
        QCOMPARE(meter.label("Label5"), QString("0 秒"));
        QTest::qWait(2500);
        QCOMPARE(meter.network.hangUpCount(), 0);
        QVERIFY(meter.prompter.messages().isEmpty());
        QCOMPARE(meter.sound.playCount(), 0);
    }

    // The rate follows a settings save, and the number of accounts another program's
    // registration, without any periodic reading.
    void settingsAndAccountsFromElsewhereAreSeen() {
        Meter meter;
        QTRY_COMPARE(meter.label("Label9"), QString("6.2元/时"));
        WriteIni("时间设置", "Value1", "9.9", meter.folder.file("veyranettimer.ini"));
        QTRY_COMPARE(meter.label("Label9"), QString("9.9元/时"));
        WriteIni("时间设置", "Value1", "7.7", meter.folder.file("veyranettimer.ini"));
        QTRY_COMPARE(meter.label("Label9"), QString("7.7元/时"));

        Store other;
        QVERIFY(other.open(meter.folder.file(Store::FileName)));
        InsertRecord(other, "Users", {"User"}, {"alice"}, {"Password"}, {"pw"});
        QTRY_COMPARE(meter.label("Label15"), QString("1 人"));
    }
};

QTEST_MAIN(Form1Events)
#include "test_Form1Events.moc"
