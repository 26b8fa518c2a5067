#include "statdesk/QueryBenchmark.h"

#include "statdesk/CxyGl.h"
#include "statdesk/SessionTableModel.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTableView>
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

    std::fprintf(stderr, "statdesk_query_rows %d\nstatdesk_query_ms %lld\nstatdesk_vmhwm %s\n",
                 window.sessions().sessionCount(), static_cast<long long>(elapsed),
                 PeakResidentSet().constData());
    return window.sessions().sessionCount() > 0 ? 0 : 1;
}
