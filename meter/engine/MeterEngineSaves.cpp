// Saves that the store could not take: kept in memory and in a journal beside the store, and
// written first at the next save.
#include "meter/engine/MeterEngine.h"

#include "common/DataFolder.h"
#include "common/StoreError.h"
#include "common/TextConventions.h"
#include "meter/store/SaveJournal.h"
#include "meter/store/SessionSaveWriter.h"

#include <QDebug>
#include <cmath>

namespace {

// Saves that do not reach the store are said on standard error, so they never go unnoticed.
void Say(const QString& message) {
    qWarning().noquote() << QStringLiteral("Dialtoll: ") + message;
}

} // namespace

bool MeterEngine::writeSaves(const std::optional<SessionSave>& running,
                             std::chrono::milliseconds lockWait) {
    QList<SessionSave> saves = m_pending;
    if (running) {
        // The latest figures of a session supersede the ones kept for it.
        saves.removeIf([&](const SessionSave& kept) { return kept.sameSession(*running); });
        saves << *running;
    }
    SaveJournal journal(journalPath());
    SessionSaveWriter writer(m_services.store, lockWait);
    try {
        const QList<SessionSave> written = writer.write(saves);
        if (running && m_session.sameSession(*running))
            m_session = written.last();
        if (!m_pending.isEmpty()) {
            const QString skipped =
                writer.skippedRows() > 0
                    ? QStringLiteral(" (%1 row(s) left alone: gone or already written)")
                          .arg(writer.skippedRows())
                    : QString();
            Say(QStringLiteral("%1 kept save(s) written to the store%2")
                    .arg(m_pending.size())
                    .arg(skipped));
            m_pending.clear();
            if (!journal.remove())
                Say(QStringLiteral("cannot remove %1: %2")
                        .arg(journal.path(), journal.errorString()));
        }
        emit savesWritten();
        return true;
    } catch (const StoreError& error) {
        m_pending = saves;
        Say(QStringLiteral("save kept for later: %1").arg(error.message()));
        if (!journal.write(m_pending))
            Say(QStringLiteral("cannot write %1: %2").arg(journal.path(), journal.errorString()));
        return false;
    }
}

void MeterEngine::applySaveJournal() {
    SaveJournal journal(journalPath());
    const std::optional<QList<SessionSave>> saves = journal.read();
    if (!saves) {
        Say(QStringLiteral("unreadable save journal %1 (%2), set aside")
                .arg(journal.path(), journal.errorString()));
        journal.setAside();
        return;
    }
    if (saves->isEmpty()) {
        journal.remove();
        return;
    }
    m_pending = *saves;
    writeSaves(std::nullopt, JournalLockWait);
}

const SessionSave* MeterEngine::pendingSave(const QString& user,
                                            std::optional<qint64> count) const {
    for (auto it = m_pending.crbegin(); it != m_pending.crend(); ++it) {
        if (it->User == user && (!count || it->UserCount == *count))
            return &*it;
    }
    return nullptr;
}

void MeterEngine::showPendingTotals() {
    // Kept saves are newer than what the store holds (any write that reaches the store takes
    // them along), unless an earlier run already wrote them.
    if (const SessionSave* latest = pendingSave(m_figures.User);
        latest && latest->UserCount >= NumberFromText(m_figures.Label7)) {
        m_figures.Label7 = NumberToText(latest->UserCount) + " 次";
        m_figures.Label13 = NumberToText(latest->ShowMoney) + " 元";
        m_figures.Label11 = FormatSeconds(latest->ShowTm);
    }
    if (m_pending.isEmpty() || m_pending.last().MasterCount < NumberFromText(m_figures.Label17))
        return;
    const SessionSave& latest = m_pending.last();
    m_figures.Label17 = NumberToText(latest.MasterCount) + " 次";
    // Four decimals, as the store would give it back.
    m_figures.Label21 = NumberToText(std::round(latest.MasterAllMoney * 10000) / 10000) + " 元";
    m_figures.Label19 = FormatSeconds(latest.MasterAllTm);
    if (!m_state.Linked) {
        m_state.AllTmMs = latest.MasterAllTm * 1000;
        m_state.AllFee = latest.MasterAllMoney;
    }
}

QString MeterEngine::journalPath() const {
    return DataFilePath(m_services.dataFolder, SaveJournal::FileName);
}
