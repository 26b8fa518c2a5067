#include "statdesk/ListingScope.h"

#include "statdesk/SessionGrouping.h"

QString ListingScope::caption() const {
    return QStringLiteral("用户：%1　%2 至 %3")
        .arg(user, SessionGrouping::label(from, GroupPeriod::Day),
             SessionGrouping::label(to, GroupPeriod::Day));
}

QString ListingScope::fileStem() const {
    QString name = user;
    for (QChar& c : name) {
        if (c.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    }
    return QStringLiteral("Dialtoll统计_%1_%2-%3").arg(name).arg(from).arg(to);
}
