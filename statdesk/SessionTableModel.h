#pragma once

#include "statdesk/ListingModel.h"
#include "statdesk/SessionListing.h"
#include "statdesk/SessionRow.h"

#include <QList>
#include <QStringList>
#include <vector>

// The statistics grid's session listing: one row per listed session, then the totals row. In
// fleet mode a PC column "电脑" follows the numbering.
class SessionTableModel : public ListingModel {
    Q_OBJECT
public:
    // The columns' values are their places without the PC column.
    enum Column { Number, User, Start, End, Duration, Fee, Count, Pc };

    explicit SessionTableModel(QObject* parent = nullptr);

    // A new listing, in the query's order; the totals row follows it. `pcs` names the rows' PCs.
    void setSessions(std::vector<SessionRow> rows, QStringList users, QStringList pcs = {});
    void setSessions(SessionListing listing);
    // Shows the PC column (fleet mode) or not.
    void setPcColumn(bool shown);
    bool hasPcColumn() const { return m_pcColumn; }
    // What a column of the grid shows, and where the grid shows a column (-1: not shown).
    Column columnAt(int column) const;
    int columnOf(Column column) const;
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
    const QStringList& pcNames() const { return m_pcs; }

    // Removes these session rows (any order) and brings the numbering and the totals up to date.
    void removeSessions(QList<int> rows);

    double totalSeconds() const { return m_totalSeconds; }
    qint64 totalFee() const { return m_totalFee; }

private:
    void computeTotals();
    QString sessionText(const SessionRow& row, Column column) const;
    // Sort keys of every row for a column, in the rows' present order.
    std::vector<double> sortKeys(Column column) const;

    std::vector<SessionRow> m_rows;
    QStringList m_users;
    QStringList m_pcs;
    bool m_pcColumn = false;
    double m_totalSeconds = 0;
    qint64 m_totalFee = 0;
};
