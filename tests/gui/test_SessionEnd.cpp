#include "meter/desktop/Form1.h"
#include "meter/desktop/SessionEnd.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/RecordAccess.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The meter wired to the session as the program wires it.
struct Meter : FakePlatform {
    Meter()
        : form(meterServices(folder.path(), "x")),
          session([this] { form.saveForSessionEnd(); }, [this] { form.endWithoutPassword(); }) {
        form.Form_Load();
    }
    QString planValue() {
        return ReadIni("时间", "Value", "<missing>", folder.file("Setting.ini"));
    }
    double sessionSeconds() {
        return SelectUser(form.storeDb(), "Notes", "公用帐号", "ThisTm", -1).toDouble();
    }

    TempFolder folder;
    Form1 form;
    SessionEnd session;
};

} // namespace

class SessionEndTest : public QObject {
    Q_OBJECT
private slots:
    void aSaveRequestSavesAndKeepsRunning() {
        Meter meter;
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        meter.form.engine().CanExt(true);
        meter.form.preset(12)->click();
        meter.network.setConnected(true);
        meter.form.engine().EvtTimer();
        meter.clock.advance(90'000);

        // A checkpoint, or a logout the user may still cancel.
        meter.session.saveRequested();
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(meter.form.storeDb().isOpen());
        QVERIFY(meter.form.engine().extPass());
        QCOMPARE(meter.planValue(), QString("12"));
        QCOMPARE(meter.sessionSeconds(), 90.0);

        // The meter goes on metering and saves again at the next request.
        meter.clock.advance(30'000);
        meter.session.saveRequested();
        QCOMPARE(meter.sessionSeconds(), 120.0);
        QCOMPARE(unloaded.count(), 0);
    }

    // Last: the application's Quit event also ends its event loop for good.
    void theSessionsEndShutsDownOnceWithoutThePassword() {
        Meter meter;
        meter.session.watch(*qApp);
        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        QSignalSpy asked(&meter.form, &Form1::exitPasswordRequested);
        meter.form.engine().CanExt(true);
        meter.form.preset(7)->click();

        // The session manager's "die" reaches the application as its Quit event.
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &quit);
        QCOMPARE(unloaded.count(), 1);
        QCOMPARE(asked.count(), 0);
        QVERIFY(!meter.form.storeDb().isOpen());
        QCOMPARE(meter.planValue(), QString("7"));

        meter.session.endRequested(); // a signal as well: nothing more happens
        meter.session.saveRequested();
        QCOMPARE(unloaded.count(), 1);
    }
};

QTEST_MAIN(SessionEndTest)
#include "test_SessionEnd.moc"
