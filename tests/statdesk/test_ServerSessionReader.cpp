#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"
#include "common/fleet/ServerSchema.h"
#include "statdesk/PgServerSessionSource.h"
#include "statdesk/SessionText.h"
#include "support/PgTestCluster.h"

#include <gtest/gtest.h>

// Failures show the texts, not their bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << "{\n  " << texts.join("\n  ").toStdString() << "\n}";
}

namespace {

const QString PcA = QStringLiteral("aaaaaaaa-0000-4000-8000-000000000001");
const QString PcB = QStringLiteral("bbbbbbbb-0000-4000-8000-000000000002");
const QString PcC = QStringLiteral("cccccccc-0000-4000-8000-000000000003");

// A server with the schema, three PCs' sessions written as a superuser would (the uploads'
// own rules are tested with the schema), and an administrator who reads them.
class ServerSessionReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString why = PgTestCluster::unavailableReason(); !why.isEmpty())
            GTEST_SKIP() << "SKIPPED: " << why.toStdString();
        ASSERT_TRUE(m_cluster.start()) << m_cluster.error().toStdString();
        PgConnection owner(m_cluster.superuserConninfo());
        owner.connect();
        ServerSchema::Install(owner);
        ASSERT_TRUE(m_cluster.createLoginRole("office", "pw", {ServerSchema::AdminRole}));
        ASSERT_TRUE(m_cluster.createLoginRole("nobody", "pw"));
        owner.exec("insert into dialtoll.pcs (pc_id, name) values ($1, '机房2号'), "
                   "($2, '机房1号'), ($3, '前台')",
                   {PcA, PcB, PcC});
        // pc, row, account, count, from_d, from_t, to_d, to_t, this_money, this_tm
        const QList<QVariantList> sessions = {
            {PcA, 1, "alice", 1, "20260301", "10:00:00", "20260301", "11:00:00", "1.2345", 3600},
            // The all-users ledger row of the same session.
            {PcA, 2, "Master", 1, "20260301", "10:00:00", "20260301", "11:00:00", "1.2345", 3600},
            // Still running.
            {PcA, 3, "bob", 1, "20260302", "9:00:00", "", "", "0.5", 0},
            // On the last day, ending after it; no time saved: the span is shown.
            {PcA, 4, "Alice", 2, "20260331", "23:59:00", "20260401", "0:01:00", "0.1", 0},
            // Started the day before the range, ended inside it.
            {PcA, 5, "alice", 3, "20260228", "23:00:00", "20260301", "1:00:00", "2", 7200},
            {PcA, 6, "alice", 4, "20260401", "0:00:00", "20260401", "1:00:00", "1", 3600},
            {PcB, 1, "bob", 1, "20260305", "10:00:00", "20260305", "10:30:00", "0.5", 1800},
            // Earlier on the same day, though "9:" sorts after "10" as text.
            {PcB, 2, "bob", 2, "20260305", "9:00:00", "20260305", "9:10:00", "0.25", 600},
            {PcB, 3, "MASTER", 2, "20260305", "9:00:00", "20260305", "9:10:00", "0.25", 600},
            {PcC, 1, "公用帐号", QVariant(), "20260310", "8:00:00", "20260310", "8:00:30", "0", 30},
        };
        for (const QVariantList& s : sessions)
            owner.exec("insert into dialtoll.sessions (pc_id, row_id, save_seq, account, count, "
                       "from_d, from_t, to_d, to_t, this_money, this_tm) "
                       "values ($1, $2, 1, $3, $4, $5, $6, $7, $8, $9, $10)",
                       s);
    }

    SessionListing read(const std::optional<QString>& account, qint64 from, qint64 to) {
        PgServerSessionSource source(m_cluster.conninfo("office", "pw"));
        return source.read(account, from, to);
    }

    void superuser(const QString& sql) {
        ASSERT_TRUE(m_cluster.superuserExec(sql)) << m_cluster.error().toStdString();
    }

    PgTestCluster m_cluster;
};

// Each row as "PC|user|FromD FromT|ToD ToT|shown seconds|fee|count".
QStringList Rows(const SessionListing& listing) {
    QStringList rows;
    for (const SessionRow& row : listing.rows) {
        QStringList times = row.times.split(SessionRow::Separator);
        rows << QStringList({listing.pcs.value(row.pc), listing.users.value(row.user),
                             times.value(0) + ' ' + times.value(1),
                             times.value(2) + ' ' + times.value(3),
                             QString::number(row.shownSeconds), SessionText::feeNumber(row.fee),
                             row.count == SessionRow::NoCount ? "-" : QString::number(row.count)})
                    .join('|');
    }
    return rows;
}

TEST_F(ServerSessionReaderTest, ListsEveryPcsFinishedSessionsByPcThenStart) {
    const SessionListing all = read(std::nullopt, 20260301, 20260331);
    EXPECT_EQ(all.pcs, QStringList({"机房1号", "机房2号", "前台"}));
    EXPECT_EQ(Rows(all), QStringList({
                             "机房1号|bob|20260305 9:00:00|20260305 9:10:00|600|0.2500|2",
                             "机房1号|bob|20260305 10:00:00|20260305 10:30:00|1800|0.5000|1",
                             "机房2号|alice|20260301 10:00:00|20260301 11:00:00|3600|1.2345|1",
                             "机房2号|Alice|20260331 23:59:00|20260401 0:01:00|120|0.1000|2",
                             "前台|公用帐号|20260310 8:00:00|20260310 8:00:30|30|0.0000|-",
                         }));
    // The totals add the saved seconds, as this PC's listing does: 0 for the unsaved span.
    double seconds = 0;
    qint64 fee = 0;
    for (const SessionRow& row : all.rows) {
        seconds += row.seconds;
        fee += row.fee;
    }
    EXPECT_EQ(seconds, 6030);
    EXPECT_EQ(fee, 20845);
}

TEST_F(ServerSessionReaderTest, FiltersByAccountWithoutCaseAndByStartDay) {
    const struct {
        std::optional<QString> account;
        qint64 from;
        qint64 to;
        QStringList users;
    } cases[] = {
        {QStringLiteral("ALICE"), 20260301, 20260331, {"alice", "Alice"}},
        {QStringLiteral("bob"), 20260301, 20260331, {"bob", "bob"}},
        {std::nullopt, 20260305, 20260305, {"bob", "bob"}},
        {std::nullopt, 20260228, 20260228, {"alice"}},
        {std::nullopt, 20260401, 20260430, {"alice"}},
        // Master's rows are the ledger of everyone: never listed, even when asked for.
        {QStringLiteral("Master"), 20260301, 20260331, {}},
        {QStringLiteral("carol"), 20260301, 20260331, {}},
        // A quote in the name is a name like any other.
        {QStringLiteral("o'brien"), 20260301, 20260331, {}},
    };
    for (const auto& c : cases) {
        const SessionListing found = read(c.account, c.from, c.to);
        QStringList users;
        for (const SessionRow& row : found.rows)
            users << found.users.value(row.user);
        EXPECT_EQ(users, c.users) << c.account.value_or("everyone").toStdString() << " " << c.from;
    }
}

TEST_F(ServerSessionReaderTest, NamesEveryPcApart) {
    // A PC without a name goes by its id; two PCs of one name get their ids added.
    superuser(QStringLiteral("update dialtoll.pcs set name = '' where pc_id = '%1'").arg(PcC));
    superuser(QStringLiteral("update dialtoll.pcs set name = '机房' where pc_id in ('%1', '%2')")
                  .arg(PcA, PcB));
    const SessionListing all = read(std::nullopt, 20260301, 20260331);
    QStringList pcs = all.pcs;
    pcs.sort();
    EXPECT_EQ(pcs, QStringList({"cccccccc", "机房 (aaaaaaaa)", "机房 (bbbbbbbb)"}));
    QStringList shown;
    for (const SessionRow& row : all.rows)
        shown << all.pcs.value(row.pc);
    EXPECT_EQ(shown.count("机房 (aaaaaaaa)"), 2);
    EXPECT_EQ(shown.count("机房 (bbbbbbbb)"), 2);
    EXPECT_EQ(shown.count("cccccccc"), 1);
}

TEST_F(ServerSessionReaderTest, AStartDayIsTheNumberAtTheHeadOfFromD) {
    // As this PC's val(): blanks skipped, the digits taken, anything after them ignored.
    superuser(QStringLiteral("insert into dialtoll.sessions (pc_id, row_id, save_seq, account, "
                             "from_d, from_t, to_d, to_t, this_tm) values "
                             "('%1', 10, 1, 'dan', ' 20260320x', '8:00:00', '20260320', "
                             "'9:00:00', 3600), "
                             "('%1', 11, 1, 'dan', 'x20260320', '8:00:00', '20260320', "
                             "'9:00:00', 3600)")
                  .arg(PcC));
    const SessionListing found = read(QStringLiteral("dan"), 20260301, 20260331);
    EXPECT_EQ(Rows(found),
              QStringList({"前台|dan| 20260320x 8:00:00|20260320 9:00:00|3600|0.0000|-"}));
}

TEST_F(ServerSessionReaderTest, ARefusedOrAbsentServerIsSaidApart) {
    PgServerSessionSource stranger(m_cluster.conninfo("nobody", "pw"));
    try {
        stranger.read(std::nullopt, 20260301, 20260331);
        ADD_FAILURE() << "a role without rights read the sessions";
    } catch (const ServerReadError& error) {
        EXPECT_EQ(error.kind, ServerReadError::Failed);
        EXPECT_TRUE(error.message.contains("permission denied")) << error.message.toStdString();
    }
    ASSERT_TRUE(m_cluster.stop());
    try {
        read(std::nullopt, 20260301, 20260331);
        ADD_FAILURE() << "read from a stopped server";
    } catch (const ServerReadError& error) {
        EXPECT_EQ(error.kind, ServerReadError::Unreachable);
        EXPECT_FALSE(error.message.isEmpty());
    }
}

} // namespace
