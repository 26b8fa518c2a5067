#include "statdesk/ListingScope.h"

#include "statdesk/SessionGrouping.h"

QString ListingScope::caption() const {
    return (allPcs ? QStringLiteral("全部电脑　") : QString()) +
           QStringLiteral("用户：%1　%2 至 %3")
               .arg(user, SessionGrouping::label(from, GroupPeriod::Day),
                    SessionGrouping::label(to, GroupPeriod::Day));
}

QString ListingScope::fileStem() const {
    QString name = user;
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    }
    return QStringLiteral("Dialtoll统计_%1%2_%3-%4")
        .arg(allPcs ? QStringLiteral("全部电脑_") : QString(), name)
        .arg(from)
        .arg(to);
}
