// Session records: the record pair of a connection and the auto-save step.
#include "meter/engine/MeterEngine.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/store/RecordAccess.h"
#include "platform/Clock.h"

namespace {

const QString Notes = QStringLiteral("Notes");
const QString UserSetTable = QStringLiteral("UserSet");
const QString Master = QStringLiteral("Master");
const QString Count = QStringLiteral("Count");

QString TimeText(const QDateTime& stamp) {
    return FormatPattern(stamp, QStringLiteral("H:MM:SS"));
}

QString DateText(const QDateTime& stamp) {
    return FormatPattern(stamp, QStringLiteral("YYYYMMDD"));
}

double NumberOf(const QVariant& value) {
    return NumberFromText(value.toString());
}

} // namespace

void MeterEngine::HsLinked() {
    // Only a connection that is up gets records; a log-on while off line just loads the
    // account, and the records open when the link comes up.
    if (!m_state.Linked)
        return;
    m_state.StartTick = m_services.clock.tickMs();
    m_state.StartStamp = m_services.clock.now();
    m_state.RecordsOpen = false;
    m_session = {};
    // Reset before the records open, whose first save writes the session's fee, and whatever
    // fails below: the previous session's tick and fee must not be charged again.
    m_state.LastTick = m_services.clock.tickMs();
    m_state.ThisFee = 0;
    try {
        Store& store = m_services.store;
        const double more = NumberOf(SelectUser(store, QStringLiteral("Masterset"), Master,
                                                QStringLiteral("More"), QStringLiteral("0")));
        if (more == 0 || m_state.LoginGranted)
            openRecords();
        else
            emit loginRequested(QStringLiteral("0"));
    } catch (const StoreError&) {
        // The watch goes on; the steps after the failure do not run.
    }
    emit figuresChanged();
    emit linkCameUp();
}

void MeterEngine::openRecords() {
    Store& store = m_services.store;
    const QString user = m_figures.User;
    const QDateTime& stamp = m_state.StartStamp;
    const double n = NumberFromText(m_figures.Label7) + 1;
    const double m = NumberFromText(m_figures.Label17) + 1;

    // The carried totals continue record n - 1, which may still wait to be written.
    double userFee = NumberOf(SelectUserWhere(store, Notes, user, QStringLiteral("AllMoney"),
                                              QStringLiteral("0"), Count, n - 1));
    double userSeconds = NumberOf(SelectUserWhere(store, Notes, user, QStringLiteral("AllTm"),
                                                  QStringLiteral("0"), Count, n - 1));
    double shownFee = NumberOf(
        SelectUser(store, UserSetTable, user, QStringLiteral("ShowMoney"), QStringLiteral("0")));
    double shownSeconds = NumberOf(
        SelectUser(store, UserSetTable, user, QStringLiteral("ShowTm"), QStringLiteral("0")));
    if (const SessionSave* previous = pendingSave(user, static_cast<qint64>(n - 1))) {
        userFee = previous->UserAllMoney;
        userSeconds = previous->UserAllTm;
    }
    if (const SessionSave* latest = pendingSave(user)) {
        shownFee = latest->ShowMoney;
        shownSeconds = latest->ShowTm;
    }

    m_session.User = user;
    m_session.UserCount = static_cast<qint64>(n);
    m_session.MasterCount = static_cast<qint64>(m);
    m_session.FromD = DateText(stamp);
    m_session.FromT = TimeText(stamp);
    m_figures.Label7 = NumberToText(n) + " 次";
    m_figures.Label17 = NumberToText(m) + " 次";
    // From here on the saves address this session's own rows, written or still to be.
    m_state.RecordsOpen = true;

    m_figures.Label13 = NumberToText(shownFee) + " 元";
    // AllFee is not reread from its two-decimal display: it goes on from the total in memory.
    m_state.ShowFee = NumberFromText(m_figures.Label13);
    m_state.UserFee = userFee;
    m_figures.Label11 = FormatSeconds(shownSeconds);
    m_state.ShowTmMs = shownSeconds * 1000;
    m_state.UserTmBase = userSeconds * 1000;

    // The rows and their first save go in together: a record is never left without its
    // carried totals and its end, whatever stops the program next.
    writeSaves(runningSave(), SaveLockWait);
}

void MeterEngine::AutoSave() {
    // A connection waiting for a log-on has no rows of its own: writing would overwrite the
    // previous session's record. Saves kept from earlier still go out.
    const bool running = m_state.Linked && m_state.RecordsOpen;
    if (!running && m_pending.isEmpty())
        return;
    writeSaves(running ? std::optional<SessionSave>(runningSave()) : std::nullopt, SaveLockWait);
}

SessionSave MeterEngine::runningSave() const {
    SessionSave save = m_session;
    const double sessionMs = m_services.clock.tickMs() - m_state.StartTick;
    const QDateTime stamp = m_services.clock.now();
    save.ToD = DateText(stamp);
    save.ToT = TimeText(stamp);
    save.UserAllMoney = m_state.UserFee;
    save.ThisMoney = m_state.ThisFee;
    save.UserAllTm = (sessionMs + m_state.UserTmBase) / 1000;
    save.ThisTm = sessionMs / 1000;
    save.MasterAllMoney = m_state.AllFee;
    save.MasterAllTm = m_state.AllTmMs / 1000;
    save.ShowMoney = m_state.ShowFee;
    save.ShowTm = m_state.ShowTmMs / 1000;
    return save;
}

void MeterEngine::HsCuted() {
    m_watchBusy = true;
    m_state.Linked = true;
    AutoSave();
    m_state.Linked = false;
    const qint64 endTick = m_services.clock.tickMs();
    const double seconds = (endTick - m_state.StartTick) / 1000.0;
    const double fee = m_state.ThisFee;
    m_state.StartTick = endTick;
    m_watchBusy = false;
    m_state.LoginGranted = false;
    m_state.RecordsOpen = false;
    m_session = {};
    emit figuresChanged();
    emit linkWentDown(seconds, fee);
}

void MeterEngine::UserSet(double tm, double mn) {
    setAutoSave(false, m_autoSaveIntervalMs);
    m_state.ShowFee = mn;
    m_state.ShowTmMs = tm * 1000;
    // A kept save must not put the old displayed totals back.
    for (SessionSave& kept : m_pending) {
        if (kept.User == m_figures.User) {
            kept.ShowMoney = mn;
            kept.ShowTm = tm;
        }
    }
    UpdateUserField(m_services.store, UserSetTable, m_figures.User, QStringLiteral("ShowMoney"),
                    m_state.ShowFee);
    UpdateUserField(m_services.store, UserSetTable, m_figures.User, QStringLiteral("ShowTm"),
                    m_state.ShowTmMs / 1000);
    setAutoSave(true, m_autoSaveIntervalMs);
}

void MeterEngine::setAutoSave(bool enabled, int intervalMs) {
    if (enabled == m_autoSaveEnabled && intervalMs == m_autoSaveIntervalMs)
        return;
    m_autoSaveEnabled = enabled;
    m_autoSaveIntervalMs = intervalMs;
    emit autoSaveTimerChanged();
}
