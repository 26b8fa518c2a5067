#!/usr/bin/env bash
# The meter uploading a backlog to a fleet server: sessions per second and the meter's CPU.
#
#   bench/fleet_upload_bench.sh [<build folder>]      (default /work/main/build; builds nothing)
#
# Starts a throw-away PostgreSQL 15 cluster (Unix socket only) in a temporary folder, creates the
# server schema with Enroldesk --init-server and a PC role, fills a fresh store with 100,000
# finished sessions (fill_sessions: 200,000 Notes rows, each session's row and the all-users row)
# and starts the hidden meter offscreen with a fleet.ini naming that server. The meter makes its
# outbox at start and uploads the whole history. Reports the time from the meter's start until
# the server holds every row, the server's own span from the first row received to the last,
# the meter's CPU time over the run, and whether the server's sums match the store's.
# Environment: DIALTOLL_BENCH_SESSIONS (default 100000).
set -euo pipefail

build=${1:-/work/main/build}
bin=$build/bin
sessions=${DIALTOLL_BENCH_SESSIONS:-100000}
pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)

for program in Dialtoll Enroldesk fill_sessions; do
    if [ ! -x "$bin/$program" ]; then
        echo "fleet_upload_bench: $bin/$program is missing; build Dialtoll Enroldesk fill_sessions." >&2
        exit 1
    fi
done
if [ -z "$pgbin" ] || [ ! -x "$pgbin/initdb" ]; then
    echo "fleet_upload_bench: PostgreSQL's server programs are missing (Debian package postgresql)." >&2
    exit 1
fi

work=$(mktemp -d)
chmod 755 "$work"
cluster=$work/cluster
data=$work/data
mkdir -p "$cluster" "$data"
# initdb refuses to run as root: the cluster then belongs to postgres.
as_cluster_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}
[ "$(id -u)" -eq 0 ] && chown postgres "$cluster"
port=$(( 40000 + RANDOM % 20000 ))
meter_pid=
cleanup() {
    [ -n "$meter_pid" ] && kill "$meter_pid" 2>/dev/null && wait "$meter_pid" 2>/dev/null
    as_cluster_owner "$pgbin/pg_ctl" -D "$cluster/db" stop -m immediate >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

as_cluster_owner "$pgbin/initdb" -D "$cluster/db" -A trust -U postgres >/dev/null
as_cluster_owner "$pgbin/pg_ctl" -D "$cluster/db" -l "$cluster/log" -w \
    -o "-k $cluster -c listen_addresses='' -p $port" start >/dev/null
admin="host=$cluster port=$port user=postgres dbname=postgres"
sql() { as_cluster_owner "$pgbin/psql" "$admin" -Atq -c "$1"; }

QT_QPA_PLATFORM=offscreen "$bin/Enroldesk" --init-server "$admin" >/dev/null
sql "create role bench_pc login in role dialtoll_pc"
"$bin/fill_sessions" "$data/veyranettimer.dat" "$sessions" >/dev/null
printf '[Server]\nConnection=host=%s port=%s user=bench_pc dbname=postgres\nPcName=bench\n' \
    "$cluster" "$port" >"$data/fleet.ini"
rows=$(( sessions * 2 ))

start=$(date +%s%N)
DIALTOLL_HOME=$data QT_QPA_PLATFORM=offscreen "$bin/Dialtoll" >"$work/meter.log" 2>&1 &
meter_pid=$!
held=0
while [ "$held" -lt "$rows" ]; do
    if ! kill -0 "$meter_pid" 2>/dev/null; then
        echo "fleet_upload_bench: the meter ended early:" >&2
        cat "$work/meter.log" >&2
        exit 1
    fi
    sleep 0.2
    held=$(sql "select count(*) from dialtoll.sessions")
done
end=$(date +%s%N)
read -r utime stime < <(awk '{print $14, $15}' "/proc/$meter_pid/stat")
ticks=$(getconf CLK_TCK)

elapsed_ms=$(( (end - start) / 1000000 ))
cpu_ms=$(( (utime + stime) * 1000 / ticks ))
server_ms=$(sql "select round(extract(epoch from max(received_at) - min(first_received_at)) * 1000) from dialtoll.sessions")
server_sums=$(sql "select sum(this_tm), sum(all_tm), sum(this_money), sum(all_money) from dialtoll.sessions")
conflicts=$(sql "select count(*) from dialtoll.session_conflicts")
local_sums=$(printf "PRAGMA key='松风明月夜';\nselect sum(ThisTm), sum(AllTm), printf('%%.4f', sum(ThisMoney)), printf('%%.4f', sum(AllMoney)) from Notes;\n" |
    sqlcipher "$data/veyranettimer.dat" 2>/dev/null | tail -n 1 || true)

echo "fleet upload: $sessions sessions ($rows rows) from the meter's start in $elapsed_ms ms:" \
    "$(( sessions * 1000 / (elapsed_ms > 0 ? elapsed_ms : 1) )) sessions/s"
echo "server span, first row to last: $server_ms ms"
echo "meter CPU: $cpu_ms ms ($(( cpu_ms * 100 / (elapsed_ms > 0 ? elapsed_ms : 1) ))% of one core)"
echo "conflicts flagged: $conflicts"
if [ -n "$local_sums" ]; then
    if [ "$server_sums" = "$local_sums" ]; then
        echo "server sums match the store: $server_sums"
    else
        echo "server sums differ: server $server_sums, store $local_sums"
        exit 1
    fi
fi
