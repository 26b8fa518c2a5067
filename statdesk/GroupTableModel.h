#pragma once

#include "statdesk/ListingModel.h"
#include "statdesk/SessionGroup.h"

#include <vector>

// The listing totalled per start day or month: per group the number of sessions, the time and
// the fee, then the same totals row as the session listing.
class GroupTableModel : public ListingModel {
    Q_OBJECT
public:
    enum Column { Number, Period, Sessions, Duration, Fee, ColumnCount };

    explicit GroupTableModel(QObject* parent = nullptr);

    // Groups in calendar order.
    void setGroups(std::vector<SessionGroup> groups, GroupPeriod period);
    // No listing: the header alone, naming the period.
    void clear(GroupPeriod period = GroupPeriod::Day);

    int columnCount(const QModelIndex& parent = {}) const override;
    int itemCount() const override { return int(m_groups.size()); }
    QString headerText(int column) const override;
    QString cellText(int row, int column) const override;
    void writeCsv(CsvWriter& out) const override;
    // Orders the groups by a column; column 0 and the period column bring back calendar order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    GroupPeriod period() const { return m_period; }
    const std::vector<SessionGroup>& groups() const { return m_groups; }
    int totalSessions() const { return m_totalSessions; }
    double totalSeconds() const { return m_totalSeconds; }
    qint64 totalFee() const { return m_totalFee; }

private:
    std::vector<SessionGroup> m_groups;
    GroupPeriod m_period = GroupPeriod::Day;
    int m_totalSessions = 0;
    double m_totalSeconds = 0;
    qint64 m_totalFee = 0;
};
