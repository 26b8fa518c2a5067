#include "statdesk/SessionEraser.h"

#include "common/Store.h"
#include "common/StoreStatements.h"
#include "statdesk/SessionTableModel.h"

#include <algorithm>

namespace {

// Whether the row is still in the store after its delete statement ran.
const char* const SessionStillThere = "select count(*) from Notes where rowid=?";
constexpr int MaxListedFailures = 10;

} // namespace

void SessionEraser::erase(Store& store, const SessionTableModel& model, int first, int last) {
    m_removed.clear();
    m_failures.clear();
    const int top = std::max(0, std::min(first, last));
    const int bottom = std::min(model.sessionCount() - 1, std::max(first, last));
    for (int row = top; row <= bottom; ++row) {
        const SessionRow& session = model.session(row);
        const QString user = model.userName(row);
        const QVariant count =
            session.count == SessionRow::NoCount ? QVariant() : QVariant(session.count);
        const QString label = QStringLiteral("%1 第%2次").arg(user, count.toString());
        if (!store.execute(StoreStatements::DeleteSession, {user, count, session.rowId})) {
            m_failures << label + QStringLiteral("：") + store.lastError();
            continue;
        }
        StoreQuery check = store.query(SessionStillThere, {session.rowId});
        if (!check.next()) {
            const QString why = check.error().isEmpty() ? store.lastError() : check.error();
            m_failures << label + QStringLiteral("：") + why;
            continue;
        }
        if (check.value(0).toLongLong() != 0) {
            m_failures << label + QStringLiteral("：记录已被修改，没有删除");
            continue;
        }
        m_removed << row;
    }
}

QString SessionEraser::failureMessage() const {
    if (m_failures.isEmpty())
        return {};
    QStringList lines = m_failures.mid(0, MaxListedFailures);
    if (m_failures.size() > MaxListedFailures)
        lines << QStringLiteral("……");
    return QStringLiteral("有 %1 条记录没有删除：\n").arg(m_failures.size()) + lines.join(u'\n');
}
