#include "statdesk/QueryBenchmark.h"

#include "statdesk/CxyGl.h"
#include "statdesk/SessionTableModel.h"
#include "statdesk/StatChart.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// VmHWM of /proc/self/status, e.g. "52340 kB"; empty where there is none.
QByteArray PeakResidentSet() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed();
    }
    return {};
}

void SetBox(CxyGl& window, const char* name, const QString& text) {
    window.findChild<QComboBox*>(QLatin1String(name))->setEditText(text);
}

} // namespace

int QueryBenchmark::run(CxyGl& window) {
    auto* years = window.findChild<QComboBox*>(QStringLiteral("Cb2"));
    SetBox(window, "Cb1", QStringLiteral("所有人"));
    SetBox(window, "Cb2", years->itemText(0));
    SetBox(window, "Cb3", QStringLiteral("1"));
    SetBox(window, "Cb4", QStringLiteral("1"));
    SetBox(window, "Cb5", years->itemText(years->count() - 1));
    SetBox(window, "Cb6", QStringLiteral("12"));
    SetBox(window, "Cb7", QStringLiteral("31"));
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    window.grid()->viewport()->repaint();
    QApplication::processEvents();
    const qint64 elapsed = timer.elapsed();

    std::fprintf(stderr, "statdesk_query_rows %d\nstatdesk_query_ms %lld\n",
                 window.sessions().sessionCount(), static_cast<long long>(elapsed));

    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("export.csv"));
    timer.restart();
    const QString fault = window.exportTo(csv);
    const qint64 exportMs = timer.elapsed();
    if (!fault.isEmpty())
        std::fprintf(stderr, "statdesk_export_error %s\n", qPrintable(fault));
    std::fprintf(stderr, "statdesk_export_ms %lld\nstatdesk_export_bytes %lld\n",
                 static_cast<long long>(exportMs), static_cast<long long>(QFileInfo(csv).size()));

    // The chart as a user gets it: 按月 chosen, then 图表 pressed, until it is painted.
    const auto paintChart = [&window] {
        window.chartWindow()->findChild<QChartView*>()->viewport()->repaint();
        QApplication::processEvents();
    };
    timer.restart();
    window.setView(CxyGl::ByMonth);
    window.Chart_Click();
    paintChart();
    const qint64 monthMs = timer.elapsed();
    const qsizetype monthPoints = window.chartWindow()->hoursSeries()->count();
    // The same per day: the open chart follows the choice.
    timer.restart();
    window.setView(CxyGl::ByDay);
    paintChart();
    const qint64 dayMs = timer.elapsed();
    const qsizetype dayPoints = window.chartWindow()->hoursSeries()->count();
    std::fprintf(stderr,
                 "statdesk_chart_month_ms %lld\nstatdesk_chart_month_points %lld\n"
                 "statdesk_chart_day_ms %lld\nstatdesk_chart_day_points %lld\n"
                 "statdesk_vmhwm %s\n",
                 static_cast<long long>(monthMs), static_cast<long long>(monthPoints),
                 static_cast<long long>(dayMs), static_cast<long long>(dayPoints),
                 PeakResidentSet().constData());
    return window.sessions().sessionCount() > 0 && fault.isEmpty() ? 0 : 1;
}
