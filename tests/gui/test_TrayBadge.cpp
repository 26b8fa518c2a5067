#include "meter/desktop/Form1.h"
#include "meter/desktop/ProgramIcon.h"
#include "meter/desktop/tray/TrayBadge.h"
#include "meter/desktop/tray/cSysTray.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QtTest>

namespace {

using State = TrayBadge::State;

QImage Image(const QIcon& icon, int size) {
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Inside the badge (lower left), beside the exclamation mark of its last state.
QColor BadgeCentre(const QIcon& icon, int size) {
    return Image(icon, size).pixelColor(size / 4 + size / 8, size - size / 4 - 1);
}

} // namespace

class TrayBadgeTest : public QObject {
    Q_OBJECT
private slots:
    void stateFollowsTheLinkAndTheTimeLeft() {
        struct Case {
            bool linked;
            const char* figure;
            State state;
        };
        const Case cases[] = {
            {false, "1800 秒", State::Offline}, {false, "10秒", State::Offline},
            {true, "", State::Online},          {true, "301秒", State::Online},
            {true, "300秒", State::EndingSoon}, {true, "-5秒", State::EndingSoon},
        };
        for (const Case& c : cases)
            QCOMPARE(TrayBadge::StateOf(c.linked, c.figure), c.state);
    }

    void theStatesLookDifferentAtEverySize() {
        for (int size : ProgramIconSizes) {
            const QColor off = BadgeCentre(TrayBadge::Icon(State::Offline), size);
            const QColor on = BadgeCentre(TrayBadge::Icon(State::Online), size);
            const QColor ending = BadgeCentre(TrayBadge::Icon(State::EndingSoon), size);
            // Grey off line, green on line, orange (mostly red) at the end.
            QVERIFY2(qAbs(off.red() - off.green()) < 20 && qAbs(off.green() - off.blue()) < 30,
                     qPrintable(off.name()));
            QVERIFY2(on.green() > on.red() + 60 && on.green() > on.blue() + 60,
                     qPrintable(on.name()));
            QVERIFY2(ending.red() > ending.green() + 60, qPrintable(ending.name()));
            // The program's own icon stays recognisable around the badge.
            QCOMPARE(Image(TrayBadge::Icon(State::Online), size).pixelColor(size / 2, size / 3),
                     ProgramIconPixmap(size).toImage().pixelColor(size / 2, size / 3));
        }
    }

    void theTrayGetsANewIconOnlyWhenTheStateChanges() {
        FakePlatform platform;
        TempFolder folder;
        Form1 form(platform.meterServices(folder.path(), "/opt/dialtoll/Dialtoll"));
        form.tray().setTrayProbe([] { return true; });
        form.Form_Load();
        MeterEngine& engine = form.engine();
        auto iconKey = [&] { return form.tray().TrayIcon().cacheKey(); };
        auto badge = [&] { return BadgeCentre(form.tray().TrayIcon(), 16); };
        const QColor offline = BadgeCentre(TrayBadge::Icon(State::Offline), 16);
        const QColor online = BadgeCentre(TrayBadge::Icon(State::Online), 16);
        const QColor ending = BadgeCentre(TrayBadge::Icon(State::EndingSoon), 16);
        QCOMPARE(badge(), offline);

        engine.Op_Click(1); // 10 minutes
        platform.network.setConnected(true);
        engine.EvtTimer();
        engine.Timer1();
        QCOMPARE(badge(), online);
        const qint64 onlineKey = iconKey();
        platform.clock.advance(299'000);
        engine.Timer1();
        QCOMPARE(engine.figures().Label5, QString("301秒"));
        QCOMPARE(iconKey(), onlineKey);

        platform.clock.advance(1000);
        engine.Timer1();
        QCOMPARE(badge(), ending);
        platform.network.setConnected(false);
        engine.EvtTimer();
        QCOMPARE(badge(), offline);
    }
};

QTEST_MAIN(TrayBadgeTest)
#include "test_TrayBadge.moc"
