// The meter in fleet mode and out of it: with "fleet.ini" naming a server the store gets its
// outbox, saves go to the server from a worker and the tray tip shows what waits; without it
// nothing of that exists.
#include "common/Store.h"
#include "common/fleet/FleetConfig.h"
#include "meter/desktop/Form1.h"
#include "meter/desktop/tray/cSysTray.h"
#include "meter/fleet/FleetLocalSchema.h"
#include "platform/fake/FakeFleetTransport.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QtTest>

namespace {

const QString ExePath = QStringLiteral("/opt/dialtoll/Dialtoll");

// Hands the uploader a line to the test's server, which outlives the uploader.
class ServerLine : public FleetTransport {
public:
    explicit ServerLine(FakeFleetTransport& server) : m_server(server) {}
    void connect() override { m_server.connect(); }
    bool isConnected() const override { return m_server.isConnected(); }
    void disconnect() override { m_server.disconnect(); }
    void registerPc(const QString& id, const QString& name) override {
        m_server.registerPc(id, name);
    }
    QList<FleetUploadStatus> upload(const QString& id,
                                    const QList<FleetSessionRecord>& records) override {
        return m_server.upload(id, records);
    }
    QList<FleetAccount> fetchAccounts() override { return m_server.fetchAccounts(); }

private:
    FakeFleetTransport& m_server;
};

struct Meter : FakePlatform {
    explicit Meter(const TempFolder& folder) : form(services(folder)) {}
    MeterServices services(const TempFolder& folder) {
        MeterServices given = meterServices(folder.path(), ExePath);
        given.fleetTransport = [this](const FleetConfig& config) {
            configs << config;
            return std::make_unique<ServerLine>(server);
        };
        return given;
    }
    void linkUp() {
        network.setConnected(true);
        form.engine().EvtTimer();
    }

    FakeFleetTransport server;
    QList<FleetConfig> configs;
    Form1 form;
};

int FleetTables(Store& store) {
    StoreQuery query = store.query("select count(*) from sqlite_master where name like 'Fleet%'");
    return query.next() ? query.value(0).toInt() : -1;
}

} // namespace

class Form1Fleet : public QObject {
    Q_OBJECT
private slots:
    void withoutAServerNothingChanges() {
        TempFolder folder;
        Meter meter(folder);
        meter.form.Form_Load();
        meter.linkUp();
        meter.form.engine().AutoSave();
        QCOMPARE(FleetTables(meter.form.storeDb()), 0);
        QVERIFY(meter.configs.isEmpty());
        QVERIFY(!meter.form.tray().TrayTip().contains("未上传"));
        QVERIFY(meter.form.Form_Unload());
    }

    void savesGoToTheServerAndWhatWaitsShowsInTheTip() {
        TempFolder folder;
        QFile ini(folder.file(FleetConfig::FileName));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Server]\nConnection=host=ledger.example dbname=dialtoll\nPcName=Lab PC 3\n");
        ini.close();
        Meter meter(folder);
        meter.server.setDown(true);
        meter.form.Form_Load();
        QCOMPARE(meter.configs.size(), 1);
        QCOMPARE(meter.configs.first().connection, "host=ledger.example dbname=dialtoll");
        QVERIFY(FleetLocalSchema::exists(meter.form.storeDb()));
        const QString pcId = FleetLocalSchema::pcId(meter.form.storeDb());

        // The opening waits for the server; the tip says so.
        meter.linkUp();
        QTRY_VERIFY_WITH_TIMEOUT(meter.form.tray().TrayTip().startsWith("未上传: 2\n"), 10000);

        // Back: the retry sends it and the line goes.
        meter.server.setDown(false);
        QTRY_VERIFY_WITH_TIMEOUT(!meter.form.tray().TrayTip().contains("未上传"), 10000);
        QCOMPARE(meter.server.rows(pcId).size(), 2);
        QCOMPARE(meter.server.pcs().value(pcId), "Lab PC 3");

        // A save wakes the uploader at once.
        meter.clock.advance(60'000);
        meter.form.engine().Timer1();
        meter.form.engine().AutoSave();
        QTRY_VERIFY_WITH_TIMEOUT(meter.server.rows(pcId).first().thisTm == 60, 5000);
        QVERIFY(meter.form.Form_Unload());
    }
};

QTEST_MAIN(Form1Fleet)
#include "test_Form1Fleet.moc"
