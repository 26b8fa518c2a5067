#include "meter/access/LoginDecision.h"

#include "common/StoreError.h"
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

bool LoginDecision::accept(const QString& name, const QString& contextText) {
    m_message.clear();
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
