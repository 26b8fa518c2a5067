// Session records: the record pair of a connection and the auto-save step.
#include "meter/engine/MeterEngine.h"

#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/store/RecordAccess.h"
#include "platform/Clock.h"

#include <functional>

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
    m_state.UserRowId = m_state.MasterRowId = 0;
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
    // A failed step must not leave the previous session's tick and fee to be charged again.
    m_state.LastTick = m_services.clock.tickMs();
    m_state.ThisFee = 0;
    emit figuresChanged();
}

void MeterEngine::openRecords() {
    Store& store = m_services.store;
    const QString user = m_figures.User;
    const QDateTime& stamp = m_state.StartStamp;

    const double n = NumberFromText(m_figures.Label7) + 1;
    m_state.UserRowId = InsertRecord(store, Notes, {QStringLiteral("User")}, {user}, {Count}, {n});
    const auto userNote = [&](const char* column, const QString& value) {
        UpdateUserFieldWhereRow(store, Notes, user, QString::fromLatin1(column), value, Count, n,
                                m_state.UserRowId);
    };
    userNote("FromT", TimeText(stamp));
    userNote("FromD", DateText(stamp));

    const double m = NumberFromText(m_figures.Label17) + 1;
    m_state.MasterRowId =
        InsertRecord(store, Notes, {QStringLiteral("User")}, {Master}, {Count}, {m});
    const auto masterNote = [&](const char* column, const QString& value) {
        UpdateUserFieldWhereRow(store, Notes, Master, QString::fromLatin1(column), value, Count, m,
                                m_state.MasterRowId);
    };
    masterNote("FromT", TimeText(stamp));
    masterNote("FromD", DateText(stamp));
    masterNote("ToT", TimeText(stamp));
    masterNote("ToD", DateText(stamp));

    m_figures.Label7 = NumberToText(n) + " 次";
    m_figures.Label17 = NumberToText(m) + " 次";
    // From here on the saves address this session's own rows.
    m_state.RecordsOpen = true;

    m_figures.Label13 =
        NumberToText(NumberOf(SelectUser(store, UserSetTable, user, QStringLiteral("ShowMoney"),
                                         QStringLiteral("0")))) +
        " 元";
    // AllFee is not reread from its two-decimal display: it goes on from the total in memory.
    m_state.ShowFee = NumberFromText(m_figures.Label13);
    m_state.UserFee = NumberOf(SelectUserWhere(store, Notes, user, QStringLiteral("AllMoney"),
                                               QStringLiteral("0"), Count, n - 1));
    const double shownSeconds = NumberOf(
        SelectUser(store, UserSetTable, user, QStringLiteral("ShowTm"), QStringLiteral("0")));
    m_figures.Label11 = FormatSeconds(shownSeconds);
    m_state.ShowTmMs = shownSeconds * 1000;
    m_state.UserTmBase = NumberOf(SelectUserWhere(store, Notes, user, QStringLiteral("AllTm"),
                                                  QStringLiteral("0"), Count, n - 1)) *
                         1000;
}

void MeterEngine::AutoSave() {
    // A connection waiting for a log-on has no rows of its own: writing would overwrite the
    // previous session's record.
    if (!m_state.Linked || !m_state.RecordsOpen)
        return;
    Store& store = m_services.store;
    const QString user = m_figures.User;
    const double n = NumberFromText(m_figures.Label7);
    const double m = NumberFromText(m_figures.Label17);
    const qint64 now = m_services.clock.tickMs();
    const QDateTime stamp = m_services.clock.now();
    const double sessionMs = now - m_state.StartTick;

    const auto userNote = [&](const char* column, const QVariant& value) {
        UpdateUserFieldWhereRow(store, Notes, user, QString::fromLatin1(column), value, Count, n,
                                m_state.UserRowId);
    };
    const auto masterNote = [&](const char* column, const QVariant& value) {
        UpdateUserFieldWhereRow(store, Notes, Master, QString::fromLatin1(column), value, Count, m,
                                m_state.MasterRowId);
    };
    const auto userSet = [&](const char* column, const QVariant& value) {
        UpdateUserField(store, UserSetTable, user, QString::fromLatin1(column), value);
    };
    // Each statement stands alone; the next save repairs what one failed save missed.
    const std::function<void()> statements[] = {
        [&] { userNote("AllMoney", m_state.UserFee); },
        [&] { userNote("ThisMoney", m_state.ThisFee); },
        [&] { userSet("ShowMoney", m_state.ShowFee); },
        [&] { userNote("AllTm", (sessionMs + m_state.UserTmBase) / 1000); },
        [&] { userNote("ThisTm", sessionMs / 1000); },
        [&] { userSet("ShowTm", m_state.ShowTmMs / 1000); },
        [&] { userNote("ToD", DateText(stamp)); },
        [&] { userNote("ToT", TimeText(stamp)); },
        [&] { masterNote("AllMoney", m_state.AllFee); },
        [&] { masterNote("AllTm", m_state.AllTmMs / 1000); },
        [&] { masterNote("ToD", DateText(stamp)); },
        [&] { masterNote("ToT", TimeText(stamp)); },
        [&] { masterNote("ThisTm", sessionMs / 1000); },
    };
    for (const auto& statement : statements) {
        try {
            statement();
        } catch (const StoreError&) {
        }
    }
}

void MeterEngine::HsCuted() {
    m_watchBusy = true;
    m_state.Linked = true;
    AutoSave();
    m_state.Linked = false;
    m_state.StartTick = m_services.clock.tickMs();
    m_watchBusy = false;
    m_state.LoginGranted = false;
    m_state.RecordsOpen = false;
    m_state.UserRowId = m_state.MasterRowId = 0;
    emit figuresChanged();
}

void MeterEngine::UserSet(double tm, double mn) {
    setAutoSave(false, m_autoSaveIntervalMs);
    m_state.ShowFee = mn;
    m_state.ShowTmMs = tm * 1000;
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
