#include "meter/access/FleetLogin.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/StoreStatements.h"
#include "common/StoreTransaction.h"
#include "common/TextConventions.h"
#include "common/fleet/PasswordHash.h"
#include "common/fleet/ServerAccounts.h"
#include "meter/fleet/FleetAccountCache.h"
#include "platform/Clock.h"

namespace {

const QString PublicAccount = QStringLiteral("公用帐号");
const QString Administrator = QStringLiteral("Master");
// Users.RegDate is TEXT(14).
constexpr int RegDateLength = 14;

bool HasRow(Store& store, const char* table, const QString& name) {
    StoreQuery query = store.query(
        QStringLiteral("select 1 from %1 where User=?").arg(QLatin1String(table)), {name});
    if (!query.isValid())
        throw StoreError(store.lastError());
    if (query.next())
        return true;
    if (!query.error().isEmpty())
        throw StoreError(query.error());
    return false;
}

void Run(Store& store, const char* sql, const QVariantList& values) {
    if (!store.execute(QString::fromUtf8(sql), values))
        throw StoreError(store.lastError());
}

} // namespace

FleetLogin::FleetLogin(Store& store, const Clock& clock, int cacheDays)
    : m_store(store), m_clock(clock), m_cacheDays(cacheDays) {}

bool FleetLogin::isLocalAccount(const QString& name) {
    // The store finds the administrator's row in any letter case, so every spelling of it
    // stays local; no server account can take the name.
    return name == PublicAccount || name.compare(Administrator, Qt::CaseInsensitive) == 0;
}

FleetLogin::Verdict FleetLogin::check(const QString& name, const QString& password) {
    m_account.reset();
    m_refusal.clear();
    const FleetAccountCache::Freshness fresh =
        FleetAccountCache::freshness(m_store, m_clock.now().toUTC(), m_cacheDays);
    switch (fresh.state) {
    case FleetAccountCache::Freshness::State::NeverFilled:
        m_refusal = QStringLiteral("本机还没有从服务器取得帐号，暂时不能登录。"
                                   "请检查与服务器的连接。");
        return Verdict::CacheUnusable;
    case FleetAccountCache::Freshness::State::TooOld:
        m_refusal = QStringLiteral("本机的帐号资料已有 %1 天没有与服务器同步（上限 %2 天），"
                                   "暂时不能登录。请检查与服务器的连接。")
                        .arg(fresh.ageDays)
                        .arg(m_cacheDays);
        return Verdict::CacheUnusable;
    case FleetAccountCache::Freshness::State::Fresh:
        break;
    }
    std::optional<FleetAccount> account = FleetAccountCache::find(m_store, name);
    if (!account || !PasswordHash::verify(account->passwordHash, password))
        return Verdict::WrongPassword;
    m_account = std::move(account);
    return Verdict::Accepted;
}

std::optional<FleetAccount> FleetLogin::acceptedAccount(const QString& name) const {
    if (!m_account || ServerAccounts::nameKey(name) != ServerAccounts::nameKey(m_account->name))
        return std::nullopt;
    return m_account;
}

void FleetLogin::ensureLocalRows(const FleetAccount& account) {
    StoreTransaction transaction(m_store);
    if (!HasRow(m_store, "Users", account.name)) {
        // The password stays on the server; a date the column cannot hold is left out rather
        // than keep the account from logging on.
        const QString regDate =
            CharacterCount(account.regDate) <= RegDateLength ? account.regDate : QString();
        Run(m_store, StoreStatements::InsertUser, {account.name, QStringLiteral(""), regDate});
    }
    if (!HasRow(m_store, "UserSet", account.name)) {
        const QString nextYear = QString::number(m_clock.now().date().year() + 1);
        Run(m_store, StoreStatements::InsertUserSet, {account.name, nextYear, nextYear});
    }
    transaction.commit();
}
