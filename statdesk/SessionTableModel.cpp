#include "statdesk/SessionTableModel.h"

#include "statdesk/SessionText.h"

#include <QColor>
#include <algorithm>

namespace {

const char* const Headers[] = {"序号",     "用户名",   "上网时间", "下网时间",
                               "漫游时长", "当次花费", "当时次数"};

} // namespace

SessionTableModel::SessionTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void SessionTableModel::setSessions(std::vector<SessionRow> rows, QStringList users) {
    beginResetModel();
    m_rows = std::move(rows);
    m_users = std::move(users);
    m_listed = true;
    computeTotals();
    endResetModel();
}

void SessionTableModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_users.clear();
    m_listed = false;
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

int SessionTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_listed ? sessionCount() + 1 : 0;
}

int SessionTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SessionTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::BackgroundRole:
        // The numbering column looks fixed, like the header.
        if (index.column() == Number)
            return QColor(0xec, 0xec, 0xec);
        return {};
    default:
        return {};
    }
}

QVariant SessionTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(Headers[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QString SessionTableModel::cellText(int row, int column) const {
    if (isSession(row))
        return column == Number ? QString::number(row + 1) : sessionText(session(row), column);
    if (m_listed && row == sessionCount()) {
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

QString SessionTableModel::sessionText(const SessionRow& row, int column) const {
    const auto part = [&row](int i) { return row.times.section(SessionRow::Separator, i, i); };
    switch (column) {
    case User:
        return m_users.value(row.user);
    case Start:
        return SessionText::date(part(0)) + u' ' + part(1);
    case End:
        return SessionText::date(part(2)) + u' ' + part(3);
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

QString SessionTableModel::copyText(int first, int last) const {
    const int top = std::max(0, std::min(first, last));
    const int bottom = std::min(rowCount() - 1, std::max(first, last));
    QString text;
    for (int row = top; row <= bottom; ++row) {
        for (int column = User; column <= Count; ++column)
            text += cellText(row, column) + u'\t';
        text += QStringLiteral("\r\n");
    }
    return text;
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
    emit dataChanged(index(sessionCount(), Duration), index(sessionCount(), Fee));
}
