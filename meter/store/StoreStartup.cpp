#include "meter/store/StoreStartup.h"

#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/StoreCompletion.h"
#include "common/StoreError.h"
#include "common/StoreProblem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

StoreStartup::StoreStartup(Store& store, QString path, const QDate& today)
    : m_store(store), m_path(std::move(path)), m_today(today) {}

bool StoreStartup::fail(const QString& problem) {
    m_store.close();
    m_problem = problem;
    return false;
}

bool StoreStartup::open() {
    m_created = m_completed = false;
    m_problem.clear();
    m_store.close();
    RemoveUnfinishedCreations(m_path);
    if (!QFileInfo::exists(m_path)) {
        try {
            OpenStore(m_path, m_today);
            m_created = true;
        } catch (const StoreError& error) {
            return fail(StoreProblem::describe(m_path, error.message()));
        }
    } else {
        // The file must be writable for the meter to record; a failure shows when it opens.
        QFile::setPermissions(m_path,
                              QFile::permissions(m_path) | QFile::ReadOwner | QFile::WriteOwner);
    }
    if (!m_store.open(m_path))
        return fail(StoreProblem::describe(m_path, m_store.lastError()));

    StoreCompletion completion(m_store, m_today);
    switch (completion.assess()) {
    case StoreCompletion::State::Complete:
    case StoreCompletion::State::Irregular:
        break;
    case StoreCompletion::State::Unfinished:
        if (!completion.completeUnfinished()) {
            return fail(QStringLiteral("数据库文件 %1 是一次中断的建库留下的，但无法补全。\n"
                                       "详细信息：%2")
                            .arg(QDir::toNativeSeparators(m_path), completion.reason()));
        }
        m_completed = true;
        break;
    case StoreCompletion::State::Unreadable:
        return fail(StoreProblem::describe(m_path, completion.reason()));
    }
    return canRecord();
}

bool StoreStartup::canRecord() {
    // A session is a pair of Notes rows with these columns.
    const StoreQuery notes =
        m_store.query(QStringLiteral("select ID,User,FromD,ToD,FromT,ToT,Count,ThisMoney,AllMoney,"
                                     "ThisTm,AllTm from Notes limit 0"));
    if (notes.isValid())
        return true;
    const QString error = m_store.lastError();
    const StoreProblem::Kind kind = StoreProblem::kindOf(error);
    if (kind != StoreProblem::Kind::Incomplete && kind != StoreProblem::Kind::Other)
        return fail(StoreProblem::describe(m_path, error));
    return fail(QStringLiteral("数据库文件 %1 不完整，且含有本软件建库以外的内容，未作改动：无法"
                               "记录上网时间。请从备份恢复，或移走该文件后重新运行 Dialtoll。\n"
                               "详细信息：%2")
                    .arg(QDir::toNativeSeparators(m_path), error));
}
