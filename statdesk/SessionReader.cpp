#include "statdesk/SessionReader.h"

#include "common/Store.h"
#include "common/StoreStatements.h"
#include "common/TextConventions.h"
#include "statdesk/QueryError.h"
#include "statdesk/SessionSpan.h"
#include "statdesk/SessionText.h"

#include <cmath>

namespace {

double NumberOf(const QVariant& value) {
    if (value.isNull())
        return 0;
    if (value.typeId() == QMetaType::QString)
        return NumberFromText(value.toString());
    return value.toDouble();
}

QString TextOf(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double)
        return NumberToText(value.toDouble());
    return value.toString();
}

} // namespace

int SessionReader::userIndex(const QString& name) {
    const auto it = m_userIndexes.constFind(name);
    if (it != m_userIndexes.constEnd())
        return *it;
    m_users << name;
    m_userIndexes.insert(name, int(m_users.size() - 1));
    return int(m_users.size() - 1);
}

void SessionReader::read(Store& store, const std::optional<QString>& account, qint64 from,
                         qint64 to) {
    m_rows.clear();
    m_users.clear();
    m_userIndexes.clear();
    if (!store.isOpen())
        throw QueryError(QueryError::NoDatabase, QStringLiteral("数据库没有打开"));

    QVariantList values;
    if (account)
        values << *account;
    values << from << to;
    StoreQuery query = store.query(StoreStatements::SessionsQuery(account.has_value()), values);
    if (!query.isValid())
        throw QueryError::fromStore(store.lastError());

    // Columns by name once, not per row.
    const QStringList names = query.columnNames();
    const auto column = [&names](const char* name) {
        for (int i = 0; i < names.size(); ++i) {
            if (names.at(i).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    };
    const int rowIdColumn = 0;
    const int userColumn = column("User");
    const int fromDColumn = column("FromD");
    const int toDColumn = column("ToD");
    const int fromTColumn = column("FromT");
    const int toTColumn = column("ToT");
    const int countColumn = column("Count");
    const int moneyColumn = column("ThisMoney");
    const int secondsColumn = column("ThisTm");

    while (query.next()) {
        SessionRow row;
        row.rowId = query.value(rowIdColumn).toLongLong();
        row.user = userIndex(TextOf(query.value(userColumn)));
        const QString fromD = TextOf(query.value(fromDColumn));
        const QString fromT = TextOf(query.value(fromTColumn));
        const QString toD = TextOf(query.value(toDColumn));
        const QString toT = TextOf(query.value(toTColumn));
        row.times = fromD + SessionRow::Separator + fromT + SessionRow::Separator + toD +
                    SessionRow::Separator + toT;
        row.seconds = NumberOf(query.value(secondsColumn));
        row.shownSeconds = SessionSpan::shownSeconds(row.seconds, fromD, fromT, toD, toT);
        row.fee = SessionText::feeUnits(NumberOf(query.value(moneyColumn)));
        const QVariant count = query.value(countColumn);
        if (!count.isNull())
            row.count = std::llround(NumberOf(count));
        m_rows.push_back(std::move(row));
    }
    if (!query.error().isEmpty())
        throw QueryError::fromStore(query.error());
}
