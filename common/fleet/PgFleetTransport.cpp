#include "common/fleet/PgFleetTransport.h"

#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"
#include "common/fleet/ServerAccounts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject RecordJson(const FleetSessionRecord& record) {
    // Whole numbers go as texts: JSON numbers are doubles, and the server reads them back
    // exactly either way.
    return QJsonObject{
        {QStringLiteral("row_id"), QString::number(record.rowId)},
        {QStringLiteral("save_seq"), QString::number(record.saveSeq)},
        {QStringLiteral("user"), record.user},
        {QStringLiteral("count"), QString::number(record.count)},
        {QStringLiteral("from_d"), record.fromD},
        {QStringLiteral("from_t"), record.fromT},
        {QStringLiteral("to_d"), record.toD},
        {QStringLiteral("to_t"), record.toT},
        {QStringLiteral("this_money"), QString::number(record.thisMoney)},
        {QStringLiteral("all_money"), QString::number(record.allMoney)},
        {QStringLiteral("this_tm"), QString::number(record.thisTm)},
        {QStringLiteral("all_tm"), QString::number(record.allTm)},
    };
}

FleetUploadStatus StatusFromText(const QString& text) {
    if (text == QLatin1String("applied"))
        return FleetUploadStatus::Applied;
    if (text == QLatin1String("duplicate"))
        return FleetUploadStatus::Duplicate;
    if (text == QLatin1String("stale"))
        return FleetUploadStatus::Stale;
    if (text == QLatin1String("conflict"))
        return FleetUploadStatus::Conflict;
    throw FleetError{QStringLiteral("the server answered an unknown upload outcome: %1").arg(text),
                     false};
}

} // namespace

PgFleetTransport::PgFleetTransport(QString conninfo)
    : m_connection(std::make_unique<PgConnection>(std::move(conninfo))) {}

PgFleetTransport::~PgFleetTransport() = default;

void PgFleetTransport::connect() {
    m_connection->connect();
}

bool PgFleetTransport::isConnected() const {
    return m_connection->isConnected();
}

void PgFleetTransport::disconnect() {
    m_connection->close();
}

void PgFleetTransport::registerPc(const QString& pcId, const QString& pcName) {
    m_connection->exec(
        QStringLiteral("insert into dialtoll.pcs (pc_id, name) values ($1::uuid, $2) "
                       "on conflict (pc_id) do update "
                       "set name = excluded.name, last_seen = now()"),
        {pcId, pcName});
}

QList<FleetUploadStatus> PgFleetTransport::upload(const QString& pcId,
                                                  const QList<FleetSessionRecord>& records) {
    if (records.isEmpty())
        return {};
    QJsonArray batch;
    for (const FleetSessionRecord& record : records)
        batch.append(RecordJson(record));
    const PgRows answer = m_connection->exec(
        QStringLiteral("select key, outcome from dialtoll.upload_sessions($1::uuid, $2::jsonb)"),
        {pcId, QString::fromUtf8(QJsonDocument(batch).toJson(QJsonDocument::Compact))});
    // One answer per record, in the order sent: a batch may hold a key twice.
    if (answer.rows.size() != records.size())
        throw FleetError{QStringLiteral("the server answered %1 outcomes for %2 records")
                             .arg(answer.rows.size())
                             .arg(records.size()),
                         false};
    QList<FleetUploadStatus> statuses;
    statuses.reserve(records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (answer.rows.at(i).at(0).toLongLong() != records.at(i).rowId)
            throw FleetError{QStringLiteral("the server answered out of order at record %1")
                                 .arg(records.at(i).rowId),
                             false};
        statuses.append(StatusFromText(answer.rows.at(i).at(1).toString()));
    }
    return statuses;
}

QList<FleetAccount> PgFleetTransport::fetchAccounts() {
    return ServerAccounts(*m_connection).list();
}
