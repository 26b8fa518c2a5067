#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/fleet/FleetConfig.h"
#include "platform/fake/ScriptedFileChooser.h"
#include "platform/fake/ScriptedPrompter.h"
#include "statdesk/CxyGl.h"
#include "statdesk/GroupTableModel.h"
#include "statdesk/ServerSessionSource.h"
#include "statdesk/SessionTableModel.h"
#include "support/CsvReader.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTcpServer>
#include <QtTest>
#include <condition_variable>
#include <mutex>

namespace {

using Icon = ScriptedPrompter::Icon;

class NoPrinter : public GridPrinter {
public:
    QString print(const QImage&) override { return {}; }
};

// A server that answers what it is told, and holds its answer back while it is held.
class FakeServer : public ServerSessionSource {
public:
    SessionListing read(const std::optional<QString>& account, qint64 from, qint64 to) override {
        std::unique_lock lock(m_mutex);
        ++m_calls;
        m_asked = QStringLiteral("%1 %2-%3").arg(account.value_or("<everyone>")).arg(from).arg(to);
        m_released.wait(lock, [this] { return !m_held; });
        ++m_answered;
        if (m_failure)
            throw *m_failure;
        return m_answer;
    }

    void answer(SessionListing listing) {
        const std::lock_guard lock(m_mutex);
        m_answer = std::move(listing);
        m_failure.reset();
    }
    void fail(ServerReadError error) {
        const std::lock_guard lock(m_mutex);
        m_failure = std::move(error);
    }
    void hold() {
        const std::lock_guard lock(m_mutex);
        m_held = true;
    }
    void release() {
        {
            const std::lock_guard lock(m_mutex);
            m_held = false;
        }
        m_released.notify_all();
    }
    int calls() {
        const std::lock_guard lock(m_mutex);
        return m_calls;
    }
    int answered() {
        const std::lock_guard lock(m_mutex);
        return m_answered;
    }
    QString asked() {
        const std::lock_guard lock(m_mutex);
        return m_asked;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_held = false;
    int m_calls = 0;
    int m_answered = 0;
    QString m_asked;
    SessionListing m_answer;
    std::optional<ServerReadError> m_failure;
};

SessionRow Row(int pc, int user, const char* day, const char* fromT, qint64 fee, double seconds) {
    SessionRow row;
    row.pc = pc;
    row.user = user;
    row.rowId = 1;
    row.times = QStringList({day, fromT, day, "23:00:00"}).join(SessionRow::Separator);
    row.seconds = seconds;
    row.shownSeconds = seconds;
    row.fee = fee;
    row.count = 1;
    return row;
}

// What the fake server holds: two PCs, three sessions, two of them on one day.
SessionListing ServerRows() {
    SessionListing listing;
    listing.users = {"alice", "bob"};
    listing.pcs = {"机房1号", "机房2号"};
    listing.rows = {Row(0, 0, "20260302", "9:00:00", 10000, 3600),
                    Row(1, 1, "20260302", "10:00:00", 5000, 1800),
                    Row(1, 0, "20260303", "8:00:00", 2500, 60)};
    return listing;
}

// A data folder with a store holding one finished session of alice in March 2026, and
// fleet.ini with the given lines.
struct Fixture {
    explicit Fixture(const QByteArray& fleetIni) {
        OpenStore(folder.file(Store::FileName), QDate(2026, 3, 1));
        Store store;
        if (!store.open(folder.file(Store::FileName)) ||
            !store.execute("insert into Notes (User,FromD,ToD,FromT,ToT,Count,ThisMoney,ThisTm) "
                           "values ('alice','20260301','20260301','10:00:00','10:01:00',1,0.5,"
                           "60)"))
            qFatal("fixture store: %s", qPrintable(store.lastError()));
        if (!fleetIni.isNull()) {
            QFile file(folder.file(FleetConfig::FileName));
            if (!file.open(QIODevice::WriteOnly) || file.write(fleetIni) != fleetIni.size())
                qFatal("fixture fleet.ini");
        }
    }

    std::unique_ptr<CxyGl> window(std::shared_ptr<ServerSessionSource> source = nullptr) {
        auto chooser = std::make_unique<ScriptedFileChooser>();
        files = chooser.get();
        auto w = std::make_unique<CxyGl>(prompter, folder.path(), std::make_unique<NoPrinter>(),
                                         std::move(chooser), std::move(source));
        w->Form_Load();
        for (const char* name : {"Cb2", "Cb5"})
            w->findChild<QComboBox*>(name)->setEditText("2026");
        for (const char* name : {"Cb3", "Cb6"})
            w->findChild<QComboBox*>(name)->setEditText("3");
        w->show();
        return w;
    }

    TempFolder folder;
    ScriptedPrompter prompter;
    ScriptedFileChooser* files = nullptr;
};

const QByteArray FleetOn = "[Server]\nConnection=host=/nonexistent dbname=x\nPcName=前台\n";

QStringList Headers(const CxyGl& w) {
    QStringList headers;
    for (int c = 0; c < w.sessions().columnCount(); ++c)
        headers << w.sessions().headerText(c);
    return headers;
}

// Column `column` of every row, the totals row included.
QStringList Cells(const ListingModel& model, int column) {
    QStringList cells;
    for (int r = 0; r < model.rowCount(); ++r)
        cells << model.cellText(r, column);
    return cells;
}

// The widget Tab moves to from `widget` (past the line edit of an editable box).
QWidget* NextTabStop(QWidget* widget) {
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && (!(next->focusPolicy() & Qt::TabFocus) || widget->isAncestorOf(next)))
        next = next->nextInFocusChain();
    return next;
}

QPushButton* Button(const CxyGl& w, const char* name) {
    return w.findChild<QPushButton*>(QLatin1String(name));
}

} // namespace

class CxyGlFleet : public QObject {
    Q_OBJECT
private slots:
    // Without a server in fleet.ini the window is the single-PC one.
    void fleetModeOffLeavesTheWindowAsItWas_data() {
        QTest::addColumn<QByteArray>("fleetIni");
        QTest::newRow("no fleet.ini") << QByteArray();
        QTest::newRow("empty connection") << QByteArray("[Server]\nConnection=\nPcName=x\n");
    }
    void fleetModeOffLeavesTheWindowAsItWas() {
        QFETCH(QByteArray, fleetIni);
        Fixture fixture(fleetIni);
        auto w = fixture.window();
        QVERIFY(!w->isFleetMode());
        QVERIFY(!w->findChild<QComboBox*>("Source"));
        QVERIFY(!w->findChild<QLabel*>("lblBusy"));
        QCOMPARE(Headers(*w), QStringList({"序号", "用户名", "上网时间", "下网时间", "漫游时长",
                                           "当次花费", "当时次数"}));
        QTest::mouseClick(Button(*w, "Command1"), Qt::LeftButton);
        QCOMPARE(w->sessions().rowCount(), 2);
        QCOMPARE(w->sessions().cellText(0, 1), QString("alice"));
        QVERIFY(Button(*w, "Command3")->isEnabled());
    }

    // The source box heads the row of how the listing is shown, and Tab reaches it in that
    // order; this PC's listing carries the name fleet.ini gives.
    void thisPcIsListedWithItsName() {
        Fixture fixture(FleetOn);
        auto server = std::make_shared<FakeServer>();
        auto w = fixture.window(server);
        QVERIFY(w->isFleetMode());
        auto* source = w->findChild<QComboBox*>("Source");
        QVERIFY(source);
        QCOMPARE(source->count(), 2);
        QCOMPARE(source->itemText(0), QString("本机"));
        QCOMPARE(source->itemText(1), QString("全部电脑"));
        QCOMPARE(source->currentIndex(), 0);
        QCOMPARE(w->findChild<QLabel*>("lblSource")->buddy(), source);
        auto* view = w->findChild<QComboBox*>("cbView");
        QCOMPARE(NextTabStop(w->findChild<QComboBox*>("Cb7")), source);
        QCOMPARE(NextTabStop(source), view);
        QCOMPARE(source->y(), view->y());
        QVERIFY(source->x() < view->x());
        QCOMPARE(source->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        // At the window's first size every text of the controls shows whole.
        for (QWidget* control : source->parentWidget()->findChildren<QWidget*>()) {
            if (!control->isVisible() || control->sizeHint().width() <= 0 ||
                !(qobject_cast<QLabel*>(control) || qobject_cast<QPushButton*>(control) ||
                  qobject_cast<QComboBox*>(control)))
                continue;
            QVERIFY2(control->width() >= control->sizeHint().width(),
                     qPrintable(control->objectName()));
        }

        QTest::mouseClick(Button(*w, "Command1"), Qt::LeftButton);
        QCOMPARE(server->calls(), 0);
        QCOMPARE(Headers(*w), QStringList({"序号", "电脑", "用户名", "上网时间", "下网时间",
                                           "漫游时长", "当次花费", "当时次数"}));
        QCOMPARE(Cells(w->sessions(), 1), QStringList({"前台", ""}));
        QCOMPARE(Cells(w->sessions(), 2), QStringList({"alice", ""}));
        QVERIFY(Button(*w, "Command3")->isEnabled());
        QVERIFY(Button(*w, "Command3")->toolTip().isEmpty());
    }

    // Choosing all PCs reads the server off the window's thread: the window stays usable and
    // says it is busy until the rows arrive; then the rows, totals, groups and export follow.
    void allPcsListsTheServerRows() {
        Fixture fixture(FleetOn);
        auto server = std::make_shared<FakeServer>();
        server->answer(ServerRows());
        server->hold();
        auto w = fixture.window(server);
        w->findChild<QComboBox*>("Cb1")->setEditText("所有人");
        w->findChild<QComboBox*>("Source")->setCurrentIndex(CxyGl::AllPcs);

        QTRY_COMPARE(server->calls(), 1);
        QCOMPARE(server->asked(), QString("<everyone> 20260301-20260331"));
        QVERIFY(w->isReadingServer());
        QVERIFY(w->findChild<QLabel*>("lblBusy")->isVisible());
        QVERIFY(!Button(*w, "Command1")->isEnabled());
        QVERIFY(!Button(*w, "Command3")->isEnabled());
        QCOMPARE(w->sessions().rowCount(), 0);
        // The event loop runs while the server is silent.
        QTest::qWait(50);
        QVERIFY(w->findChild<QComboBox*>("Source")->isEnabled());

        server->release();
        QTRY_VERIFY(!w->isReadingServer());
        QVERIFY(!w->findChild<QLabel*>("lblBusy")->isVisible());
        QVERIFY(Button(*w, "Command1")->isEnabled());
        QVERIFY(fixture.prompter.messages().isEmpty());
        const SessionTableModel& rows = w->sessions();
        QCOMPARE(Cells(rows, 1), QStringList({"机房1号", "机房2号", "机房2号", ""}));
        QCOMPARE(Cells(rows, 2), QStringList({"alice", "bob", "alice", ""}));
        QCOMPARE(rows.cellText(3, rows.columnOf(SessionTableModel::Duration)), QString("1:31:00"));
        QCOMPARE(rows.cellText(3, rows.columnOf(SessionTableModel::Fee)), QString("1.7500 元"));

        // Deleting stays with each PC's own listing.
        QPushButton* command3 = Button(*w, "Command3");
        QVERIFY(!command3->isEnabled());
        QVERIFY(command3->toolTip().contains("本机"));
        w->selectRows(0, 0);
        fixture.prompter.answerNext(true);
        w->Command3_Click();
        QCOMPARE(fixture.prompter.messages().size(), 1);
        QCOMPARE(fixture.prompter.messages().first().icon, Icon::Error);
        QCOMPARE(rows.sessionCount(), 3);
        fixture.prompter.clear();

        w->setView(CxyGl::ByDay);
        QCOMPARE(Cells(w->groups(), GroupTableModel::Sessions), QStringList({"2", "1", "3"}));
        w->setView(CxyGl::Detail);
        QVERIFY(!command3->isEnabled());

        const QString csv = fixture.folder.file("all.csv");
        fixture.files->answerNext(csv);
        Button(*w, "cmdExport")->click();
        QVERIFY2(fixture.files->requests().last().suggested.endsWith(
                     "/Dialtoll统计_全部电脑_所有人_20260301-20260331.csv"),
                 qPrintable(fixture.files->requests().last().suggested));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto records = ReadCsv(QString::fromUtf8(file.readAll().mid(3)));
        QVERIFY(records);
        QCOMPARE(records->size(), 5);
        QCOMPARE(records->at(0).mid(0, 3), QStringList({"序号", "电脑", "用户名"}));
        QCOMPARE(records->at(2).mid(0, 3), QStringList({"2", "机房2号", "bob"}));

        // Back to this PC: its own rows, and deleting is allowed again.
        w->setSource(CxyGl::ThisPc);
        QCOMPARE(Cells(w->sessions(), 1), QStringList({"前台", ""}));
        QVERIFY(command3->isEnabled());
        QVERIFY(command3->toolTip().isEmpty());
    }

    // Going back to this PC while the server is silent lists this PC at once; the server's
    // late answer is dropped.
    void aLateServerAnswerIsDropped() {
        Fixture fixture(FleetOn);
        auto server = std::make_shared<FakeServer>();
        server->answer(ServerRows());
        server->hold();
        auto w = fixture.window(server);
        w->setSource(CxyGl::AllPcs);
        QTRY_COMPARE(server->calls(), 1);
        w->setSource(CxyGl::ThisPc);
        QVERIFY(!w->isReadingServer());
        QVERIFY(Button(*w, "Command1")->isEnabled());
        QCOMPARE(Cells(w->sessions(), 1), QStringList({"前台", ""}));
        server->release();
        QTRY_COMPARE(server->answered(), 1);
        QTest::qWait(50);
        QCOMPARE(Cells(w->sessions(), 1), QStringList({"前台", ""}));
        QVERIFY(fixture.prompter.messages().isEmpty());
    }

    // A failure is said, and the grid holds no other source's rows.
    void serverFailuresAreSaid_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("unreachable")
            << int(ServerReadError::Unreachable) << "无法连接服务器：connection refused";
        QTest::newRow("query failed")
            << int(ServerReadError::Failed) << "读取服务器上的记录失败：connection refused";
    }
    void serverFailuresAreSaid() {
        QFETCH(int, kind);
        QFETCH(QString, message);
        Fixture fixture(FleetOn);
        auto server = std::make_shared<FakeServer>();
        server->fail({ServerReadError::Kind(kind), "connection refused"});
        auto w = fixture.window(server);
        QTest::mouseClick(Button(*w, "Command1"), Qt::LeftButton);
        w->setSource(CxyGl::AllPcs);
        QTRY_COMPARE(fixture.prompter.messages().size(), 1);
        QCOMPARE(fixture.prompter.messages().first().icon, Icon::Error);
        QCOMPARE(fixture.prompter.messages().first().text, message);
        QVERIFY(!w->isReadingServer());
        QCOMPARE(w->sessions().rowCount(), 0);
        QVERIFY(!Button(*w, "Command3")->isEnabled());
        QVERIFY(!Button(*w, "cmdExport")->isEnabled());
    }

    // The real connection of fleet.ini, to a port where nothing listens: the message comes and
    // the window never waits.
    void noServerListeningIsSaid() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        Fixture fixture(QStringLiteral("[Server]\nConnection=host=127.0.0.1 port=%1 dbname=x "
                                       "user=x connect_timeout=5\n")
                            .arg(port)
                            .toUtf8());
        auto w = fixture.window();
        QElapsedTimer clock;
        clock.start();
        w->setSource(CxyGl::AllPcs);
        // The choice returns before the server answers.
        QVERIFY(w->isReadingServer() || !fixture.prompter.messages().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(fixture.prompter.messages().size(), 1, 20000);
        QVERIFY2(fixture.prompter.messages().first().text.startsWith("无法连接服务器："),
                 qPrintable(fixture.prompter.messages().first().text));
        QVERIFY(!w->isReadingServer());
    }
};

QTEST_MAIN(CxyGlFleet)
#include "test_CxyGlFleet.moc"
