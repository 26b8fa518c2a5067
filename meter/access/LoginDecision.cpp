#include "meter/access/LoginDecision.h"

#include "common/StoreError.h"
#include "common/fleet/FleetError.h"
#include "meter/access/LoginContext.h"
#include "meter/access/TextLimits.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "platform/DialUpNetwork.h"

namespace {
constexpr int NameLimit = 12;
} // namespace

const QString LoginDecision::PublicAccount = QStringLiteral("公用帐号");
const QString LoginDecision::FallbackPassword = QStringLiteral("石青竹");
const QString LoginDecision::PublicAccountMessage =
    QStringLiteral("当使用多用户管理时，不可使用“公用帐号”登陆网络！");
const QString LoginDecision::WrongPasswordMessage = QStringLiteral("用户名/密码错误！请重新输入。");

LoginDecision::LoginDecision(Store& store, MeterEngine& mainEngine, DialUpNetwork& network)
    : m_store(store), m_engine(mainEngine), m_network(network) {}

void LoginDecision::enableFleet(const Clock& clock, int cacheDays) {
    m_fleet.emplace(m_store, clock, cacheDays);
}

LoginDecision::Verdict LoginDecision::check(const QString& name, const QString& password,
                                            const QString& contextText) {
    m_message.clear();
    // The public account goes on line for nobody in particular: it may only be taken back
    // by a change of user while no link is up.
    if (name == PublicAccount &&
        (contextText != LoginContext::ChangeOfUserText || m_network.IsConnected()))
        return Verdict::PublicAccountRefused;
    // No account has a longer name or password, so none can match.
    if (TextLimits::Exceeds(name, NameLimit) || TextLimits::Exceeds(password, TextLimits::Password))
        return Verdict::WrongPassword;
    if (m_fleet && !FleetLogin::isLocalAccount(name))
        return checkFleet(name, password);
    QString expected;
    try {
        expected = SelectUser(m_store, QStringLiteral("Users"), name, QStringLiteral("Password"),
                              FallbackPassword)
                       .toString();
    } catch (const StoreError& error) {
        m_message = error.message();
        return Verdict::StoreFailed;
    }
    return password == expected ? Verdict::Accepted : Verdict::WrongPassword;
}

LoginDecision::Verdict LoginDecision::checkFleet(const QString& name, const QString& password) {
    try {
        switch (m_fleet->check(name, password)) {
        case FleetLogin::Verdict::Accepted:
            return Verdict::Accepted;
        case FleetLogin::Verdict::WrongPassword:
            return Verdict::WrongPassword;
        case FleetLogin::Verdict::CacheUnusable:
            m_message = m_fleet->refusal();
            return Verdict::AccountsUnavailable;
        }
    } catch (const StoreError& error) {
        m_message = error.message();
        return Verdict::StoreFailed;
    } catch (const FleetError& error) {
        // The hash library could not start: no password can be checked.
        m_message = QStringLiteral("无法核对密码（%1），暂时不能登录。").arg(error.message);
        return Verdict::AccountsUnavailable;
    }
    return Verdict::WrongPassword;
}

bool LoginDecision::accept(const QString& typedName, const QString& contextText) {
    m_message.clear();
    QString name = typedName;
    if (m_fleet && !FleetLogin::isLocalAccount(typedName)) {
        // Only an account the check just accepted; its rows are made before anything switches,
        // so a failure leaves the previous account as it was.
        const std::optional<FleetAccount> account = m_fleet->acceptedAccount(typedName);
        if (!account) {
            m_message = QStringLiteral("帐号“%1”没有通过检查").arg(typedName);
            return false;
        }
        try {
            m_fleet->ensureLocalRows(*account);
        } catch (const StoreError& error) {
            m_message = error.message();
            return false;
        }
        // One spelling on every PC, so the server's records of an account go together.
        name = account->name;
    }
    if (contextText == LoginContext::ChangeOfUserText)
        m_engine.Svdt(); // the outgoing account's running session, written while it is current
    const QString previousUser = m_engine.currentUser();
    const bool previouslyGranted = m_engine.state().LoginGranted;
    m_engine.setLoginGranted(true);
    m_engine.setCurrentUser(name);
    try {
        m_engine.hsLoad();
    } catch (const StoreError& error) {
        // Half-loaded figures would number the new account's records from the old one's:
        // the switch is undone instead.
        m_message = error.message();
        m_engine.setCurrentUser(previousUser);
        m_engine.setLoginGranted(previouslyGranted);
        try {
            m_engine.hsLoad();
        } catch (const StoreError&) {
        }
        return false;
    }
    // Off line nothing is opened and the count stays where the load put it; the records open
    // when the link comes up. On line the new account's session starts now.
    if (m_network.IsConnected())
        m_engine.HsLinked();
    return true;
}
