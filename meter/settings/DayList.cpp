#include "meter/settings/DayList.h"

#include <algorithm>

DayList::DayList(const QStringList& entries) {
    for (const QString& entry : entries)
        insert(entry);
}

int DayList::insert(const QString& entry) {
    // QString's operator< compares UTF-16 code units: the code-point order for every text a
    // list can hold. After any equal texts, as a list box appends them.
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), entry);
    const auto row = at - m_entries.begin();
    m_entries.insert(row, entry);
    return static_cast<int>(row);
}

int DayList::add(const QString& entry) {
    if (contains(entry))
        return -1;
    return insert(entry);
}

int DayList::removeAt(int row) {
    if (row < 0 || row >= count())
        return -1;
    m_entries.removeAt(row);
    if (m_entries.isEmpty())
        return -1;
    return row < count() ? row : 0;
}
