#include "statdesk/ListingModel.h"

#include <QColor>
#include <algorithm>

int ListingModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_listed ? itemCount() + 1 : 0;
}

QVariant ListingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case Qt::BackgroundRole:
        // The numbering column looks fixed, like the header.
        if (index.column() == 0)
            return QColor(0xec, 0xec, 0xec);
        return {};
    default:
        return {};
    }
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return headerText(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QString ListingModel::copyText(int first, int last) const {
    const int top = std::max(0, std::min(first, last));
    const int bottom = std::min(rowCount() - 1, std::max(first, last));
    const int columns = columnCount();
    QString text;
    for (int row = top; row <= bottom; ++row) {
        for (int column = 1; column < columns; ++column)
            text += cellText(row, column) + u'\t';
        text += QStringLiteral("\r\n");
    }
    return text;
}
