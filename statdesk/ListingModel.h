#pragma once

#include <QAbstractTableModel>
#include <QString>

class CsvWriter;

// A listing in the statistics grid: one row per item, then the totals row. Column 0 numbers
// the items and reads "合  计" on the totals row. Cells are written when asked for, so a long
// listing costs only its compact items.
class ListingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    virtual int itemCount() const = 0;
    virtual QString headerText(int column) const = 0;
    virtual QString cellText(int row, int column) const = 0;
    // The listing for a spreadsheet: a header record, the items in the order shown, the totals.
    virtual void writeCsv(CsvWriter& out) const = 0;

    // Whether a query has filled it; until then it has no rows, not even the totals.
    bool isListed() const { return m_listed; }
    bool isItem(int row) const { return row >= 0 && row < itemCount(); }
    bool isTotals(int row) const { return m_listed && row == itemCount(); }

    // The rows from `first` to `last` (either way round), columns 1 onwards each followed by a
    // tab, each row ended by CR LF. The totals row is copied like the others.
    QString copyText(int first, int last) const;

protected:
    void setListed(bool listed) { m_listed = listed; }

private:
    bool m_listed = false;
};
