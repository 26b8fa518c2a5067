#include "statdesk/ServerSessionReader.h"

#include "common/TextConventions.h"
#include "common/fleet/PgConnection.h"
#include "statdesk/QueryError.h"
#include "statdesk/SessionSpan.h"
#include "statdesk/SessionText.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <numeric>

namespace {

// val(from_d) of this PC's store: the number at the head of the text (after blanks and tabs),
// 0 when there is none.
const char* const StartDay =
    R"(coalesce(substring(s.from_d from '^[ \t]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)')::numeric, 0))";

QString SessionsStatement() {
    // Master's rows are the all-users ledger, as in this PC's store; names compare without
    // letter case there too.
    return QStringLiteral("select s.pc_id::text, p.name, s.row_id, s.account, s.count, s.from_d, "
                          "s.from_t, s.to_d, s.to_t, s.this_money, s.this_tm "
                          "from dialtoll.sessions s join dialtoll.pcs p on p.pc_id = s.pc_id "
                          "where s.to_d > '' and lower(s.account) <> 'master' "
                          "and ($1::text is null or lower(s.account) = lower($1::text)) "
                          "and %1 >= $2::numeric and %1 <= $3::numeric "
                          "order by s.pc_id, s.row_id")
        .arg(QLatin1String(StartDay));
}

// A numeric(19,4) text ("-12.3400") in ten-thousandths, exactly.
qint64 FeeUnits(const QString& text) {
    const QString trimmed = text.trimmed();
    const bool negative = trimmed.startsWith(u'-');
    const QStringView digits =
        QStringView(trimmed).mid(negative || trimmed.startsWith(u'+') ? 1 : 0);
    const qsizetype point = digits.indexOf(u'.');
    const QStringView whole = point < 0 ? digits : digits.left(point);
    QString fraction = point < 0 ? QString() : digits.mid(point + 1).toString();
    bool ok = fraction.size() <= 4;
    fraction = fraction.leftJustified(4, u'0');
    bool wholeOk = false;
    bool fractionOk = false;
    const qint64 units = whole.isEmpty() ? 0 : whole.toLongLong(&wholeOk);
    const qint64 parts = fraction.toLongLong(&fractionOk);
    ok = ok && (whole.isEmpty() || wholeOk) && fractionOk && units < 900'000'000'000'000;
    if (!ok)
        return SessionText::feeUnits(trimmed.toDouble());
    const qint64 value = units * 10000 + parts;
    return negative ? -value : value;
}

} // namespace

SessionListing ServerSessionReader::read(PgConnection& server,
                                         const std::optional<QString>& account, qint64 from,
                                         qint64 to) {
    const PgRows found =
        server.exec(SessionsStatement(), {account ? QVariant(*account) : QVariant(), from, to});

    SessionListing listing;
    QHash<QString, int> userIndexes;
    QHash<QString, int> pcIndexes;
    QStringList pcIds;
    listing.rows.reserve(std::size_t(found.rows.size()));
    for (const QList<QVariant>& cells : found.rows) {
        const auto text = [&cells](int column) { return cells.value(column).toString(); };
        SessionRow row;
        const QString pcId = text(0);
        auto pc = pcIndexes.constFind(pcId);
        if (pc == pcIndexes.constEnd()) {
            pc = pcIndexes.insert(pcId, int(pcIds.size()));
            pcIds << pcId;
            listing.pcs << text(1).trimmed();
        }
        row.pc = *pc;
        row.rowId = text(2).toLongLong();
        const QString user = text(3);
        auto userIndex = userIndexes.constFind(user);
        if (userIndex == userIndexes.constEnd()) {
            userIndex = userIndexes.insert(user, int(listing.users.size()));
            listing.users << user;
        }
        row.user = *userIndex;
        if (cells.value(4).isValid())
            row.count = text(4).toLongLong();
        const QString fromD = text(5);
        const QString fromT = text(6);
        const QString toD = text(7);
        const QString toT = text(8);
        row.times = fromD + SessionRow::Separator + fromT + SessionRow::Separator + toD +
                    SessionRow::Separator + toT;
        row.fee = FeeUnits(text(9));
        row.seconds = double(text(10).toLongLong());
        row.shownSeconds = SessionSpan::shownSeconds(row.seconds, fromD, fromT, toD, toT);
        listing.rows.push_back(std::move(row));
    }

    // A PC without a name goes by the head of its id; PCs sharing a name get theirs added.
    QHash<QString, int> nameUses;
    for (qsizetype i = 0; i < listing.pcs.size(); ++i) {
        if (listing.pcs.at(i).isEmpty())
            listing.pcs[i] = pcIds.at(i).left(8);
        ++nameUses[listing.pcs.at(i)];
    }
    for (qsizetype i = 0; i < listing.pcs.size(); ++i) {
        if (nameUses.value(listing.pcs.at(i)) > 1)
            listing.pcs[i] += QStringLiteral(" (%1)").arg(pcIds.at(i).left(8));
    }

    // PCs by name as a Chinese reader orders them ("PC 2" before "PC 10"), then by id.
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setNumericMode(true);
    std::vector<int> byName(std::size_t(listing.pcs.size()));
    std::iota(byName.begin(), byName.end(), 0);
    std::sort(byName.begin(), byName.end(), [&](int a, int b) {
        const int names = collator.compare(listing.pcs.at(a), listing.pcs.at(b));
        return names != 0 ? names < 0 : pcIds.at(a) < pcIds.at(b);
    });
    std::vector<int> place(byName.size());
    QStringList sortedPcs;
    for (std::size_t rank = 0; rank < byName.size(); ++rank) {
        place[std::size_t(byName[rank])] = int(rank);
        sortedPcs << listing.pcs.at(byName[rank]);
    }
    listing.pcs = std::move(sortedPcs);

    std::vector<double> starts;
    starts.reserve(listing.rows.size());
    for (SessionRow& row : listing.rows) {
        row.pc = place[std::size_t(row.pc)];
        const QStringList parts = row.times.split(SessionRow::Separator);
        starts.push_back(SessionSpan::orderKey(parts.value(0), parts.value(1)));
        row.order = int(starts.size() - 1);
    }
    // The server gave the rows by PC and row id: equal starts keep that order.
    std::stable_sort(listing.rows.begin(), listing.rows.end(),
                     [&starts](const SessionRow& a, const SessionRow& b) {
                         if (a.pc != b.pc)
                             return a.pc < b.pc;
                         return starts[std::size_t(a.order)] < starts[std::size_t(b.order)];
                     });
    return listing;
}
