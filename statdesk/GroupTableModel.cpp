#include "statdesk/GroupTableModel.h"

#include "statdesk/CsvWriter.h"
#include "statdesk/SessionGrouping.h"
#include "statdesk/SessionText.h"

#include <algorithm>

GroupTableModel::GroupTableModel(QObject* parent) : ListingModel(parent) {}

void GroupTableModel::setGroups(std::vector<SessionGroup> groups, GroupPeriod period) {
    beginResetModel();
    m_groups = std::move(groups);
    m_period = period;
    m_totalSessions = 0;
    m_totalSeconds = 0;
    m_totalFee = 0;
    for (const SessionGroup& group : m_groups) {
        m_totalSessions += group.sessions;
        m_totalSeconds += group.seconds;
        m_totalFee += group.fee;
    }
    setListed(true);
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, Period, Period);
}

void GroupTableModel::clear(GroupPeriod period) {
    beginResetModel();
    m_groups.clear();
    m_period = period;
    m_totalSessions = 0;
    m_totalSeconds = 0;
    m_totalFee = 0;
    setListed(false);
    endResetModel();
}

int GroupTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString GroupTableModel::headerText(int column) const {
    switch (column) {
    case Number:
        return QStringLiteral("序号");
    case Period:
        return m_period == GroupPeriod::Day ? QStringLiteral("日期") : QStringLiteral("月份");
    case Sessions:
        return QStringLiteral("上网次数");
    case Duration:
        return QStringLiteral("漫游时长");
    case Fee:
        return QStringLiteral("花费");
    default:
        return {};
    }
}

QString GroupTableModel::cellText(int row, int column) const {
    if (isItem(row)) {
        const SessionGroup& group = m_groups[std::size_t(row)];
        switch (column) {
        case Number:
            return QString::number(row + 1);
        case Period:
            return SessionGrouping::label(group.key, m_period);
        case Sessions:
            return QString::number(group.sessions);
        case Duration:
            return SessionText::duration(group.seconds);
        case Fee:
            return SessionText::fee(group.fee);
        default:
            return {};
        }
    }
    if (isTotals(row)) {
        switch (column) {
        case Number:
            return QStringLiteral("合  计");
        case Sessions:
            return QString::number(m_totalSessions);
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

void GroupTableModel::writeCsv(CsvWriter& out) const {
    out.text(headerText(Number));
    out.text(headerText(Period));
    out.text(headerText(Sessions));
    out.text(headerText(Duration));
    out.text(QStringLiteral("漫游时长(秒)"));
    out.text(QStringLiteral("花费(元)"));
    out.endRecord();
    int number = 0;
    for (const SessionGroup& group : m_groups) {
        out.number(QString::number(++number));
        out.text(SessionGrouping::isoLabel(group.key, m_period));
        out.number(QString::number(group.sessions));
        out.number(SessionText::duration(group.seconds));
        out.number(SessionText::wholeSeconds(group.seconds));
        out.number(SessionText::feeNumber(group.fee));
        out.endRecord();
    }
    out.text(QStringLiteral("合  计"));
    out.text({});
    out.number(QString::number(m_totalSessions));
    out.number(SessionText::duration(m_totalSeconds));
    out.number(SessionText::wholeSeconds(m_totalSeconds));
    out.number(SessionText::feeNumber(m_totalFee));
    out.endRecord();
}

void GroupTableModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount || m_groups.empty())
        return;
    const auto key = [column](const SessionGroup& group) -> double {
        switch (column) {
        case Sessions:
            return group.sessions;
        case Duration:
            return group.seconds;
        case Fee:
            return double(group.fee);
        default:
            return double(group.key);
        }
    };
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::stable_sort(m_groups.begin(), m_groups.end(),
                     [&](const SessionGroup& a, const SessionGroup& b) {
                         return order == Qt::AscendingOrder ? key(a) < key(b) : key(b) < key(a);
                     });
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
