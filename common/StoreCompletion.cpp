#include "common/StoreCompletion.h"

#include "common/OpenStore.h"
#include "common/Store.h"

#include <QSet>

namespace {

using Kind = StoreCreationStep::Kind;

const QString MasterName = QStringLiteral("Master");
const QString PublicName = QStringLiteral("公用帐号");

} // namespace

StoreCompletion::StoreCompletion(Store& store, const QDate& today)
    : m_store(store), m_steps(StoreCreationSteps(today)) {}

bool StoreCompletion::read(const QString& sql, const QVariantList& values,
                           QList<QVariantList>& rows) {
    rows.clear();
    StoreQuery query = m_store.query(sql, values);
    if (!query.isValid()) {
        m_reason = m_store.lastError();
        m_unreadable = true;
        return false;
    }
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.columnCount(); ++i)
            row << query.value(i);
        rows << row;
    }
    if (!query.error().isEmpty()) {
        m_reason = query.error();
        m_unreadable = true;
        return false;
    }
    return true;
}

bool StoreCompletion::count(const QString& sql, const QVariantList& values, qlonglong& result) {
    QList<QVariantList> rows;
    if (!read(sql, values, rows) || rows.isEmpty() || rows.first().isEmpty())
        return false;
    result = rows.first().first().toLongLong();
    return true;
}

bool StoreCompletion::isPresent(const StoreCreationStep& step) {
    const QString table = step.table.toLower();
    const auto columns = m_columns.constFind(table);
    if (columns == m_columns.constEnd())
        return false;
    switch (step.kind) {
    case Kind::Table:
        return true;
    case Kind::Column:
        return columns->contains(step.name.toLower());
    case Kind::Row: {
        if (!columns->contains(QStringLiteral("user")))
            return false;
        qlonglong rows = 0;
        // Table names come from the creation steps only.
        count(QStringLiteral("select count(*) from \"%1\" where User=?").arg(step.table),
              {step.name}, rows);
        return rows > 0;
    }
    }
    return false;
}

bool StoreCompletion::holdsOnlyCreationData() {
    qlonglong rows = 0;
    if (m_columns.contains(QStringLiteral("notes"))) {
        if (!count(QStringLiteral("select count(*) from Notes"), {}, rows))
            return false;
        if (rows > 0) {
            m_reason = QStringLiteral("Notes 中已有 %1 条记录").arg(rows);
            return false;
        }
    }
    if (m_columns.value(QStringLiteral("users")).contains(QStringLiteral("user"))) {
        if (!count(QStringLiteral("select count(*) from Users where User is null or "
                                  "User not in (?,?)"),
                   {MasterName, PublicName}, rows))
            return false;
        if (rows > 0) {
            m_reason = QStringLiteral("Users 中有建库时以外的帐号");
            return false;
        }
    }
    return true;
}

StoreCompletion::State StoreCompletion::findState() {
    m_reason.clear();
    m_unreadable = false;
    m_columns.clear();
    m_stepsDone = 0;

    // What creation makes, by table.
    QHash<QString, QStringList> expected;
    for (const StoreCreationStep& step : m_steps) {
        if (step.kind == Kind::Table)
            expected[step.table.toLower()] = {QStringLiteral("id"), QStringLiteral("user")};
        else if (step.kind == Kind::Column)
            expected[step.table.toLower()] << step.name.toLower();
    }

    QList<QVariantList> tables;
    if (!read(QStringLiteral("select name from sqlite_master where type='table'"), {}, tables))
        return State::Unreadable;
    bool foreign = false;
    for (const QVariantList& row : tables) {
        const QString name = row.value(0).toString();
        if (name.startsWith(QStringLiteral("sqlite_"), Qt::CaseInsensitive))
            continue;
        const QString key = name.toLower();
        if (!expected.contains(key)) {
            foreign = true;
            m_reason = QStringLiteral("有建库时以外的表 %1").arg(name);
            continue;
        }
        QList<QVariantList> columns;
        if (!read(QStringLiteral("PRAGMA table_info(\"%1\")").arg(name), {}, columns))
            return State::Unreadable;
        QStringList names;
        for (const QVariantList& column : columns)
            names << column.value(1).toString().toLower();
        for (const QString& column : names) {
            if (!expected.value(key).contains(column)) {
                foreign = true;
                m_reason = QStringLiteral("表 %1 有建库时以外的列 %2").arg(name, column);
            }
        }
        m_columns.insert(key, names);
    }

    QList<bool> present;
    for (const StoreCreationStep& step : m_steps) {
        present << isPresent(step);
        if (m_unreadable)
            return State::Unreadable;
    }
    m_stepsDone = static_cast<int>(present.indexOf(false));
    if (m_stepsDone < 0) {
        m_stepsDone = stepCount();
        return foreign ? State::Irregular : State::Complete;
    }
    bool allStructure = true;
    for (int i = 0; i < stepCount(); ++i) {
        if (m_steps.at(i).kind != Kind::Row && !present.at(i))
            allStructure = false;
    }
    const bool prefix = !present.mid(m_stepsDone).contains(true);
    if (foreign)
        return State::Irregular;
    if (!prefix) {
        if (allStructure)
            return State::Complete;
        m_reason = QStringLiteral("缺少的部分不是建库中断所致");
        return State::Irregular;
    }
    if (!holdsOnlyCreationData())
        return m_unreadable ? State::Unreadable : State::Irregular;
    return State::Unfinished;
}

StoreCompletion::State StoreCompletion::assess() {
    return findState();
}

bool StoreCompletion::completeUnfinished() {
    // The write lock first, so no other program writes between the look and the completion.
    if (!m_store.execute(QStringLiteral("begin immediate"))) {
        m_reason = m_store.lastError();
        return false;
    }
    bool completed = findState() == State::Unfinished;
    for (int i = m_stepsDone; completed && i < stepCount(); ++i) {
        if (!m_store.execute(m_steps.at(i).statement)) {
            m_reason = m_store.lastError();
            completed = false;
        }
    }
    if (completed && m_store.execute(QStringLiteral("commit"))) {
        m_stepsDone = stepCount();
        return true;
    }
    if (completed)
        m_reason = m_store.lastError();
    m_store.execute(QStringLiteral("rollback"));
    return false;
}
