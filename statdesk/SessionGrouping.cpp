#include "statdesk/SessionGrouping.h"

#include "common/TextConventions.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

QString Digits(qint64 value, int width) {
    return QString::number(value).rightJustified(width, u'0');
}

} // namespace

qint64 SessionGrouping::startDay(const SessionRow& row) {
    const qsizetype end = row.times.indexOf(SessionRow::Separator);
    const double value = NumberFromText(end < 0 ? row.times : row.times.left(end));
    return std::isfinite(value) ? qint64(std::floor(value)) : 0;
}

std::vector<SessionGroup> SessionGrouping::group(const std::vector<SessionRow>& rows,
                                                 GroupPeriod period) {
    std::vector<SessionGroup> groups;
    QHash<qint64, std::size_t> byKey;
    for (const SessionRow& row : rows) {
        const qint64 day = startDay(row);
        const qint64 key = period == GroupPeriod::Day ? day : day / 100;
        auto it = byKey.constFind(key);
        if (it == byKey.constEnd()) {
            it = byKey.insert(key, groups.size());
            groups.push_back({key, 0, 0, 0});
        }
        SessionGroup& group = groups[*it];
        ++group.sessions;
        group.seconds += row.seconds;
        group.fee += row.fee;
    }
    std::sort(groups.begin(), groups.end(),
              [](const SessionGroup& a, const SessionGroup& b) { return a.key < b.key; });
    return groups;
}

QDate SessionGrouping::firstDay(qint64 key, GroupPeriod period) {
    const qint64 day = period == GroupPeriod::Day ? key : key * 100 + 1;
    return QDate(int(day / 10000), int(day / 100 % 100), int(day % 100));
}

QString SessionGrouping::label(qint64 key, GroupPeriod period) {
    if (period == GroupPeriod::Day)
        return Digits(key / 10000, 4) + u'年' + Digits(key / 100 % 100, 2) + u'月' +
               Digits(key % 100, 2) + u'日';
    return Digits(key / 100, 4) + u'年' + Digits(key % 100, 2) + u'月';
}

QString SessionGrouping::isoLabel(qint64 key, GroupPeriod period) {
    if (period == GroupPeriod::Day)
        return Digits(key / 10000, 4) + u'-' + Digits(key / 100 % 100, 2) + u'-' +
               Digits(key % 100, 2);
    return Digits(key / 100, 4) + u'-' + Digits(key % 100, 2);
}
