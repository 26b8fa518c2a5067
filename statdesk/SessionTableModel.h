#pragma once

#include "statdesk/SessionRow.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <vector>

// The statistics grid: one row per listed session, then the totals row. Cells are written
// when the view asks for them, so a long listing costs only its compact rows. Column 0 numbers
// the sessions and reads "合  计" on the totals row.
class SessionTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number, User, Start, End, Duration, Fee, Count, ColumnCount };

    explicit SessionTableModel(QObject* parent = nullptr);

    // A new listing; the totals row follows it.
    void setSessions(std::vector<SessionRow> rows, QStringList users);
    // No listing: the header alone.
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QString cellText(int row, int column) const;
    int sessionCount() const { return int(m_rows.size()); }
    bool isSession(int row) const { return row >= 0 && row < sessionCount(); }
    const SessionRow& session(int row) const { return m_rows.at(std::size_t(row)); }
    QString userName(int row) const { return m_users.value(session(row).user); }

    // The rows from `first` to `last` (either way round), columns 1 to 6 each followed by a
    // tab, each row ended by CR LF. The totals row is copied like the others.
    QString copyText(int first, int last) const;

    // Removes these session rows (any order) and brings the numbering and the totals up to date.
    void removeSessions(QList<int> rows);

    double totalSeconds() const { return m_totalSeconds; }
    qint64 totalFee() const { return m_totalFee; }

private:
    void computeTotals();
    QString sessionText(const SessionRow& row, int column) const;

    std::vector<SessionRow> m_rows;
    QStringList m_users;
    bool m_listed = false;
    double m_totalSeconds = 0;
    qint64 m_totalFee = 0;
};
