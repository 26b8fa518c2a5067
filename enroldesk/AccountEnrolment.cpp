#include "enroldesk/AccountEnrolment.h"

#include "common/Store.h"
#include "common/StoreProblem.h"
#include "common/StoreStatements.h"
#include "common/TextConventions.h"
#include "common/fleet/FleetError.h"
#include "enroldesk/AccountDirectory.h"
#include "platform/Clock.h"

#include <QFile>
#include <QFileInfo>
#include <exception>

namespace {

const QString PublicAccount = QStringLiteral("公用帐号");
const QString Administrator = QStringLiteral("Master");

} // namespace

AccountEnrolment::AccountEnrolment(QString databasePath, const Clock& clock)
    : m_databasePath(std::move(databasePath)), m_clock(clock) {}

std::optional<AccountEnrolment::Outcome> AccountEnrolment::checkName(const QString& name) {
    if (name.isEmpty())
        return Outcome::NameEmpty;
    if (name == PublicAccount)
        return Outcome::NameIsPublic;
    if (CharacterCount(name) > MaxNameLength)
        return Outcome::NameTooLong;
    return std::nullopt;
}

std::optional<AccountEnrolment::Result>
AccountEnrolment::openAsAdministrator(Store& store, const QString& adminPassword) const {
    // Hidden and read-only files count as existing.
    if (!QFileInfo::exists(m_databasePath))
        return Result{Outcome::StoreMissing};
    // The file must be writable before it is opened; a failure shows when a statement fails.
    QFile::setPermissions(m_databasePath, QFile::permissions(m_databasePath) | QFile::WriteOwner |
                                              QFile::ReadOwner);
    if (!store.open(m_databasePath))
        return Result{Outcome::StoreUnreadable, store.lastError()};

    StoreQuery master = store.query(QString::fromUtf8(StoreStatements::MasterUser));
    if (!master.isValid())
        return Result{Outcome::StoreFailed, store.lastError()};
    if (!master.next()) {
        if (!master.error().isEmpty())
            return Result{Outcome::StoreFailed, master.error()};
        return Result{Outcome::MasterMissing};
    }
    // An unset password reads as empty text.
    if (master.value(QStringLiteral("Password")).toString() != adminPassword)
        return Result{Outcome::AdminPasswordWrong};
    return std::nullopt;
}

AccountEnrolment::Result AccountEnrolment::abandon(Store& store, const QString& detail) {
    Result result{Outcome::StoreFailed, detail};
    store.execute(QStringLiteral("rollback"));
    return result;
}

std::optional<AccountEnrolment::Result>
AccountEnrolment::beginAndFind(Store& store, const QString& name, bool& exists) {
    if (!store.execute(QStringLiteral("begin immediate")))
        return Result{Outcome::StoreFailed, store.lastError()};
    StoreQuery existing = store.query(QString::fromUtf8(StoreStatements::UserByName), {name});
    if (!existing.isValid())
        return abandon(store, store.lastError());
    exists = existing.next();
    const QString error = existing.error();
    // The query must end before the transaction does.
    existing = StoreQuery();
    if (!exists && !error.isEmpty())
        return abandon(store, error);
    return std::nullopt;
}

std::optional<AccountEnrolment::Outcome>
AccountEnrolment::checkRegistrationBoxes(const QString& name, const QString& password,
                                         const QString& verification) {
    if (password.isEmpty())
        return Outcome::PasswordEmpty;
    if (verification != password)
        return Outcome::VerificationDiffers;
    if (CharacterCount(password) > MaxPasswordLength)
        return Outcome::PasswordTooLong;
    return checkName(name);
}

AccountEnrolment::Result AccountEnrolment::registerAccount(const QString& name,
                                                           const QString& password,
                                                           const QString& verification,
                                                           const QString& adminPassword) const {
    if (const auto refusal = checkRegistrationBoxes(name, password, verification))
        return {*refusal};

    Store store;
    if (auto refusal = openAsAdministrator(store, adminPassword))
        return *refusal;

    // The name check and both inserts form one write transaction, so neither another copy of
    // this program nor a failing statement can leave half an account behind.
    bool exists = false;
    if (auto failure = beginAndFind(store, name, exists))
        return *failure;
    if (exists) {
        store.execute(QStringLiteral("rollback"));
        return {Outcome::NameTaken};
    }

    const QString nextYear = QString::number(m_clock.now().date().year() + 1);
    if (!store.execute(QString::fromUtf8(StoreStatements::InsertUser),
                       {name, password, registrationDate()}) ||
        !store.execute(QString::fromUtf8(StoreStatements::InsertUserSet),
                       {name, nextYear, nextYear}) ||
        !store.execute(QStringLiteral("commit")))
        return abandon(store, store.lastError());
    return {Outcome::Registered};
}

AccountEnrolment::Result AccountEnrolment::removeAccount(const QString& name,
                                                         const QString& adminPassword) const {
    if (const auto refusal = checkName(name))
        return {*refusal};

    Store store;
    if (auto refusal = openAsAdministrator(store, adminPassword))
        return *refusal;

    bool exists = false;
    if (auto failure = beginAndFind(store, name, exists))
        return *failure;
    if (!exists) {
        store.execute(QStringLiteral("rollback"));
        return {Outcome::NoSuchUser};
    }

    // The account's session records in Notes stay.
    if (!store.execute(QString::fromUtf8(StoreStatements::DeleteUser), {name}) ||
        !store.execute(QString::fromUtf8(StoreStatements::DeleteUserSet), {name}) ||
        !store.execute(QStringLiteral("commit")))
        return abandon(store, store.lastError());
    return {Outcome::Removed};
}

QString AccountEnrolment::registrationDate() const {
    return FormatPattern(m_clock.now().date(), QStringLiteral("YYYY年M月D日"));
}

std::optional<AccountEnrolment::Result>
AccountEnrolment::checkRegistration(const QString& name, const QString& password,
                                    const QString& verification,
                                    const QString& adminPassword) const {
    if (const auto refusal = checkRegistrationBoxes(name, password, verification))
        return Result{*refusal};
    {
        Store store;
        if (auto refusal = openAsAdministrator(store, adminPassword))
            return refusal;
    }
    // The administrator stays an account of each PC, in every letter case, as the local
    // store's comparison has it: the server may not hand the name to someone else.
    if (name.compare(Administrator, Qt::CaseInsensitive) == 0)
        return Result{Outcome::NameTaken};
    return std::nullopt;
}

std::optional<AccountEnrolment::Result>
AccountEnrolment::checkRemoval(const QString& name, const QString& adminPassword) const {
    if (const auto refusal = checkName(name))
        return Result{*refusal, {}, true};
    Store store;
    if (auto refusal = openAsAdministrator(store, adminPassword)) {
        refusal->removal = true;
        return refusal;
    }
    return std::nullopt;
}

AccountEnrolment::Result AccountEnrolment::serverFailure(const FleetError& error, bool removal) {
    return {error.transient ? Outcome::ServerUnreachable : Outcome::ServerFailed, error.message,
            removal};
}

AccountEnrolment::Result AccountEnrolment::registerOnServer(AccountDirectory& server,
                                                            const QString& name,
                                                            const QString& password,
                                                            const QString& regDate) {
    try {
        return {server.add(name, password, regDate) == ServerAccounts::Change::Done
                    ? Outcome::Registered
                    : Outcome::NameTaken};
    } catch (const FleetError& error) {
        return serverFailure(error, false);
    } catch (const std::exception& error) {
        // Out of memory, say: the request did not go out.
        return serverFailure(FleetError{QString::fromLocal8Bit(error.what()), false}, false);
    }
}

AccountEnrolment::Result AccountEnrolment::removeFromServer(AccountDirectory& server,
                                                            const QString& name) {
    try {
        return {server.remove(name) == ServerAccounts::Change::Done ? Outcome::Removed
                                                                    : Outcome::NoSuchUser,
                {},
                true};
    } catch (const FleetError& error) {
        return serverFailure(error, true);
    } catch (const std::exception& error) {
        // Out of memory, say: the request did not go out.
        return serverFailure(FleetError{QString::fromLocal8Bit(error.what()), false}, true);
    }
}

QString AccountEnrolment::message(const Result& result) const {
    switch (result.outcome) {
    case Outcome::PasswordEmpty:
        return QStringLiteral("请输入密码！");
    case Outcome::VerificationDiffers:
        return QStringLiteral("密码验证不符，请重新输入。");
    case Outcome::PasswordTooLong:
        return QStringLiteral("密码不能超过%1位！").arg(MaxPasswordLength);
    case Outcome::NameEmpty:
        return QStringLiteral("用户名不能为空！");
    case Outcome::NameIsPublic:
        return QStringLiteral("用户名不能为：“公用帐号”");
    case Outcome::NameTooLong:
        return QStringLiteral("用户名不能超过%1个字母或汉字！").arg(MaxNameLength);
    case Outcome::StoreMissing:
        return QStringLiteral("请首先运行：Dialtoll.exe ！");
    case Outcome::StoreUnreadable:
        return StoreProblem::describe(m_databasePath, result.detail);
    case Outcome::StoreFailed:
        // A statement of its own (a refused value) needs no word about the file.
        if (!StoreProblem::isFileProblem(result.detail))
            return QStringLiteral("数据库出错，未作任何更改：%1").arg(result.detail);
        return QStringLiteral("未作任何更改。") +
               StoreProblem::describe(m_databasePath, result.detail);
    case Outcome::MasterMissing:
        return QStringLiteral("错误：管理员不存在！");
    case Outcome::AdminPasswordWrong:
        return QStringLiteral("管理员密码错！");
    case Outcome::NameTaken:
        return QStringLiteral("用户名已存在，请重新输入用户名！");
    case Outcome::NoSuchUser:
        return QStringLiteral("用户不存在！");
    case Outcome::Registered:
        return QStringLiteral("Enroldesk成功！");
    case Outcome::Removed:
        return QStringLiteral("用户已注消！");
    case Outcome::ServerUnreachable:
        return (result.removal ? QStringLiteral("无法连接服务器，帐号没有注消。")
                               : QStringLiteral("无法连接服务器，帐号没有注册。")) +
               QStringLiteral("请检查与服务器的连接后再试。\n（%1）").arg(result.detail);
    case Outcome::ServerFailed:
        return (result.removal ? QStringLiteral("服务器没有接受这次注消，帐号没有注消：%1")
                               : QStringLiteral("服务器没有接受这次注册，帐号没有注册：%1"))
            .arg(result.detail);
    }
    return {};
}

bool AccountEnrolment::isSuccess(Outcome outcome) {
    return outcome == Outcome::Registered || outcome == Outcome::Removed;
}
