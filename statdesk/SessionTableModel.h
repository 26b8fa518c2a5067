#pragma once

#include "statdesk/ListingModel.h"
#include "statdesk/SessionRow.h"

#include <QList>
#include <QStringList>
#include <vector>

// The statistics grid's session listing: one row per listed session, then the totals row.
class SessionTableModel : public ListingModel {
    Q_OBJECT
public:
    enum Column { Number, User, Start, End, Duration, Fee, Count, ColumnCount };

    explicit SessionTableModel(QObject* parent = nullptr);

    // A new listing, in the query's order; the totals row follows it.
    void setSessions(std::vector<SessionRow> rows, QStringList users);
    // No listing: the header alone.
    void clear();

    int columnCount(const QModelIndex& parent = {}) const override;
    int itemCount() const override { return sessionCount(); }
    QString headerText(int column) const override;
    QString cellText(int row, int column) const override;
    void writeCsv(CsvWriter& out) const override;
    // Orders the sessions by a column; the totals row stays last, and column 0 brings back the
    // query's order. Ties keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    int sessionCount() const { return int(m_rows.size()); }
    bool isSession(int row) const { return isItem(row); }
    const SessionRow& session(int row) const { return m_rows.at(std::size_t(row)); }
    const std::vector<SessionRow>& sessions() const { return m_rows; }
    QString userName(int row) const { return m_users.value(session(row).user); }

    // Removes these session rows (any order) and brings the numbering and the totals up to date.
    void removeSessions(QList<int> rows);

    double totalSeconds() const { return m_totalSeconds; }
    qint64 totalFee() const { return m_totalFee; }

private:
    void computeTotals();
    QString sessionText(const SessionRow& row, int column) const;
    // Sort keys of every row for a column, in the rows' present order.
    std::vector<double> sortKeys(int column) const;

    std::vector<SessionRow> m_rows;
    QStringList m_users;
    double m_totalSeconds = 0;
    qint64 m_totalFee = 0;
};
