#include "statdesk/SessionTableModel.h"

#include "common/TextConventions.h"
#include "statdesk/CsvWriter.h"
#include "statdesk/SessionSpan.h"
#include "statdesk/SessionText.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>

namespace {

const char* const Headers[] = {"序号",     "用户名",   "上网时间", "下网时间",
                               "漫游时长", "当次花费", "当时次数", "电脑"};
constexpr int PlainColumns = SessionTableModel::Count + 1;

// Each name's place in the order a Chinese reader expects (pinyin), ranked once.
std::vector<double> NameRanks(const QStringList& names) {
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setNumericMode(true);
    std::vector<int> byName(std::size_t(names.size()));
    std::iota(byName.begin(), byName.end(), 0);
    std::stable_sort(byName.begin(), byName.end(),
                     [&](int a, int b) { return collator.compare(names.at(a), names.at(b)) < 0; });
    std::vector<double> ranks(byName.size());
    for (std::size_t rank = 0; rank < byName.size(); ++rank)
        ranks[std::size_t(byName[rank])] = double(rank);
    return ranks;
}

// Part i (0 FromD, 1 FromT, 2 ToD, 3 ToT) of a row's joined times.
QStringView TimesPart(const QString& times, int i) {
    qsizetype start = 0;
    for (int n = 0; n < i; ++n) {
        const qsizetype next = times.indexOf(SessionRow::Separator, start);
        if (next < 0)
            return {};
        start = next + 1;
    }
    const qsizetype end = times.indexOf(SessionRow::Separator, start);
    return QStringView(times).mid(start, end < 0 ? -1 : end - start);
}

} // namespace

SessionTableModel::SessionTableModel(QObject* parent) : ListingModel(parent) {}

void SessionTableModel::setSessions(SessionListing listing) {
    setSessions(std::move(listing.rows), std::move(listing.users), std::move(listing.pcs));
}

void SessionTableModel::setSessions(std::vector<SessionRow> rows, QStringList users,
                                    QStringList pcs) {
    beginResetModel();
    m_rows = std::move(rows);
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i].order = int(i);
    m_users = std::move(users);
    m_pcs = std::move(pcs);
    setListed(true);
    computeTotals();
    endResetModel();
}

void SessionTableModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_users.clear();
    m_pcs.clear();
    setListed(false);
    computeTotals();
    endResetModel();
}

void SessionTableModel::computeTotals() {
    m_totalSeconds = 0;
    m_totalFee = 0;
    for (const SessionRow& row : m_rows) {
        m_totalSeconds += row.seconds;
        m_totalFee += row.fee;
    }
}

void SessionTableModel::setPcColumn(bool shown) {
    if (shown == m_pcColumn)
        return;
    beginResetModel();
    m_pcColumn = shown;
    endResetModel();
}

SessionTableModel::Column SessionTableModel::columnAt(int column) const {
    if (!m_pcColumn || column == Number)
        return Column(column);
    return column == 1 ? Pc : Column(column - 1);
}

int SessionTableModel::columnOf(Column column) const {
    if (column == Pc)
        return m_pcColumn ? 1 : -1;
    return m_pcColumn && column != Number ? int(column) + 1 : int(column);
}

int SessionTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : PlainColumns + (m_pcColumn ? 1 : 0);
}

QString SessionTableModel::headerText(int column) const {
    return column >= 0 && column < columnCount() ? QString::fromUtf8(Headers[columnAt(column)])
                                                 : QString();
}

QString SessionTableModel::cellText(int row, int shownColumn) const {
    if (shownColumn < 0 || shownColumn >= columnCount())
        return {};
    const Column column = columnAt(shownColumn);
    if (isSession(row))
        return column == Number ? QString::number(row + 1) : sessionText(session(row), column);
    if (isTotals(row)) {
        switch (column) {
        case Number:
            return QStringLiteral("合  计");
        case Duration:
            return SessionText::duration(m_totalSeconds);
        case Fee:
            return SessionText::fee(m_totalFee);
        default:
            return {};
        }
    }
    return {};
}

QString SessionTableModel::sessionText(const SessionRow& row, Column column) const {
    switch (column) {
    case User:
        return m_users.value(row.user);
    case Pc:
        return m_pcs.value(row.pc);
    case Start:
        return SessionText::date(TimesPart(row.times, 0).toString()) + u' ' +
               TimesPart(row.times, 1).toString();
    case End:
        return SessionText::date(TimesPart(row.times, 2).toString()) + u' ' +
               TimesPart(row.times, 3).toString();
    case Duration:
        return SessionText::duration(row.shownSeconds);
    case Fee:
        return SessionText::fee(row.fee);
    case Count:
        return row.count == SessionRow::NoCount ? QString() : QString::number(row.count);
    default:
        return {};
    }
}

void SessionTableModel::writeCsv(CsvWriter& out) const {
    for (int column = 0; column < columnCount(); ++column) {
        out.text(headerText(column));
        // Durations also as seconds, which a spreadsheet can add up.
        if (columnAt(column) == Duration)
            out.text(QStringLiteral("漫游时长(秒)"));
    }
    out.endRecord();
    int number = 0;
    for (const SessionRow& row : m_rows) {
        out.number(QString::number(++number));
        if (m_pcColumn)
            out.text(m_pcs.value(row.pc));
        out.text(m_users.value(row.user));
        out.text(SessionText::isoMoment(TimesPart(row.times, 0), TimesPart(row.times, 1)));
        out.text(SessionText::isoMoment(TimesPart(row.times, 2), TimesPart(row.times, 3)));
        out.number(SessionText::duration(row.shownSeconds));
        out.number(SessionText::wholeSeconds(row.shownSeconds));
        out.number(SessionText::feeNumber(row.fee));
        out.number(row.count == SessionRow::NoCount ? QString() : QString::number(row.count));
        out.endRecord();
    }
    out.text(QStringLiteral("合  计"));
    if (m_pcColumn)
        out.text({});
    out.text({});
    out.text({});
    out.text({});
    out.number(SessionText::duration(m_totalSeconds));
    out.number(SessionText::wholeSeconds(m_totalSeconds));
    out.number(SessionText::feeNumber(m_totalFee));
    out.text({});
    out.endRecord();
}

std::vector<double> SessionTableModel::sortKeys(Column column) const {
    std::vector<double> keys;
    keys.reserve(m_rows.size());
    const std::vector<double> ranks = column == User ? NameRanks(m_users)
                                      : column == Pc ? NameRanks(m_pcs)
                                                     : std::vector<double>();
    const auto rank = [&ranks](int index) {
        return index >= 0 && std::size_t(index) < ranks.size() ? ranks[std::size_t(index)] : -1.0;
    };
    for (const SessionRow& row : m_rows) {
        switch (column) {
        case User:
            keys.push_back(rank(row.user));
            break;
        case Pc:
            keys.push_back(rank(row.pc));
            break;
        case Start:
            keys.push_back(SessionSpan::orderKey(TimesPart(row.times, 0), TimesPart(row.times, 1)));
            break;
        case End:
            keys.push_back(SessionSpan::orderKey(TimesPart(row.times, 2), TimesPart(row.times, 3)));
            break;
        case Duration:
            keys.push_back(row.shownSeconds);
            break;
        case Fee:
            keys.push_back(double(row.fee));
            break;
        case Count:
            keys.push_back(row.count == SessionRow::NoCount ? -1e300 : double(row.count));
            break;
        default:
            keys.push_back(row.order);
            break;
        }
    }
    return keys;
}

void SessionTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount() || m_rows.empty())
        return;
    const std::vector<double> keys = sortKeys(columnAt(column));
    std::vector<std::size_t> positions(m_rows.size());
    std::iota(positions.begin(), positions.end(), std::size_t(0));
    if (order == Qt::AscendingOrder)
        std::stable_sort(positions.begin(), positions.end(),
                         [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    else
        std::stable_sort(positions.begin(), positions.end(),
                         [&keys](std::size_t a, std::size_t b) { return keys[b] < keys[a]; });
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<SessionRow> sorted;
    sorted.reserve(m_rows.size());
    for (const std::size_t position : positions)
        sorted.push_back(std::move(m_rows[position]));
    m_rows = std::move(sorted);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SessionTableModel::removeSessions(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int r) { return !isSession(r); }),
               rows.end());
    if (rows.isEmpty())
        return;
    // Contiguous runs from the bottom up, so the indexes of the runs still to go stay valid.
    qsizetype end = rows.size();
    while (end > 0) {
        qsizetype start = end - 1;
        while (start > 0 && rows.at(start - 1) == rows.at(start) - 1)
            --start;
        const int first = rows.at(start);
        const int last = rows.at(end - 1);
        beginRemoveRows({}, first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
        end = start;
    }
    computeTotals();
    // The numbers below the first removed row and the totals row have changed.
    const int firstChanged = std::min(rows.first(), sessionCount());
    emit dataChanged(index(firstChanged, Number), index(sessionCount(), Number));
    emit dataChanged(index(sessionCount(), columnOf(Duration)),
                     index(sessionCount(), columnOf(Fee)));
}
