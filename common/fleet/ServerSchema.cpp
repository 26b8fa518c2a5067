#include "common/fleet/ServerSchema.h"

#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"

namespace {

// Version 1. Each statement may run again on a schema that already has it.
const char* const SchemaV1 = R"SQL(
create schema if not exists dialtoll;

do $$
begin
    if not exists (select from pg_roles where rolname = 'dialtoll_pc') then
        create role dialtoll_pc nologin;
    end if;
    if not exists (select from pg_roles where rolname = 'dialtoll_admin') then
        create role dialtoll_admin nologin;
    end if;
end
$$;

create table if not exists dialtoll.schema_version (version integer not null);

-- A PC is known by the random id its store got; the role that first claims it owns it.
create table if not exists dialtoll.pcs (
    pc_id uuid primary key,
    role_name name not null default current_user,
    name text not null default '',
    first_seen timestamptz not null default now(),
    last_seen timestamptz not null default now()
);

-- One row per local session row (the account's and the all-users' row alike), keyed by the PC
-- and the PC's upload key. The PC's own times stay as it wrote them; received_at is the
-- server's clock, so skew between PCs shows.
create table if not exists dialtoll.sessions (
    pc_id uuid not null references dialtoll.pcs (pc_id),
    row_id bigint not null,
    save_seq bigint not null,
    account text not null,
    count bigint,
    from_d text not null default '',
    from_t text not null default '',
    to_d text not null default '',
    to_t text not null default '',
    this_money numeric(19, 4) not null default 0,
    all_money numeric(19, 4) not null default 0,
    this_tm bigint not null default 0,
    all_tm bigint not null default 0,
    first_received_at timestamptz not null default now(),
    received_at timestamptz not null default now(),
    primary key (pc_id, row_id)
);

-- Saves that arrived under a key holding something else: kept for a person to look at.
create table if not exists dialtoll.session_conflicts (
    id bigserial primary key,
    pc_id uuid not null,
    row_id bigint not null,
    save_seq bigint not null,
    reason text not null,
    record jsonb not null,
    received_at timestamptz not null default now()
);

-- Accounts usable on every PC; names are unique without letter case (name_key is the
-- case-folded name). Passwords only as Argon2id hash strings.
create table if not exists dialtoll.accounts (
    name_key text primary key,
    name text not null,
    password_hash text not null,
    reg_date text not null default '',
    changed_at timestamptz not null default now()
);

alter table dialtoll.pcs enable row level security;
alter table dialtoll.sessions enable row level security;
alter table dialtoll.session_conflicts enable row level security;
alter table dialtoll.accounts enable row level security;

drop policy if exists pc_own on dialtoll.pcs;
create policy pc_own on dialtoll.pcs for all to dialtoll_pc
    using (role_name = current_user) with check (role_name = current_user);
drop policy if exists pc_own on dialtoll.sessions;
create policy pc_own on dialtoll.sessions for all to dialtoll_pc
    using (pc_id in (select p.pc_id from dialtoll.pcs p where p.role_name = current_user))
    with check (pc_id in (select p.pc_id from dialtoll.pcs p where p.role_name = current_user));
drop policy if exists pc_own on dialtoll.session_conflicts;
create policy pc_own on dialtoll.session_conflicts for all to dialtoll_pc
    using (pc_id in (select p.pc_id from dialtoll.pcs p where p.role_name = current_user))
    with check (pc_id in (select p.pc_id from dialtoll.pcs p where p.role_name = current_user));
drop policy if exists pc_read on dialtoll.accounts;
create policy pc_read on dialtoll.accounts for select to dialtoll_pc using (true);

drop policy if exists admin_all on dialtoll.pcs;
create policy admin_all on dialtoll.pcs for all to dialtoll_admin using (true) with check (true);
drop policy if exists admin_all on dialtoll.sessions;
create policy admin_all on dialtoll.sessions for all to dialtoll_admin
    using (true) with check (true);
drop policy if exists admin_all on dialtoll.session_conflicts;
create policy admin_all on dialtoll.session_conflicts for all to dialtoll_admin
    using (true) with check (true);
drop policy if exists admin_all on dialtoll.accounts;
create policy admin_all on dialtoll.accounts for all to dialtoll_admin
    using (true) with check (true);

-- Applies a batch of one PC's records: a new key is inserted; a known key takes the record
-- only when its save is newer and it is the same session. Anything else under a known key is
-- a duplicate, a stale save, or a conflict that is flagged and never applied.
create or replace function dialtoll.upload_sessions(pc uuid, batch jsonb)
returns table (key bigint, outcome text)
language plpgsql security invoker as $fn$
declare
    r jsonb;
    cur dialtoll.sessions%rowtype;
    took boolean;
    same_session boolean;
    same_contents boolean;
begin
    for r in select value from jsonb_array_elements(batch) loop
        key := (r ->> 'row_id')::bigint;
        took := false;
        insert into dialtoll.sessions as s
            (pc_id, row_id, save_seq, account, count, from_d, from_t, to_d, to_t,
             this_money, all_money, this_tm, all_tm)
        values (pc, key, (r ->> 'save_seq')::bigint, r ->> 'user', (r ->> 'count')::bigint,
                r ->> 'from_d', r ->> 'from_t', r ->> 'to_d', r ->> 'to_t',
                (r ->> 'this_money')::numeric / 10000, (r ->> 'all_money')::numeric / 10000,
                (r ->> 'this_tm')::bigint, (r ->> 'all_tm')::bigint)
        on conflict (pc_id, row_id) do update
            set save_seq = excluded.save_seq, to_d = excluded.to_d, to_t = excluded.to_t,
                this_money = excluded.this_money, all_money = excluded.all_money,
                this_tm = excluded.this_tm, all_tm = excluded.all_tm, received_at = now()
            where s.save_seq < excluded.save_seq and s.account = excluded.account
                and s.count is not distinct from excluded.count
                and s.from_d = excluded.from_d and s.from_t = excluded.from_t
        returning true into took;
        if took then
            outcome := 'applied';
        else
            select * into cur from dialtoll.sessions s where s.pc_id = pc and s.row_id = key;
            same_session := cur.account = r ->> 'user'
                and cur.count is not distinct from (r ->> 'count')::bigint
                and cur.from_d = r ->> 'from_d' and cur.from_t = r ->> 'from_t';
            same_contents := same_session and cur.to_d = r ->> 'to_d' and cur.to_t = r ->> 'to_t'
                and cur.this_money = (r ->> 'this_money')::numeric / 10000
                and cur.all_money = (r ->> 'all_money')::numeric / 10000
                and cur.this_tm = (r ->> 'this_tm')::bigint
                and cur.all_tm = (r ->> 'all_tm')::bigint;
            if not same_session then
                outcome := 'conflict';
                insert into dialtoll.session_conflicts (pc_id, row_id, save_seq, reason, record)
                values (pc, key, (r ->> 'save_seq')::bigint, 'another session under this key', r);
            elsif cur.save_seq = (r ->> 'save_seq')::bigint and not same_contents then
                outcome := 'conflict';
                insert into dialtoll.session_conflicts (pc_id, row_id, save_seq, reason, record)
                values (pc, key, (r ->> 'save_seq')::bigint, 'same save, other contents', r);
            elsif cur.save_seq = (r ->> 'save_seq')::bigint then
                outcome := 'duplicate';
            else
                outcome := 'stale';
            end if;
        end if;
        return next;
    end loop;
end
$fn$;

revoke all on schema dialtoll from public;
grant usage on schema dialtoll to dialtoll_pc, dialtoll_admin;
grant select, insert, update on dialtoll.pcs, dialtoll.sessions to dialtoll_pc;
grant select, insert on dialtoll.session_conflicts to dialtoll_pc;
grant usage on sequence dialtoll.session_conflicts_id_seq to dialtoll_pc;
grant select on dialtoll.accounts to dialtoll_pc;
grant select, insert, update, delete on all tables in schema dialtoll to dialtoll_admin;
grant usage on all sequences in schema dialtoll to dialtoll_admin;
revoke all on function dialtoll.upload_sessions(uuid, jsonb) from public;
grant execute on function dialtoll.upload_sessions(uuid, jsonb) to dialtoll_pc, dialtoll_admin;
)SQL";

} // namespace

namespace ServerSchema {

int InstalledVersion(PgConnection& connection) {
    const PgRows present = connection.exec(
        QStringLiteral("select to_regclass('dialtoll.schema_version') is not null"));
    if (present.rows.isEmpty() || present.rows.first().first().toString() != QLatin1String("t"))
        return 0;
    const PgRows version = connection.exec(
        QStringLiteral("select coalesce(max(version), 0) from dialtoll.schema_version"));
    return version.rows.isEmpty() ? 0 : version.rows.first().first().toInt();
}

void Install(PgConnection& connection) {
    connection.execScript(QStringLiteral("begin"));
    try {
        // The script's "already exists, skipping" notices say nothing to the person setting up.
        connection.execScript(QStringLiteral("set local client_min_messages = warning"));
        // Two programs setting up at once must not interleave.
        connection.execScript(QStringLiteral("select pg_advisory_xact_lock(7406221)"));
        const int installed = InstalledVersion(connection);
        if (installed > Version)
            throw FleetError{QStringLiteral("the server's schema is version %1, newer than this "
                                            "program's %2")
                                 .arg(installed)
                                 .arg(Version),
                             false};
        // The script only adds what is missing and renews policies, grants and functions, so
        // it also mends a schema someone changed by hand.
        connection.execScript(QString::fromUtf8(SchemaV1));
        connection.execScript(QStringLiteral("delete from dialtoll.schema_version"));
        connection.exec(QStringLiteral("insert into dialtoll.schema_version values ($1)"),
                        {Version});
        connection.execScript(QStringLiteral("commit"));
    } catch (...) {
        try {
            if (connection.isConnected())
                connection.execScript(QStringLiteral("rollback"));
        } catch (const FleetError&) {
        }
        throw;
    }
}

} // namespace ServerSchema
