#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/fleet/FleetConfig.h"
#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"
#include "common/fleet/ServerSchema.h"
#include "platform/fake/ScriptedPrompter.h"
#include "statdesk/CxyGl.h"
#include "statdesk/SessionTableModel.h"
#include "support/PgTestCluster.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

namespace {

class NoPrinter : public GridPrinter {
public:
    QString print(const QImage&) override { return {}; }
};

QStringList Column(const SessionTableModel& model, SessionTableModel::Column column) {
    QStringList cells;
    for (int r = 0; r < model.rowCount(); ++r)
        cells << model.cellText(r, model.columnOf(column));
    return cells;
}

} // namespace

// Statdesk as fleet.ini sets it up, against a real server holding two PCs' sessions.
class CxyGlServer : public QObject {
    Q_OBJECT
private slots:
    void listsBothPcsWithTheirTotals() {
        if (const QString why = PgTestCluster::unavailableReason(); !why.isEmpty())
            QSKIP(qPrintable("SKIPPED: " + why));
        PgTestCluster cluster;
        QVERIFY2(cluster.start(), qPrintable(cluster.error()));
        try {
            PgConnection owner(cluster.superuserConninfo());
            owner.connect();
            ServerSchema::Install(owner);
            owner.exec("insert into dialtoll.pcs (pc_id, name) values "
                       "('aaaaaaaa-0000-4000-8000-000000000001', '机房1号'), "
                       "('bbbbbbbb-0000-4000-8000-000000000002', '机房2号')");
            owner.exec(
                "insert into dialtoll.sessions (pc_id, row_id, save_seq, account, count, from_d, "
                "from_t, to_d, to_t, this_money, this_tm) values "
                "('aaaaaaaa-0000-4000-8000-000000000001', 1, 3, 'alice', 1, '20260302', "
                "'9:00:00', '20260302', '10:00:00', 1.5, 3600), "
                "('aaaaaaaa-0000-4000-8000-000000000001', 2, 3, 'Master', 1, '20260302', "
                "'9:00:00', '20260302', '10:00:00', 1.5, 3600), "
                "('bbbbbbbb-0000-4000-8000-000000000002', 1, 2, 'bob', 1, '20260303', "
                "'20:00:00', '20260303', '20:30:00', 0.75, 1800)");
        } catch (const FleetError& error) {
            QFAIL(qPrintable("setting up the server: " + error.message));
        }
        QVERIFY(cluster.createLoginRole("office", "pw", {ServerSchema::AdminRole}));

        TempFolder folder;
        OpenStore(folder.file(Store::FileName), QDate(2026, 3, 1));
        {
            QSettings fleet(folder.file(FleetConfig::FileName), QSettings::IniFormat);
            // The PC's own role could read its own rows only; the listing of all PCs goes
            // through the administrator's.
            fleet.setValue("Server/Connection", cluster.conninfo("pc-3", "x"));
            fleet.setValue("Server/AdminConnection", cluster.conninfo("office", "pw"));
            fleet.setValue("Server/PcName", "前台");
        }
        ScriptedPrompter prompter;
        CxyGl w(prompter, folder.path(), std::make_unique<NoPrinter>());
        w.Form_Load();
        for (const char* name : {"Cb2", "Cb5"})
            w.findChild<QComboBox*>(name)->setEditText("2026");
        for (const char* name : {"Cb3", "Cb6"})
            w.findChild<QComboBox*>(name)->setEditText("3");
        w.show();
        QVERIFY(w.isFleetMode());
        w.setSource(CxyGl::AllPcs);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isReadingServer(), 20000);
        QVERIFY2(prompter.messages().isEmpty(), qPrintable(prompter.messages().value(0).text));
        const SessionTableModel& rows = w.sessions();
        QCOMPARE(Column(rows, SessionTableModel::Pc), QStringList({"机房1号", "机房2号", ""}));
        QCOMPARE(Column(rows, SessionTableModel::User), QStringList({"alice", "bob", ""}));
        QCOMPARE(Column(rows, SessionTableModel::Duration),
                 QStringList({"1:00:00", "0:30:00", "1:30:00"}));
        QCOMPARE(Column(rows, SessionTableModel::Fee),
                 QStringList({"1.5000 元", "0.7500 元", "2.2500 元"}));
        QVERIFY(!w.findChild<QPushButton*>("Command3")->isEnabled());
    }
};

QTEST_MAIN(CxyGlServer)
#include "test_CxyGlServer.moc"
