#include "statdesk/ListingPrinter.h"
#include "statdesk/PagePlan.h"
#include "statdesk/SessionTableModel.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

namespace {

// Pages of a PDF file as its page objects count them.
int PdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return int(QString::fromLatin1(file.readAll())
                   .count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
}

// The text of one page (1-based), through poppler's pdftotext; null when it is not installed.
QString PageText(const QString& path, int page) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return {};
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {"-f", QString::number(page), "-l",
                                                QString::number(page), "-enc", "UTF-8", path, "-"});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

void Fill(SessionTableModel& model, int sessions) {
    std::vector<SessionRow> rows;
    for (int i = 0; i < sessions; ++i) {
        SessionRow row;
        row.times =
            QStringList({"20260301", "9:00:00", "20260301", "9:01:00"}).join(SessionRow::Separator);
        row.seconds = row.shownSeconds = 60;
        row.fee = 1000;
        row.count = i + 1;
        row.user = i % 2;
        rows.push_back(row);
    }
    model.setSessions(std::move(rows), {"alice", "公用帐号"});
}

const QList<int> Widths = {40, 80, 170, 170, 87, 80, 60};

} // namespace

class ListingPrintTest : public QObject {
    Q_OBJECT
private slots:
    void pagePlan_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<double>("space");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("perPage");
        QTest::addColumn<QList<int>>("pageEnds");
        QTest::newRow("empty: one page for the header") << 0 << 100.0 << 10.0 << 10 << QList{0};
        QTest::newRow("one row") << 1 << 100.0 << 10.0 << 10 << QList{1};
        QTest::newRow("exactly full") << 10 << 100.0 << 10.0 << 10 << QList{10};
        QTest::newRow("one over") << 11 << 100.0 << 10.0 << 10 << QList{10, 11};
        QTest::newRow("part of a row left") << 25 << 95.0 << 10.0 << 9 << QList{9, 18, 25};
        QTest::newRow("page lower than a row") << 3 << 5.0 << 10.0 << 1 << QList{1, 2, 3};
    }
    void pagePlan() {
        QFETCH(int, rows);
        QFETCH(double, space);
        QFETCH(double, height);
        QFETCH(int, perPage);
        QFETCH(QList<int>, pageEnds);
        const PagePlan plan(rows, space, height);
        QCOMPARE(plan.rowsPerPage(), perPage);
        QCOMPARE(plan.pageCount(), int(pageEnds.size()));
        int first = 0;
        for (int page = 0; page < plan.pageCount(); ++page) {
            QCOMPARE(plan.firstRow(page), first);
            QCOMPARE(plan.endRow(page), pageEnds.at(page));
            first = pageEnds.at(page);
        }
    }

    // Every row on paper, the header on every page, the totals at the end.
    void pdfHasEveryRowOnItsPages() {
        SessionTableModel probe;
        Fill(probe, 1);
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        QPdfWriter measure(&sink);
        ListingPrinter::setUpPdf(measure);
        const int perPage = ListingPrinter(probe, Widths, "t").plan(measure).rowsPerPage();
        // A4 less its margins at 9 point rows holds a few dozen.
        QVERIFY2(perPage >= 30 && perPage <= 70, qPrintable(QString::number(perPage)));

        TempFolder folder;
        // Sessions, and the pages they need with the totals row after them.
        const QList<std::pair<int, int>> cases = {
            {perPage - 1, 1}, {perPage, 2}, {2 * perPage + 1, 3}};
        for (const auto& [sessions, pages] : cases) {
            SessionTableModel model;
            Fill(model, sessions);
            const QString path = folder.file(QStringLiteral("list%1.pdf").arg(sessions));
            QCOMPARE(ListingPrinter(model, Widths, "Dialtoll统计　用户：所有人").savePdf(path),
                     QString());
            QCOMPARE(PdfPages(path), pages);
            for (int page = 1; page <= pages; ++page) {
                const QString text = PageText(path, page);
                if (text.isNull())
                    QSKIP("pdftotext is not installed");
                QVERIFY2(text.contains("用户名") && text.contains("当次花费"), qPrintable(text));
                QVERIFY(text.contains(QStringLiteral("第 %1 页，共 %2 页").arg(page).arg(pages)));
                const bool last = page == pages;
                QCOMPARE(text.contains(QRegularExpression("合\\s*计")), last);
            }
        }
    }

    void aPdfThatCannotBeWrittenSaysSo() {
        SessionTableModel model;
        Fill(model, 3);
        TempFolder folder;
        const QString path = folder.file("no/such/folder/list.pdf");
        QVERIFY(!ListingPrinter(model, Widths, "t").savePdf(path).isEmpty());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(ListingPrintTest)
#include "test_ListingPrint.moc"
