#include "common/OpenStore.h"
#include "common/Store.h"
#include "platform/fake/ScriptedFileChooser.h"
#include "platform/fake/ScriptedPrompter.h"
#include "statdesk/CxyGl.h"
#include "statdesk/GroupTableModel.h"
#include "statdesk/ListingPrinter.h"
#include "statdesk/SessionTableModel.h"
#include "statdesk/StatChart.h"
#include "support/CsvReader.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineSeries>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

namespace {

class NoPrinter : public GridPrinter {
public:
    QString print(const QImage&) override { return {}; }
};

// A data folder with accounts and sessions over a month's end; the window over it, loaded.
struct Fixture {
    Fixture() {
        OpenStore(folder.file(Store::FileName), QDate(2026, 3, 1));
        if (!store.open(folder.file(Store::FileName)))
            qFatal("fixture store: %s", qPrintable(store.lastError()));
        for (const char* name : {"alice", "bob"})
            run("insert into Users (User,Password,RegDate) values (?,'x','2026年3月1日')",
                {QString::fromUtf8(name)});
        // Day, user, seconds, fee: two on March 1, one on each month end and the day after.
        add("20260301", "alice", 3725, 1.2);
        add("20260301", "bob", 60, 0.5);
        add("20260331", "alice", 600, 2.3);
        add("20260401", "=cmd", 59, 3.1);
        add("20260430", "bob", 1200, 0.25);
        auto chooser = std::make_unique<ScriptedFileChooser>();
        files = chooser.get();
        window = std::make_unique<CxyGl>(prompter, folder.path(), std::make_unique<NoPrinter>(),
                                         std::move(chooser));
        window->Form_Load();
        window->show();
        // Shortcuts reach the active window only.
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("the window did not become active");
    }

    void run(const QString& sql, const QVariantList& values = {}) {
        if (!store.execute(sql, values))
            qFatal("fixture statement: %s", qPrintable(store.lastError()));
    }
    void add(const char* day, const char* user, int seconds, double money) {
        run("insert into Notes (User,FromD,ToD,FromT,ToT,Count,ThisMoney,ThisTm) values "
            "(?,?,?,'10:00:00','11:00:00',?,?,?)",
            {QString::fromUtf8(user), day, day, ++count, money, seconds});
    }

    // 查看 for everyone from March 1 to April 30.
    void query(const char* from = "1", const char* toMonth = "4") {
        const QList<std::pair<const char*, const char*>> boxes = {
            {"Cb1", "所有人"}, {"Cb2", "2026"},  {"Cb3", "3"}, {"Cb4", from},
            {"Cb5", "2026"},   {"Cb6", toMonth}, {"Cb7", "31"}};
        for (const auto& [name, text] : boxes)
            window->findChild<QComboBox*>(name)->setEditText(QString::fromUtf8(text));
        button("Command1")->click();
    }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(name); }
    QComboBox* viewBox() { return window->findChild<QComboBox*>("cbView"); }

    QStringList rows() const {
        QStringList lines;
        const ListingModel& model = window->listing();
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model.columnCount(); ++c)
                cells << model.data(model.index(r, c)).toString();
            lines << cells.join(u'|');
        }
        return lines;
    }

    TempFolder folder;
    Store store;
    ScriptedPrompter prompter;
    ScriptedFileChooser* files = nullptr;
    std::unique_ptr<CxyGl> window;
    int count = 0;
};

QList<QStringList> ReadCsvFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {};
    return ReadCsv(QString::fromUtf8(bytes.mid(3))).value_or(QList<QStringList>());
}

} // namespace

class CxyGlListingTest : public QObject {
    Q_OBJECT
private slots:
    void groupedViewsTotalPerDayAndMonth() {
        Fixture f;
        f.query();
        const QString totals = f.rows().last();
        QCOMPARE(totals, QString("合  计||||1:34:04|7.3500 元|"));
        f.viewBox()->setCurrentIndex(CxyGl::ByDay);
        QCOMPARE(f.rows(), QStringList({"1|2026年03月01日|2|1:03:05|1.7000 元",
                                        "2|2026年03月31日|1|0:10:00|2.3000 元",
                                        "3|2026年04月01日|1|0:00:59|3.1000 元",
                                        "4|2026年04月30日|1|0:20:00|0.2500 元",
                                        "合  计||5|1:34:04|7.3500 元"}));
        QCOMPARE(f.window->grid()->model()->headerData(1, Qt::Horizontal).toString(), "日期");
        // Groups are not deleted whole; copying takes the grouped rows.
        QVERIFY(!f.button("Command3")->isEnabled());
        f.window->selectRows(1, 2);
        f.button("Command2")->click();
        QCOMPARE(QApplication::clipboard()->text(),
                 QString("2026年03月31日\t1\t0:10:00\t2.3000 元\t\r\n"
                         "2026年04月01日\t1\t0:00:59\t3.1000 元\t\r\n"));

        f.viewBox()->setCurrentIndex(CxyGl::ByMonth);
        QCOMPARE(f.rows(),
                 QStringList({"1|2026年03月|3|1:13:05|4.0000 元",
                              "2|2026年04月|2|0:20:59|3.3500 元", "合  计||5|1:34:04|7.3500 元"}));
        // A new query while grouped is grouped at once.
        f.query("31");
        QCOMPARE(f.rows(),
                 QStringList({"1|2026年03月|1|0:10:00|2.3000 元",
                              "2|2026年04月|2|0:20:59|3.3500 元", "合  计||3|0:30:59|5.6500 元"}));
        f.viewBox()->setCurrentIndex(CxyGl::Detail);
        QCOMPARE(f.rows().size(), 4);
        QVERIFY(f.button("Command3")->isEnabled());
        QCOMPARE(f.window->Row(), 3);
    }

    void exportWritesTheViewShown() {
        Fixture f;
        // Nothing to export before a listing; Ctrl+S does nothing then.
        QVERIFY(!f.button("cmdExport")->isEnabled());
        QTest::keyClick(f.window.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.files->requests().size(), 0);

        f.query();
        const QString detail = f.folder.file("detail.csv");
        f.files->answerNext(detail);
        QTest::keyClick(f.window.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.files->requests().size(), 1);
        QVERIFY2(f.files->requests().last().suggested.endsWith(
                     "/Dialtoll统计_所有人_20260301-20260430.csv"),
                 qPrintable(f.files->requests().last().suggested));
        const QList<QStringList> sessions = ReadCsvFile(detail);
        QCOMPARE(sessions.size(), 7);
        QCOMPARE(sessions.at(4),
                 QStringList({"4", "'=cmd", "2026-04-01 10:00:00", "2026-04-01 11:00:00", "0:00:59",
                              "59", "3.1000", "4"}));
        QCOMPARE(sessions.last(),
                 QStringList({"合  计", "", "", "", "1:34:04", "5644", "7.3500", ""}));

        f.viewBox()->setCurrentIndex(CxyGl::ByMonth);
        const QString months = f.folder.file("months.csv");
        f.files->answerNext(months);
        f.button("cmdExport")->click();
        QVERIFY(f.files->requests().last().suggested.endsWith("_20260301-20260430_按月.csv"));
        QCOMPARE(ReadCsvFile(months),
                 QList<QStringList>(
                     {{"序号", "月份", "上网次数", "漫游时长", "漫游时长(秒)", "花费(元)"},
                      {"1", "2026-03", "3", "1:13:05", "4385", "4.0000"},
                      {"2", "2026-04", "2", "0:20:59", "1259", "3.3500"},
                      {"合  计", "", "5", "1:34:04", "5644", "7.3500"}}));
        QCOMPARE(f.prompter.messages().size(), 0);

        // Cancelled: nothing written, nothing said.
        f.button("cmdExport")->click();
        QCOMPARE(f.prompter.messages().size(), 0);
    }

    void aFailedExportIsReportedAndLeavesNoFile() {
        Fixture f;
        f.query();
        const QString path = f.folder.file("gone/export.csv");
        f.files->answerNext(path);
        f.button("cmdExport")->click();
        QCOMPARE(f.prompter.messages().size(), 1);
        QCOMPARE(f.prompter.messages().first().icon, ScriptedPrompter::Icon::Error);
        QVERIFY2(f.prompter.messages().first().text.startsWith("导出失败，文件没有保存："),
                 qPrintable(f.prompter.messages().first().text));
        QVERIFY(!QFile::exists(path));
    }

    void theChartHasOnePointPerGroup() {
        Fixture f;
        QVERIFY(!f.button("cmdChart")->isEnabled());
        f.query();
        f.button("cmdChart")->click();
        StatChart* chart = f.window->chartWindow();
        QVERIFY(chart);
        QVERIFY(QTest::qWaitForWindowExposed(chart));
        // The sessions' own listing charts per day.
        QCOMPARE(chart->hoursSeries()->count(), 4);
        QCOMPARE(chart->feeSeries()->count(), 4);
        QCOMPARE(chart->hoursSeries()->at(0).y(), (3725 + 60) / 3600.0);
        QCOMPARE(chart->feeSeries()->at(3).y(), 0.25);
        f.viewBox()->setCurrentIndex(CxyGl::ByMonth);
        QCOMPARE(chart->hoursSeries()->count(), 2);
        QCOMPARE(chart->feeSeries()->at(1).y(), 3.35);
        f.query("31");
        QCOMPARE(chart->feeSeries()->at(0).y(), 2.3);

        const QString png = f.folder.file("chart.png");
        f.files->answerNext(png);
        chart->findChild<QPushButton*>("cmdSavePng")->click();
        QVERIFY(f.files->requests().last().suggested.endsWith("_20260331-20260430_按月.png"));
        QImage saved(png);
        QVERIFY(!saved.isNull());
        QVERIFY(saved.width() > 200 && saved.height() > 100);
        QCOMPARE(f.prompter.messages().size(), 0);

        // Opening it again brings the same window forward.
        f.button("cmdChart")->click();
        QCOMPARE(f.window->chartWindow(), chart);
        QCOMPARE(f.window->findChildren<StatChart*>().size(), 1);
        // It closes with the window, so it never keeps the program running on its own.
        f.window->close();
        QTRY_VERIFY(!f.window->chartWindow());
    }

    void aHeaderClickSortsWithTheTotalsLast() {
        Fixture f;
        f.query();
        QHeaderView* header = f.window->grid()->horizontalHeader();
        const auto clickHeader = [header](int section) {
            const int x =
                header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(x, header->height() / 2));
        };
        const auto fees = [&f] {
            QStringList cells;
            const ListingModel& model = f.window->listing();
            for (int r = 0; r < model.rowCount(); ++r)
                cells << model.cellText(r, SessionTableModel::Fee);
            return cells;
        };
        clickHeader(SessionTableModel::Fee);
        QCOMPARE(fees(), QStringList({"0.2500 元", "0.5000 元", "1.2000 元", "2.3000 元",
                                      "3.1000 元", "7.3500 元"}));
        clickHeader(SessionTableModel::Fee);
        QCOMPARE(fees(), QStringList({"3.1000 元", "2.3000 元", "1.2000 元", "0.5000 元",
                                      "0.2500 元", "7.3500 元"}));
        QCOMPARE(f.rows().last(), QString("合  计||||1:34:04|7.3500 元|"));
        // The totals row is current again, so no stale block is deleted or copied.
        QCOMPARE(f.window->Row(), 5);
        QCOMPARE(f.window->RowSel(), 5);
        // A new query lists in the store's order again.
        f.query();
        QCOMPARE(fees().first(), QString("1.2000 元"));
        QCOMPARE(header->sortIndicatorSection(), -1);
    }

    void theUserListFollowsNewAccountsOnActivation() {
        Fixture f;
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        f.run("insert into Users (User,Password,RegDate) values ('carol','x','2026年3月2日')");
        auto* users = f.window->findChild<QComboBox*>("Cb1");
        users->setEditText("bo");
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTRY_COMPARE(users->count(), 5);
        QCOMPARE(users->itemText(4), QString("carol"));
        QCOMPARE(users->currentText(), QString("bo"));
    }

    void previewPaginatesTheWholeListAndSavesAPdf() {
        Fixture f;
        for (int i = 0; i < 120; ++i)
            f.add("20260315", "alice", 60, 0.1);
        f.query();
        int previewPages = -1;
        int plannedPages = -2;
        const QString pdf = f.folder.file("list.pdf");
        f.files->answerNext(pdf);
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* preview = dialog->findChild<QPrintPreviewWidget*>();
            previewPages = preview ? preview->pageCount() : -1;
            plannedPages =
                ListingPrinter(f.window->listing(), {}, {}).plan(*dialog->printer()).pageCount();
            if (auto* save = dialog->findChild<QAction*>("actSavePdf"))
                save->trigger();
            dialog->reject();
        });
        QTest::keyClick(f.window.get(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(previewPages > 1);
        QCOMPARE(previewPages, plannedPages);
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(f.prompter.messages().size(), 0);
    }

    void aSecondStartBringsTheWindowBack() {
        Fixture f;
        f.window->showMinimized();
        QTRY_VERIFY(f.window->isMinimized());
        f.window->comeForward();
        QTRY_VERIFY(!f.window->isMinimized());
        QVERIFY(f.window->isVisible());
    }
};

QTEST_MAIN(CxyGlListingTest)
#include "test_CxyGlListing.moc"
