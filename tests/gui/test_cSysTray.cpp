#include "meter/desktop/tray/cSysTray.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QtTest>

namespace {

QIcon SolidIcon(const QColor& colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

QRgb TopLeftPixel(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixel(0, 0);
}

} // namespace

class cSysTrayTest : public QObject {
    Q_OBJECT
private slots:
    void inTrayTwiceAddsOnceAndRemovesOnce() {
        cSysTray tray;
        QVERIFY(!tray.InTray());
        QVERIFY(!tray.shown());

        tray.setInTray(true);
        tray.setInTray(true);
        QVERIFY(tray.InTray());
        QVERIFY(tray.shown());
        QCOMPARE(tray.addCount(), 1);

        tray.setInTray(false);
        tray.setInTray(false);
        QVERIFY(!tray.InTray());
        QVERIFY(!tray.shown());
        QCOMPARE(tray.removeCount(), 1);

        // Out of the tray from the start: nothing to remove.
        cSysTray idle;
        idle.setInTray(false);
        QCOMPARE(idle.removeCount(), 0);
    }

    void tipAndIconSetOutOfTheTrayAreUsedWhenAdded() {
        cSysTray tray;
        tray.setInTray(true);
        tray.setTrayTip(QStringLiteral("first"));
        tray.setInTray(false);

        tray.setTrayTip(QStringLiteral("Dialtoll - 作者:Tavi"));
        tray.setTrayIcon(SolidIcon(Qt::red));
        QCOMPARE(tray.shownTip(), QStringLiteral("first"));
        QVERIFY(TopLeftPixel(tray.systemTrayIcon().icon()) != QColor(Qt::red).rgb());

        tray.setInTray(true);
        QCOMPARE(tray.shownTip(), QStringLiteral("Dialtoll - 作者:Tavi"));
        QCOMPARE(TopLeftPixel(tray.systemTrayIcon().icon()), QColor(Qt::red).rgb());
    }

    void changesInTheTrayAreShownAtOnce() {
        cSysTray tray;
        tray.setInTray(true);
        tray.setTrayTip(QStringLiteral("Dialtoll(联机) - 作者:Tavi 计划时间剩余:1800 秒"));
        QCOMPARE(tray.shownTip(),
                 QStringLiteral("Dialtoll(联机) - 作者:Tavi 计划时间剩余:1800 秒"));
        tray.setTrayIcon(SolidIcon(Qt::blue));
        QCOMPARE(TopLeftPixel(tray.systemTrayIcon().icon()), QColor(Qt::blue).rgb());
    }

    void longTipIsKeptWholeButShownCut() {
        cSysTray tray;
        tray.setInTray(true);
        const QString tip = QString(40, QChar(0x4E2D)); // 80 bytes in GBK
        tray.setTrayTip(tip);
        QCOMPARE(tray.TrayTip(), tip);
        QCOMPARE(tray.shownTip(), QString(31, QChar(0x4E2D)));
    }

    void docksWhenATrayHostAppears() {
        bool trayHost = false;
        cSysTray tray(nullptr, [&trayHost] { return trayHost; });
        QSignalSpy docked(&tray, &cSysTray::dockedChanged);
        tray.setInTray(true);
        QVERIFY(tray.shown()); // handed over at once, for the toolkit to dock later
        QVERIFY(!tray.docked());

        trayHost = true; // the panel starts after the program
        QTRY_VERIFY(tray.docked());
        QCOMPARE(docked.count(), 1);
        trayHost = false; // and goes away
        QTRY_VERIFY(!tray.docked());
        QCOMPARE(docked.count(), 2);

        trayHost = true;
        QTRY_VERIFY(tray.docked());
        tray.setInTray(false);
        QVERIFY(!tray.docked());
        trayHost = false;
        tray.checkTray();
        QCOMPARE(docked.count(), 4);
    }

    void nullIconIsIgnored() {
        cSysTray tray;
        tray.setTrayIcon(SolidIcon(Qt::green));
        tray.setInTray(true);
        tray.setTrayIcon(QIcon());
        QVERIFY(!tray.TrayIcon().isNull());
        QCOMPARE(TopLeftPixel(tray.TrayIcon()), QColor(Qt::green).rgb());
        QCOMPARE(TopLeftPixel(tray.systemTrayIcon().icon()), QColor(Qt::green).rgb());
    }

    void newControlHasAnIconToShow() {
        cSysTray tray;
        QVERIFY(!tray.TrayIcon().isNull());
        QVERIFY(!tray.TrayIcon().pixmap(16, 16).isNull());
    }

    void activationBecomesMouseEvents_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QList<QList<int>>>("downs");
        QTest::addColumn<QList<QList<int>>>("ups");
        QTest::addColumn<QList<QList<int>>>("doubles");
        const QList<QList<int>> none;
        QTest::newRow("left click") << int(QSystemTrayIcon::Trigger) << QList<QList<int>>{{1, 0}}
                                    << QList<QList<int>>{{1, 0}} << none;
        QTest::newRow("right click") << int(QSystemTrayIcon::Context) << QList<QList<int>>{{2, 0}}
                                     << QList<QList<int>>{{2, 0}} << none;
        QTest::newRow("double click")
            << int(QSystemTrayIcon::DoubleClick) << none << none << QList<QList<int>>{{1, 0}};
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << none << none << none;
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << none << none << none;
    }

    void activationBecomesMouseEvents() {
        QFETCH(int, reason);
        QFETCH(QList<QList<int>>, downs);
        QFETCH(QList<QList<int>>, ups);
        QFETCH(QList<QList<int>>, doubles);

        cSysTray tray;
        tray.setInTray(true);
        QList<QString> order;
        connect(&tray, &cSysTray::MouseDown, this, [&](int, int) { order << "down"; });
        connect(&tray, &cSysTray::MouseUp, this, [&](int, int) { order << "up"; });
        QSignalSpy down(&tray, &cSysTray::MouseDown);
        QSignalSpy up(&tray, &cSysTray::MouseUp);
        QSignalSpy dbl(&tray, &cSysTray::MouseDblClick);
        QSignalSpy move(&tray, &cSysTray::MouseMove);

        emit tray.systemTrayIcon().activated(QSystemTrayIcon::ActivationReason(reason));

        const auto args = [](const QSignalSpy& spy) {
            QList<QList<int>> all;
            for (const QList<QVariant>& call : spy)
                all << QList<int>{call.at(0).toInt(), call.at(1).toInt()};
            return all;
        };
        QCOMPARE(args(down), downs);
        QCOMPARE(args(up), ups);
        QCOMPARE(args(dbl), doubles);
        QCOMPARE(move.count(), 0);
        if (!downs.isEmpty())
            QCOMPARE(order, (QList<QString>{"down", "up"}));
    }
};

QTEST_MAIN(cSysTrayTest)
#include "test_cSysTray.moc"
