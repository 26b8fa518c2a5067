#include "common/OpenStore.h"
#include "common/Store.h"
#include "platform/fake/ScriptedPrompter.h"
#include "statdesk/CxyGl.h"
#include "statdesk/SessionTableModel.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

using Icon = ScriptedPrompter::Icon;

// Records the pictures it is given and answers with a fault when told to.
class FakeGridPrinter : public GridPrinter {
public:
    explicit FakeGridPrinter(QList<QImage>& printed, QString fault)
        : m_printed(printed), m_fault(std::move(fault)) {}
    QString print(const QImage& picture) override {
        m_printed << picture;
        return m_fault;
    }

private:
    QList<QImage>& m_printed;
    QString m_fault;
};

struct Session {
    QString user;
    QString fromD;
    QString toD;
    QVariant count;
    double money = 0;
    int seconds = 0;
    QString fromT = QStringLiteral("10:00:00");
    QString toT = QStringLiteral("10:01:05");
};

// A data folder with a fresh database, a few accounts and the given sessions.
struct Fixture {
    explicit Fixture(const QList<Session>& sessions = {}, bool withStore = true) {
        if (!withStore)
            return;
        OpenStore(path(), QDate(2026, 3, 1));
        if (!store.open(path()))
            qFatal("fixture store: %s", qPrintable(store.lastError()));
        for (const char* name : {"alice", "bob"})
            run("insert into Users (User,Password,RegDate) values (?,'x','2026年3月1日')",
                {QString::fromUtf8(name)});
        for (const Session& s : sessions)
            add(s);
    }

    QString path() const { return folder.file(Store::FileName); }

    void run(const QString& sql, const QVariantList& values = {}) {
        if (!store.execute(sql, values))
            qFatal("fixture statement: %s", qPrintable(store.lastError()));
    }

    void add(const Session& s) {
        run("insert into Notes (User,FromD,ToD,FromT,ToT,Count,ThisMoney,ThisTm) values "
            "(?,?,?,?,?,?,?,?)",
            {s.user, s.fromD.isNull() ? QVariant() : QVariant(s.fromD),
             s.toD.isNull() ? QVariant() : QVariant(s.toD), s.fromT, s.toT, s.count, s.money,
             s.seconds});
    }

    qlonglong notes(const QString& condition = QStringLiteral("1=1")) {
        StoreQuery query = store.query("select count(*) from Notes where " + condition);
        if (!query.next())
            qFatal("fixture count: %s", qPrintable(store.lastError()));
        return query.value(0).toLongLong();
    }

    // The window, loaded, over this folder.
    std::unique_ptr<CxyGl> window(QString printFault = {}) {
        auto w = std::make_unique<CxyGl>(prompter, folder.path(),
                                         std::make_unique<FakeGridPrinter>(printed, printFault));
        w->Form_Load();
        w->show();
        return w;
    }

    TempFolder folder;
    Store store;
    ScriptedPrompter prompter;
    QList<QImage> printed;
};

QComboBox* Box(CxyGl& w, const char* name) {
    return w.findChild<QComboBox*>(QLatin1String(name));
}

void SetRange(CxyGl& w, const QString& user, const QStringList& from, const QStringList& to) {
    Box(w, "Cb1")->setEditText(user);
    const char* boxes[] = {"Cb2", "Cb3", "Cb4", "Cb5", "Cb6", "Cb7"};
    for (int i = 0; i < 3; ++i) {
        Box(w, boxes[i])->setEditText(from.at(i));
        Box(w, boxes[i + 3])->setEditText(to.at(i));
    }
}

void Query(CxyGl& w, const QString& user, const QStringList& from, const QStringList& to) {
    SetRange(w, user, from, to);
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

// Every row of the grid as its cells joined by "|".
QStringList GridRows(CxyGl& w) {
    QStringList rows;
    const SessionTableModel& model = w.sessions();
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.data(model.index(r, c)).toString();
        rows << cells.join(u'|');
    }
    return rows;
}

QStringList Texts(const ScriptedPrompter& prompter) {
    QStringList texts;
    for (const auto& message : prompter.messages())
        texts << message.text;
    return texts;
}

const QStringList March1 = {"2026", "3", "1"};
const QStringList March10 = {"2026", "3", "10"};

// Four finished sessions of March, listed in this order for everyone.
QList<Session> MarchSessions() {
    return {
        {"alice", "20260301", "20260301", 1, 1.2, 3725},
        {"bob", "20260305", "20260305", 1, 0.5, 0},
        {"alice", "20260307", "20260307", 2, 2.3, 60},
        {"公用帐号", "20260309", "20260309", 1, 3.1, 59},
    };
}

} // namespace

class CxyGlTest : public QObject {
    Q_OBJECT
private slots:
    void startUpFillsTheLists() {
        Fixture fixture;
        auto w = fixture.window();
        QCOMPARE(w->windowTitle(), QString("Dialtoll统计Statdesk"));
        QCOMPARE(Texts(fixture.prompter), QStringList());
        QComboBox* users = Box(*w, "Cb1");
        QStringList names;
        for (int i = 0; i < users->count(); ++i)
            names << users->itemText(i);
        QCOMPARE(names, QStringList({"所有人", "公用帐号", "alice", "bob"}));
        QCOMPARE(users->currentText(), QString("所有人"));
        const int year = QDate::currentDate().year();
        QCOMPARE(Box(*w, "Cb5")->itemText(0), QString("2000"));
        QCOMPARE(Box(*w, "Cb5")->itemText(Box(*w, "Cb5")->count() - 1), QString::number(year + 10));
        QCOMPARE(Box(*w, "Cb2")->currentText(), QString::number(year));
        QCOMPARE(Box(*w, "Cb6")->currentText(), QString::number(QDate::currentDate().month()));
        QCOMPARE(Box(*w, "Cb4")->currentText(), QString("1"));
        QCOMPARE(Box(*w, "Cb7")->currentText(), QString("31"));
        QCOMPARE(w->findChild<QLineEdit*>("Text1")->echoMode(), QLineEdit::Password);
        for (const char* name : {"Label1", "Label2", "Label5", "Label10", "Command1", "Command2",
                                 "Command3", "Command4", "Mf1"})
            QVERIFY2(w->findChild<QWidget*>(name), name);
        QCOMPARE(w->sessions().rowCount(), 0);
    }

    void dayIsClampedToItsMonth_data() {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("clamped");
        QTest::newRow("April 31") << "2026"
                                  << "4"
                                  << "31"
                                  << "30";
        QTest::newRow("November 31") << "2026"
                                     << "11"
                                     << "31"
                                     << "30";
        QTest::newRow("February 30, leap") << "2004"
                                           << "2"
                                           << "30"
                                           << "29";
        QTest::newRow("February 30") << "2001"
                                     << "2"
                                     << "30"
                                     << "28";
        QTest::newRow("February 29") << "2001"
                                     << "2"
                                     << "29"
                                     << "28";
        QTest::newRow("February 28") << "2001"
                                     << "2"
                                     << "28"
                                     << "28";
        QTest::newRow("January 31") << "2026"
                                    << "1"
                                    << "31"
                                    << "31";
    }
    void dayIsClampedToItsMonth() {
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(QString, clamped);
        Fixture fixture;
        auto w = fixture.window();
        Query(*w, "所有人", {year, month, day}, {year, month, day});
        QCOMPARE(Box(*w, "Cb4")->currentText(), clamped);
        QCOMPARE(Box(*w, "Cb7")->currentText(), clamped);
        // Nothing is recorded: the clamped range is a valid query that finds nothing.
        QCOMPARE(Texts(fixture.prompter),
                 QStringList({"用户：“所有人”指定时期段的统计信息未找到。"}));
    }

    void badDatesEndTheQueryWithAnError_data() {
        QTest::addColumn<QStringList>("from");
        QTest::addColumn<QString>("number");
        QTest::newRow("February day not a number") << QStringList({"2026", "2", "x"}) << "13";
        QTest::newRow("month 13") << QStringList({"2026", "13", "1"}) << "3464";
        QTest::newRow("day 0") << QStringList({"2026", "3", "0"}) << "3464";
        QTest::newRow("year text") << QStringList({"abcd", "3", "1"}) << "3464";
    }
    void badDatesEndTheQueryWithAnError() {
        QFETCH(QStringList, from);
        QFETCH(QString, number);
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        const QStringList listed = GridRows(*w);
        QCOMPARE(listed.size(), 5);
        Query(*w, "所有人", from, March10);
        const auto& messages = fixture.prompter.messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().icon, Icon::Error);
        QVERIFY2(messages.first().text.startsWith(number + ":"), qPrintable(messages.first().text));
        QVERIFY(messages.first().text.size() > number.size() + 1);
        QCOMPARE(GridRows(*w), listed);
    }

    void listsFinishedSessionsByStartDate() {
        Fixture fixture(MarchSessions());
        // Around the range and outside what may be listed.
        fixture.add({"alice", "20260310", "20260311", 3, 1, 10});  // last day, ends after
        fixture.add({"alice", "20260228", "20260301", 4, 1, 10});  // starts before
        fixture.add({"alice", "20260311", "20260311", 5, 1, 10});  // starts after
        fixture.add({"alice", "20260305", "", 6, 1, 10});          // unfinished
        fixture.add({"alice", "20260305", QString(), 7, 1, 10});   // unfinished, no end date
        fixture.add({"Master", "20260305", "20260305", 1, 1, 10}); // the ledger
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        QCOMPARE(
            GridRows(*w),
            QStringList({
                "1|alice|2026年03月01日 10:00:00|2026年03月01日 10:01:05|1:02:05|1.2000 元|1",
                "2|bob|2026年03月05日 10:00:00|2026年03月05日 10:01:05|0:01:05|0.5000 元|1",
                "3|alice|2026年03月07日 10:00:00|2026年03月07日 10:01:05|0:01:00|2.3000 元|2",
                "4|公用帐号|2026年03月09日 10:00:00|2026年03月09日 10:01:05|0:00:59|3.1000 元|1",
                "5|alice|2026年03月10日 10:00:00|2026年03月11日 10:01:05|0:00:10|1.0000 元|3",
                // bob's 0 seconds add nothing although his row shows 0:01:05.
                "合  计||||1:04:14|8.1000 元|",
            }));
        QCOMPARE(Texts(fixture.prompter), QStringList());

        Query(*w, "ALICE", March1, March10);
        QCOMPARE(GridRows(*w).size(), 4);
        QCOMPARE(GridRows(*w).last(), QString("合  计||||1:03:15|4.5000 元|"));
        Query(*w, "公用帐号", March1, March10);
        QCOMPARE(GridRows(*w).size(), 2);
    }

    void returnAndEnterPressTheFocusedButton() {
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        SetRange(*w, "所有人", March1, March10);
        auto* command1 = w->findChild<QPushButton*>("Command1");
        command1->setFocus();
        QTest::keyClick(command1, Qt::Key_Return);
        QCOMPARE(GridRows(*w).size(), 5);

        // Enter on 复制 copies the selected block.
        w->selectRows(0, 1);
        auto* command2 = w->findChild<QPushButton*>("Command2");
        command2->setFocus();
        QApplication::clipboard()->clear();
        QTest::keyClick(command2, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(QApplication::clipboard()->text().count(QStringLiteral("\r\n")), 2);
        QCOMPARE(Texts(fixture.prompter), QStringList());
    }

    void theHeaderAndWidthsFollowTheGrid() {
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        const SessionTableModel& model = w->sessions();
        QStringList headers;
        for (int c = 0; c < model.columnCount(); ++c)
            headers << model.headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, QStringList({"序号", "用户名", "上网时间", "下网时间", "漫游时长",
                                       "当次花费", "当时次数"}));
        Query(*w, "所有人", March1, March10);
        // At least the drawn width, and wide enough that a date and time is never clipped.
        const QString dateTime = w->sessions().index(0, 2).data().toString();
        for (const int column : {2, 3}) {
            QVERIFY(w->grid()->columnWidth(column) >= 147);
            QVERIFY(w->grid()->columnWidth(column) >
                    w->grid()->fontMetrics().horizontalAdvance(dateTime));
        }
        QCOMPARE(w->grid()->columnWidth(4), 87);
        w->resize(900, 500);
        QCOMPARE(w->grid()->x(), 0);
        QCOMPARE(w->grid()->width(), 900);
        QCOMPARE(w->grid()->y() + w->grid()->height(), 500);
    }

    void notFoundNamesTheUser_data() {
        QTest::addColumn<QString>("user");
        QTest::newRow("one user") << "bob";
        QTest::newRow("everyone") << "所有人";
    }
    void notFoundNamesTheUser() {
        QFETCH(QString, user);
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        const QStringList listed = GridRows(*w);
        Query(*w, user, {"2025", "3", "1"}, {"2025", "3", "31"});
        QCOMPARE(fixture.prompter.messages().size(), 1);
        QCOMPARE(fixture.prompter.messages().first().icon, Icon::Information);
        QCOMPARE(fixture.prompter.messages().first().text,
                 QString("用户：“%1”指定时期段的统计信息未找到。").arg(user));
        QCOMPARE(GridRows(*w), listed);
    }

    void aQuoteInTheUserIsJustAName() {
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "o'brien", March1, March10);
        QCOMPARE(Texts(fixture.prompter),
                 QStringList({"用户：“o'brien”指定时期段的统计信息未找到。"}));
    }

    void copyTakesTheBlockEitherWay_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowSel");
        QTest::newRow("top to bottom") << 1 << 3;
        QTest::newRow("bottom to top") << 3 << 1;
    }
    void copyTakesTheBlockEitherWay() {
        QFETCH(int, row);
        QFETCH(int, rowSel);
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        w->selectRows(row, rowSel);
        QCOMPARE(w->Row(), row);
        QCOMPARE(w->RowSel(), rowSel);
        QTest::mouseClick(w->findChild<QPushButton*>("Command2"), Qt::LeftButton);
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        QCOMPARE(copied->text(),
                 QString("bob\t2026年03月05日 10:00:00\t2026年03月05日 10:01:05\t0:01:05\t"
                         "0.5000 元\t1\t\r\n"
                         "alice\t2026年03月07日 10:00:00\t2026年03月07日 10:01:05\t0:01:00\t"
                         "2.3000 元\t2\t\r\n"
                         "公用帐号\t2026年03月09日 10:00:00\t2026年03月09日 10:01:05\t0:00:59\t"
                         "3.1000 元\t1\t\r\n"));
        QVERIFY(copied->hasImage());
        QVERIFY(!qvariant_cast<QImage>(copied->imageData()).isNull());
    }

    void theMouseSetsRowAndRowSel() {
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        QTableView* grid = w->grid();
        const auto click = [grid](int row, Qt::KeyboardModifiers keys) {
            const QRect cell = grid->visualRect(grid->model()->index(row, 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys, cell.center());
        };
        click(3, Qt::NoModifier);
        click(1, Qt::ShiftModifier);
        QCOMPARE(w->Row(), 3);
        QCOMPARE(w->RowSel(), 1);
        click(2, Qt::NoModifier);
        QCOMPARE(w->Row(), 2);
        QCOMPARE(w->RowSel(), 2);
    }

    void copyTakesTheTotalsRowInItsRange() {
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        w->selectRows(4, 3);
        QTest::mouseClick(w->findChild<QPushButton*>("Command2"), Qt::LeftButton);
        QVERIFY(QApplication::clipboard()->text().endsWith("\r\n\t\t\t1:04:04\t7.1000 元\t\t\r\n"));
    }

    void deletionNeedsTheAdministratorPassword_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("deleted");
        QTest::newRow("wrong password")
            << "qxmeteR" << true << QStringList({"管理员密码错误，无法删除数据！"}) << 0;
        QTest::newRow("answer no")
            << "qxmeter" << false << QStringList({"确实要删除这些记录吗？"}) << 0;
        QTest::newRow("answer yes")
            << "qxmeter" << true << QStringList({"确实要删除这些记录吗？"}) << 2;
    }
    void deletionNeedsTheAdministratorPassword() {
        QFETCH(QString, password);
        QFETCH(bool, yes);
        QFETCH(QStringList, messages);
        QFETCH(int, deleted);
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        w->selectRows(2, 1); // bob's and alice's second session, bottom to top
        w->findChild<QLineEdit*>("Text1")->setText(password);
        fixture.prompter.answerNext(yes);
        QTest::mouseClick(w->findChild<QPushButton*>("Command3"), Qt::LeftButton);
        QCOMPARE(Texts(fixture.prompter), messages);
        QCOMPARE(fixture.notes(), 4 - deleted);
        QCOMPARE(GridRows(*w).size(), 5 - deleted);
        if (deleted) {
            QCOMPARE(fixture.notes("User='bob'"), 0);
            // Renumbered and totalled afresh.
            QCOMPARE(GridRows(*w),
                     QStringList({
                         "1|alice|2026年03月01日 10:00:00|2026年03月01日 10:01:05|1:02:05|1.2000 "
                         "元|1",
                         "2|公用帐号|2026年03月09日 10:00:00|2026年03月09日 10:01:05|0:00:59|"
                         "3.1000 元|1",
                         "合  计||||1:03:04|4.3000 元|",
                     }));
        }
    }

    void deletionRemovesExactlyTheListedRow() {
        Fixture fixture(MarchSessions());
        // The same user and session number twice, once outside the range.
        fixture.add({"alice", "20260307", "20260307", 2, 9.9, 60});
        fixture.add({"alice", "20260320", "20260320", 2, 9.9, 60});
        auto w = fixture.window();
        Query(*w, "alice", March1, March10);
        QCOMPARE(GridRows(*w).size(), 4);
        w->selectRows(1, 1);
        w->findChild<QLineEdit*>("Text1")->setText("qxmeter");
        fixture.prompter.answerNext(true);
        w->Command3_Click();
        QCOMPARE(fixture.notes("User='alice' and Count=2"), 2);
        QCOMPARE(fixture.notes("User='alice' and Count=2 and ThisMoney=2.3"), 0);
        QCOMPARE(GridRows(*w).last(), QString("合  计||||1:03:05|11.1000 元|"));
    }

    void deletionKeepsTheTotalsRowAndReportsFailures() {
        Fixture fixture(MarchSessions());
        // A session without a number cannot be picked out by user and number.
        fixture.add({"bob", "20260310", "20260310", QVariant(), 1, 10});
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        QCOMPARE(GridRows(*w).size(), 6);
        w->selectRows(3, 5); // the last two sessions and the totals row
        w->findChild<QLineEdit*>("Text1")->setText("qxmeter");
        fixture.prompter.answerNext(true);
        w->Command3_Click();
        QCOMPARE(fixture.prompter.messages().size(), 2);
        QCOMPARE(fixture.prompter.messages().at(1).icon, Icon::Error);
        QVERIFY(fixture.prompter.messages().at(1).text.contains("bob"));
        QCOMPARE(fixture.notes(), 4);
        QCOMPARE(fixture.notes("User='公用帐号'"), 0);
        const QStringList rows = GridRows(*w);
        QCOMPARE(rows.size(), 5);
        QVERIFY(rows.at(3).startsWith("4|bob|2026年03月10日"));
        QCOMPARE(rows.last(), QString("合  计||||1:03:15|5.0000 元|"));
    }

    void deletionOfTheTotalsRowAloneRemovesNothing() {
        Fixture fixture(MarchSessions());
        auto w = fixture.window();
        Query(*w, "所有人", March1, March10);
        w->selectRows(4, 4);
        w->findChild<QLineEdit*>("Text1")->setText("qxmeter");
        fixture.prompter.answerNext(true);
        w->Command3_Click();
        QCOMPARE(Texts(fixture.prompter), QStringList({"确实要删除这些记录吗？"}));
        QCOMPARE(fixture.notes(), 4);
        QCOMPARE(GridRows(*w).size(), 5);
    }

    void withoutAdministratorDeletionIsRefused() {
        Fixture fixture(MarchSessions());
        fixture.run("delete from Users where User='Master'");
        auto w = fixture.window();
        QCOMPARE(fixture.prompter.messages().size(), 1);
        QCOMPARE(fixture.prompter.messages().first().icon, Icon::Error);
        QCOMPARE(fixture.prompter.messages().first().text, QString("无管理员！"));
        Query(*w, "所有人", March1, March10);
        w->selectRows(0, 3);
        fixture.prompter.answerNext(true);
        w->Command3_Click();
        QCOMPARE(Texts(fixture.prompter).last(), QString("没有管理员帐号，无法删除数据！"));
        QCOMPARE(fixture.notes(), 4);
    }

    void aMissingDatabaseIsReported() {
        Fixture fixture({}, false);
        auto w = fixture.window();
        QCOMPARE(Texts(fixture.prompter), QStringList({"数据为空！无法查询。"}));
        QCOMPARE(Box(*w, "Cb1")->count(), 0);
        QVERIFY(!w->hasDatabase());
        fixture.prompter.clear();
        Query(*w, "所有人", March1, March10);
        QCOMPARE(fixture.prompter.messages().size(), 1);
        QCOMPARE(fixture.prompter.messages().first().icon, Icon::Error);
        QVERIFY(fixture.prompter.messages().first().text.startsWith("91:"));
    }

    void printSendsThePictureOrReportsTheFault_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("printed") << QString();
        QTest::newRow("no printer") << QString("没有默认打印机，无法打印。");
    }
    void printSendsThePictureOrReportsTheFault() {
        QFETCH(QString, fault);
        Fixture fixture(MarchSessions());
        auto w = fixture.window(fault);
        Query(*w, "所有人", March1, March10);
        QTest::mouseClick(w->findChild<QPushButton*>("Command4"), Qt::LeftButton);
        QCOMPARE(fixture.printed.size(), 1);
        QCOMPARE(fixture.printed.first().size(), w->grid()->grab().toImage().size());
        QCOMPARE(Texts(fixture.prompter), fault.isEmpty() ? QStringList() : QStringList({fault}));
    }

    void durationAndDateTexts() {
        Fixture fixture({}, false);
        auto w = fixture.window();
        QCOMPARE(w->GetTmF("3725"), QString("1:02:05"));
        QCOMPARE(w->GetTmF("360000秒"), QString("100:00:00"));
        QCOMPARE(w->GetTmF("abc"), QString("0:00:00"));
        QCOMPARE(w->GetDate("20010308"), QString("2001年03月08日"));
    }
};

QTEST_MAIN(CxyGlTest)
#include "test_CxyGl.moc"
