// Fills a database with finished sessions for the statistics benchmark.
//
//   fill_sessions <database file> [sessions (100000)] [accounts (20)] [first day] [last day]
//
// Creates the file when it is missing. Each session gets its account's row and, as the meter
// writes them, the administrator's ledger row; start dates spread evenly from the first day to
// the last (YYYYMMDD; by default 20200101 to 20251231). One transaction, so it takes seconds.
#include "common/OpenStore.h"
#include "common/Store.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <cstdio>

namespace {

bool Run(Store& store, const QString& sql, const QVariantList& values = {}) {
    if (store.execute(sql, values))
        return true;
    std::fprintf(stderr, "fill_sessions: %s\n", qPrintable(store.lastError()));
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: fill_sessions <database file> [sessions] [accounts] "
                             "[first day] [last day]\n");
        return 2;
    }
    const QString path = args.at(1);
    const int sessions = args.size() > 2 ? args.at(2).toInt() : 100000;
    const int accounts = args.size() > 3 ? args.at(3).toInt() : 20;
    if (!QFileInfo::exists(path))
        OpenStore(path, QDate::currentDate());
    Store store;
    if (!store.open(path)) {
        std::fprintf(stderr, "fill_sessions: %s\n", qPrintable(store.lastError()));
        return 1;
    }
    if (!Run(store, "begin"))
        return 1;
    for (int a = 0; a < accounts; ++a) {
        if (!Run(store, "insert into Users (User,Password,RegDate) values (?,'pw','2020年1月1日')",
                 {QStringLiteral("user%1").arg(a, 2, 10, QLatin1Char('0'))}))
            return 1;
    }
    const QDate first = args.size() > 4 ? QDate::fromString(args.at(4), QStringLiteral("yyyyMMdd"))
                                        : QDate(2020, 1, 1);
    const QDate last = args.size() > 5 ? QDate::fromString(args.at(5), QStringLiteral("yyyyMMdd"))
                                       : QDate(2025, 12, 31);
    if (!first.isValid() || !last.isValid() || last < first) {
        std::fprintf(stderr, "fill_sessions: the days must be YYYYMMDD, the first not after the "
                             "last\n");
        return 2;
    }
    const int days = int(first.daysTo(last)) + 1;
    QList<int> counts(accounts, 0);
    const QString insert = QStringLiteral(
        "insert into Notes (User,FromD,ToD,FromT,ToT,Count,ThisMoney,AllMoney,ThisTm,AllTm) "
        "values (?,?,?,?,?,?,?,?,?,?)");
    for (int i = 0; i < sessions; ++i) {
        const int account = i % accounts;
        const QString user = QStringLiteral("user%1").arg(account, 2, 10, QLatin1Char('0'));
        const QString date =
            first.addDays(qint64(i) * days / sessions).toString(QStringLiteral("yyyyMMdd"));
        const int seconds = 60 + (i * 37) % 7200;
        const int start = 8 * 3600 + (i * 13) % 36000;
        const auto clock = [](int s) {
            return QStringLiteral("%1:%2:%3")
                .arg(s / 3600)
                .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(s % 60, 2, 10, QLatin1Char('0'));
        };
        // Four decimals, as the MONEY column keeps a fee.
        const QVariant fee = store.valueForColumn(
            QStringLiteral("Notes"), QStringLiteral("ThisMoney"), seconds * 6.2 / 3600.0);
        const QVariantList row = {
            user, date, date,    clock(start), clock(start + seconds), ++counts[account],
            fee,  fee,  seconds, seconds};
        QVariantList ledger = row;
        ledger[0] = QStringLiteral("Master");
        ledger[5] = i + 1;
        if (!Run(store, insert, row) || !Run(store, insert, ledger))
            return 1;
    }
    if (!Run(store, "commit"))
        return 1;
    std::printf("fill_sessions: %d sessions over %d accounts in %s\n", sessions, accounts,
                qPrintable(path));
    return 0;
}
