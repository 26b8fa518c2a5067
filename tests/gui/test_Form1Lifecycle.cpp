#include "common/Store.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/tray/cSysTray.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/RecordAccess.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QtTest>
#include <memory>

namespace {

const QString ExePath = QStringLiteral("/opt/dialtoll/Dialtoll");

struct Meter : FakePlatform {
    explicit Meter(const TempFolder& folder) : form(meterServices(folder.path(), ExePath)) {}
    Form1 form;
};

QString PlanValue(const TempFolder& folder, const QString& key) {
    return ReadIni(QStringLiteral("时间"), key, QStringLiteral("<missing>"),
                   folder.file(QStringLiteral("Setting.ini")));
}

void WritePlan(const TempFolder& folder, const QString& value, const QString& custom) {
    const QString path = folder.file(QStringLiteral("Setting.ini"));
    WriteIni(QStringLiteral("时间"), QStringLiteral("Value"), value, path);
    WriteIni(QStringLiteral("时间"), QStringLiteral("Custom"), custom, path);
}

std::optional<QString> RunEntry(FakeRegistry& registry) {
    return registry.value(RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue);
}

} // namespace

class Form1Lifecycle : public QObject {
    Q_OBJECT
private slots:
    void firstStartCreatesTheDatabaseAndShowsOnlyTheTray() {
        TempFolder folder;
        Meter meter(folder);
        meter.form.Form_Load();

        QVERIFY(QFile::exists(folder.file("veyranettimer.dat")));
        QVERIFY(meter.form.storeDb().isOpen());
        // The icon is asked for in any case; where the desktop has no tray (as offscreen),
        // the window shows instead.
        const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
        QVERIFY(meter.form.tray().InTray());
        QCOMPARE(meter.form.tray().docked(), trayAvailable);
        QCOMPARE(meter.form.isVisible(), !trayAvailable);
        QCOMPARE(meter.form.selectedPreset(), std::optional<int>(5));
        QCOMPARE(meter.form.findChild<QLineEdit*>("Text1")->text(), QString("120"));
        QCOMPARE(SelectUser(meter.form.storeDb(), "Users", "Master", "Password", "").toString(),
                 QString("qxmeter"));
        QVERIFY(meter.prompter.messages().isEmpty());
    }

    void presetsHaveTheirCaptionsInOneColumn() {
        TempFolder folder;
        Meter meter(folder);
        meter.form.Form_Load();
        const QList<QPair<int, QString>> captions = {
            {0, "5  分钟"}, {1, "10 分钟"}, {18, "95 分钟"}, {19, "100分钟"}};
        for (const auto& [index, caption] : captions) {
            auto* op = meter.form.findChild<QRadioButton*>(QStringLiteral("Op%1").arg(index));
            QVERIFY(op);
            QCOMPARE(op->text(), caption);
        }
        const auto* op0 = meter.form.preset(0);
        const auto* op19 = meter.form.preset(19);
        QCOMPARE(op19->x(), op0->x());
        QCOMPARE(op19->y() - op0->y(), 19 * 17); // 255 twips each
        QCOMPARE(meter.form.findChild<QRadioButton*>("Opt")->text(), QString("指定时间:"));
    }

    void restoresTheRememberedChoice_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("custom");
        QTest::addColumn<int>("preset"); // -1: the custom option
        QTest::addColumn<QString>("text1");
        QTest::newRow("custom") << "Custom"
                                << "45" << -1 << "45";
        QTest::newRow("last preset") << "19"
                                     << "120" << 19 << "120";
        QTest::newRow("out of range") << "25"
                                      << "120" << 5 << "120";
        QTest::newRow("not a number") << "abc"
                                      << "60" << 0 << "60";
    }
    void restoresTheRememberedChoice() {
        QFETCH(QString, value);
        QFETCH(QString, custom);
        QFETCH(int, preset);
        QFETCH(QString, text1);
        TempFolder folder;
        WritePlan(folder, value, custom);
        Meter meter(folder);
        meter.form.Form_Load();
        if (preset < 0) {
            QVERIFY(meter.form.findChild<QRadioButton*>("Opt")->isChecked());
            QCOMPARE(meter.form.selectedPreset(), std::nullopt);
        } else {
            QCOMPARE(meter.form.selectedPreset(), std::optional<int>(preset));
        }
        QCOMPARE(meter.form.findChild<QLineEdit*>("Text1")->text(), text1);
    }

    void shutdownWritesTheChoice_data() {
        QTest::addColumn<int>("preset"); // -1: the custom option
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("custom");
        QTest::newRow("preset 12") << 12 << "120"
                                   << "12"
                                   << "120";
        QTest::newRow("custom") << -1 << "45.50"
                                << "Custom"
                                << "45.5";
        QTest::newRow("no leading number") << 3 << "abc"
                                           << "3"
                                           << "0";
    }
    void shutdownWritesTheChoice() {
        QFETCH(int, preset);
        QFETCH(QString, text1);
        QFETCH(QString, value);
        QFETCH(QString, custom);
        TempFolder folder;
        Meter meter(folder);
        meter.form.Form_Load();
        if (preset < 0)
            meter.form.findChild<QRadioButton*>("Opt")->setChecked(true);
        else
            meter.form.preset(preset)->setChecked(true);
        meter.form.findChild<QLineEdit*>("Text1")->setText(text1);

        QSignalSpy unloaded(&meter.form, &Form1::unloaded);
        QVERIFY(meter.form.Form_Unload());
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!meter.form.storeDb().isOpen());
        QCOMPARE(PlanValue(folder, "Value"), value);
        QCOMPARE(PlanValue(folder, "Custom"), custom);
    }

    void shutdownFollowsAutoRun() {
        TempFolder folder;
        {
            Meter meter(folder);
            meter.form.Form_Load();
            QVERIFY(meter.form.Form_Unload());
            QCOMPARE(RunEntry(meter.registry), std::optional<QString>(ExePath));
        }
        Meter meter(folder);
        meter.registry.preset(RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue,
                              "old");
        meter.form.Form_Load();
        UpdateUserField(meter.form.storeDb(), "Masterset", "Master", "AutoRun", "0");
        QVERIFY(meter.form.Form_Unload());
        QCOMPARE(RunEntry(meter.registry), std::nullopt);
    }

    void unreadableDatabaseStillStartsAndWritesTheRunEntry() {
        TempFolder folder;
        {
            QFile garbage(folder.file("veyranettimer.dat"));
            QVERIFY(garbage.open(QIODevice::WriteOnly));
            garbage.write(QByteArray(4096, 'x'));
        }
        Meter meter(folder);
        meter.form.Form_Load();
        QVERIFY(!meter.form.storeDb().isOpen());
        QCOMPARE(meter.form.selectedPreset(), std::optional<int>(5));
        QVERIFY(meter.form.Form_Unload());
        QCOMPARE(RunEntry(meter.registry), std::optional<QString>(ExePath));
        QCOMPARE(PlanValue(folder, "Value"), QString("5"));
    }

    void exitPasswordRefusesShutdownUntilLifted() {
        TempFolder folder;
        Meter meter(folder);
        meter.form.Form_Load();
        QSignalSpy asked(&meter.form, &Form1::exitPasswordRequested);
        meter.form.engine().CanExt(true);
        QVERIFY(!meter.form.Form_Unload());
        QCOMPARE(asked.count(), 1);
        QVERIFY(meter.form.storeDb().isOpen());
        QVERIFY(!QFile::exists(folder.file("Setting.ini")));

        meter.form.engine().CanExt(false);
        QVERIFY(meter.form.Form_Unload());
        QCOMPARE(PlanValue(folder, "Value"), QString("5"));
    }
};

QTEST_MAIN(Form1Lifecycle)
#include "test_Form1Lifecycle.moc"
