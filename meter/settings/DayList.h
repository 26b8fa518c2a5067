#pragma once

#include <QString>
#include <QStringList>

// The entries of one sorted list, kept in ascending code-point order of their texts as a
// sorted list box shows them: digits before Chinese characters, so "10月1日" comes before
// "1月1日" and "星期六" before "星期日".
class DayList {
public:
    DayList() = default;
    // Every entry, duplicates included, each in its sorted place.
    explicit DayList(const QStringList& entries);

    const QStringList& entries() const { return m_entries; }
    int count() const { return static_cast<int>(m_entries.size()); }
    bool contains(const QString& entry) const { return m_entries.contains(entry); }

    // Puts the entry in its place even when it is listed already; returns its row.
    int insert(const QString& entry);
    // Adds the entry unless the very same text is listed; returns its row, or -1 when it was
    // listed already.
    int add(const QString& entry);
    // Removes the entry at `row` and returns the row to select afterwards: the entry that
    // followed the removed one, the first one when the last was removed, -1 when none is
    // left or `row` was out of range.
    int removeAt(int row);

private:
    QStringList m_entries;
};
