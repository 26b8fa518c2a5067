// How long the running meter takes to record a new dial-up connection: brings links up with
// tun_link and times each from "ready" until the user's and Master's rows are in Notes.
//
//   notes_latency <connections> <tun_link program> [<database file>]
//
// The database defaults to the one in the data folder ($DIALTOLL_HOME, ...). With 0
// connections it only prints the number of Notes rows, so a script can see whether the meter
// opened a session. Exits 2 when it cannot measure at all.
#include "common/DataFolder.h"
#include "common/Store.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fnmatch.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <optional>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto PollInterval = 2ms;
constexpr auto DetectTimeout = 3000ms;
// A few of the meter's 120 ms polls, so it has closed the session before the next link.
constexpr auto SessionCloseWait = 400ms;
constexpr auto ProcessWaitMs = 5000;
constexpr int FirstUnit = 90;
constexpr int Units = 10;

std::optional<qlonglong> NotesCount(Store& store) {
    StoreQuery query = store.query(QStringLiteral("select count(*) from Notes"));
    if (!query.isValid() || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

// A link already up would keep the meter on line, so none of ours would open a session.
QString LiveDialUpLink() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    QString found;
    for (const ifaddrs* entry = list; entry && found.isEmpty(); entry = entry->ifa_next) {
        if (entry->ifa_name && fnmatch("ppp*", entry->ifa_name, 0) == 0 &&
            (entry->ifa_flags & IFF_UP) && (entry->ifa_flags & IFF_RUNNING))
            found = QString::fromLocal8Bit(entry->ifa_name);
    }
    freeifaddrs(list);
    return found;
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "notes_latency: %s\n", qPrintable(message));
    return 2;
}

// Starts tun_link and waits for its "ready"; false when it did not come up.
bool StartLink(QProcess& link, const QString& program, const QString& iface,
               const QString& pidFile) {
    link.setProgram(program);
    link.setArguments({iface, pidFile});
    link.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    link.start();
    if (!link.waitForStarted(ProcessWaitMs))
        return false;
    while (!link.canReadLine()) {
        if (!link.waitForReadyRead(ProcessWaitMs))
            return false;
    }
    return link.readLine().trimmed() == "ready";
}

bool StopLink(QProcess& link) {
    link.terminate();
    if (link.waitForFinished(ProcessWaitMs))
        return link.exitStatus() == QProcess::NormalExit && link.exitCode() == 0;
    link.kill();
    link.waitForFinished(ProcessWaitMs);
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool countOk = false;
    const int connections = args.size() >= 3 ? args.at(1).toInt(&countOk) : 0;
    if (args.size() < 3 || args.size() > 4 || !countOk || connections < 0)
        return Fail(
            QStringLiteral("usage: notes_latency <connections> <tun_link> [<database file>]"));
    const QString tunLink = args.at(2);
    const QString database =
        args.size() == 4 ? args.at(3) : DataFilePath(ResolveDataFolder(), Store::FileName);

    Store store;
    if (!store.open(database))
        return Fail(QStringLiteral("cannot open %1: %2").arg(database, store.lastError()));
    const std::optional<qlonglong> initial = NotesCount(store);
    if (!initial)
        return Fail(QStringLiteral("cannot count Notes: %1").arg(store.lastError()));
    if (connections == 0) {
        std::printf("%lld\n", *initial);
        return 0;
    }
    if (const QString live = LiveDialUpLink(); !live.isEmpty())
        return Fail(
            QStringLiteral("%1 is already up; the meter would not see a new link").arg(live));

    QTemporaryDir pidDir;
    if (!pidDir.isValid())
        return Fail(QStringLiteral("no temporary folder: %1").arg(pidDir.errorString()));

    std::vector<double> latencies;
    int missed = 0;
    for (int i = 0; i < connections; ++i) {
        const QString iface = QStringLiteral("ppp%1").arg(FirstUnit + i % Units);
        const std::optional<qlonglong> before = NotesCount(store);
        if (!before)
            return Fail(QStringLiteral("cannot count Notes: %1").arg(store.lastError()));

        QProcess link;
        if (!StartLink(link, tunLink, iface, pidDir.filePath(iface + QStringLiteral(".pid")))) {
            link.kill();
            link.waitForFinished(ProcessWaitMs);
            return Fail(QStringLiteral("%1 did not come up (tun_link exit %2)")
                            .arg(iface)
                            .arg(link.exitCode()));
        }
        const Clock::time_point t0 = Clock::now();
        std::optional<Clock::duration> latency;
        for (Clock::time_point next = t0;;) {
            const std::optional<qlonglong> count = NotesCount(store);
            const Clock::time_point now = Clock::now();
            if (count && *count >= *before + 2) {
                latency = now - t0;
                break;
            }
            if (now - t0 > DetectTimeout)
                break;
            // Keep a steady 2 ms grid; a slow query moves the grid instead of bunching polls.
            next = std::max(next + PollInterval, now);
            std::this_thread::sleep_until(next);
        }

        if (latency) {
            latencies.push_back(Milliseconds(*latency));
            std::printf("connection %2d %-6s %8.1f ms\n", i + 1, qPrintable(iface),
                        latencies.back());
        } else {
            ++missed;
            std::printf("connection %2d %-6s   missed (no two new rows within %lld ms)\n", i + 1,
                        qPrintable(iface), static_cast<long long>(DetectTimeout.count()));
        }
        std::fflush(stdout);

        if (!StopLink(link))
            return Fail(QStringLiteral("tun_link for %1 did not end cleanly").arg(iface));
        std::this_thread::sleep_for(SessionCloseWait);
    }

    std::printf("resolution: Notes is read every %lld ms, so a figure may be late by up to "
                "that plus one query; t0 is taken when tun_link prints ready, just after the "
                "link is up, so a figure may also be early by that gap (well under 1 ms).\n",
                static_cast<long long>(PollInterval.count()));
    if (latencies.empty()) {
        std::printf("median: -  worst: -  missed: %d of %d\n", missed, connections);
        std::printf("summary median_ms=- worst_ms=- missed=%d connections=%d\n", missed,
                    connections);
        return 0;
    }
    const double median = Median(latencies);
    const double worst = *std::max_element(latencies.cbegin(), latencies.cend());
    std::printf("median: %.1f ms  worst: %.1f ms  missed: %d of %d\n", median, worst, missed,
                connections);
    std::printf("summary median_ms=%.1f worst_ms=%.1f missed=%d connections=%d\n", median, worst,
                missed, connections);
    return 0;
}
