#!/usr/bin/env bash
# The three programs at once on a large store: the meter on line saving every second, Statdesk
# querying everything in a loop, and account registrations and removals written as Enroldesk
# writes them (both statements in one transaction). No statement may fail, no row be lost or
# doubled, and the store must stay sound.
#
#   tests/faults/concurrency.sh <folder of the programs> [<rounds> (6)]
#
# Each round is a window of DIALTOLL_FAULT_WINDOW_S seconds (default 10) with one session.
set -euo pipefail
name=concurrency
bin=${1:?folder of the programs}
rounds=${2:-6}
window_s=${DIALTOLL_FAULT_WINDOW_S:-10}
sessions=${DIALTOLL_FAULT_SESSIONS:-50000}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/meter_faults.bash"
need_links
for program in Statdesk fill_sessions; do
    [ -x "$bin/$program" ] || { echo "SKIPPED: $name: $bin/$program is missing"; exit 0; }
done
setup_work
corrupt=0 torn=0 resets=0 carried_off=0
interval=1
slack_ms=1000

"$bin/fill_sessions" "$database" "$sessions" 20 >/dev/null || fail "fill_sessions failed"
set_autosave_interval "$interval"
base_rows=$(query "select count(*) from Notes;")
[ "$base_rows" = $((2 * sessions)) ] || fail "the filled store has $base_rows Notes rows"
meter_rows_from=$(query "select max(rowid) from Notes;")

# Statdesk's query of every session, again and again; each run must list them all.
statdesk_loop() {
    local runs=0 failures=0 rows
    while [ ! -e "$work/stop" ]; do
        if DIALTOLL_BENCH_QUERY=1 timeout 60 "$bin/Statdesk" >/dev/null 2>"$work/statdesk.err"; then
            rows=$(sed -n 's/^statdesk_query_rows //p' "$work/statdesk.err")
            # The meter's session is listed once it has been saved.
            if [ "$rows" -lt "$sessions" ] || [ "$rows" -gt $((sessions + rounds)) ]; then
                echo "statdesk listed $rows sessions" >>"$work/failures"
                failures=$((failures + 1))
            fi
        else
            echo "statdesk failed: $(tail -n 3 "$work/statdesk.err")" >>"$work/failures"
            failures=$((failures + 1))
        fi
        runs=$((runs + 1))
    done
    echo "$runs $failures" >"$work/statdesk.count"
}

# Registrations and removals, each pair of statements in one transaction as Enroldesk runs
# them, with the same few seconds of patience for the lock.
writer_loop() {
    local i=0 failures=0 user out
    while [ ! -e "$work/stop" ]; do
        i=$((i + 1))
        user=w$1_$i
        if ! out=$(printf "PRAGMA key='松风明月夜';\n.timeout 5000\nbegin immediate;
insert into Users (User,Password,RegDate) values ('%s','pw','2026年3月2日');
insert into UserSet (ID,User,Jack,Ask,LenTm,Title,ToDate) values (1,'%s','1','1','60','2027年1月1日倒计时','2027-1-1 0:00:00');
commit;\n" "$user" "$user" | sqlcipher -bail -batch "$database" 2>&1) || [ -n "$out" ]; then
            echo "registration of $user failed: $out" >>"$work/failures"
            failures=$((failures + 1))
            continue
        fi
        echo "$user" >>"$work/registered"
        # Every third account is removed again.
        if [ $((i % 3)) = 0 ]; then
            if ! out=$(printf "PRAGMA key='松风明月夜';\n.timeout 5000\nbegin immediate;
delete from Users where User='%s';
delete from UserSet where User='%s';
commit;\n" "$user" "$user" | sqlcipher -bail -batch "$database" 2>&1) || [ -n "$out" ]; then
                echo "removal of $user failed: $out" >>"$work/failures"
                failures=$((failures + 1))
                continue
            fi
            echo "$user" >>"$work/removed"
        fi
    done
}

touch "$work/registered" "$work/removed" "$work/failures"
start_meter
wait_meter_ready
statdesk_runs=0 meter_lost_max_ms=0
for round in $(seq "$rounds"); do
    rm -f "$work/stop"
    statdesk_loop &
    statdesk_pid=$!
    writer_loop "$round" &
    writer_pid=$!
    extra_pids="$statdesk_pid $writer_pid"
    link_up
    sleep "$window_s"
    link_down
    down_ms=$(now_ms)
    touch "$work/stop"
    wait "$statdesk_pid" "$writer_pid"
    extra_pids=''
    read -r runs failures <"$work/statdesk.count"
    statdesk_runs=$((statdesk_runs + runs))
    # The session's final save is made when the meter sees the link gone.
    sleep 0.5
    recorded=$(query "select ThisTm from Notes where User='公用帐号' order by rowid desc limit 1;")
    lost_ms=$((down_ms - link_up_ms - ${recorded:-0} * 1000))
    [ "$lost_ms" -le "$slack_ms" ] || fail "round $round: ${recorded:-0} s recorded for $((down_ms - link_up_ms)) ms on line"
    [ "$lost_ms" -gt "$meter_lost_max_ms" ] && meter_lost_max_ms=$lost_ms
    check_store
done
stop_meter TERM
[ "$stopped_status" = 0 ] || fail "Dialtoll ended with status $stopped_status"

failed_statements=$(wc -l <"$work/failures")
kept=$(kept_saves)
registered=$(wc -l <"$work/registered")
removed=$(wc -l <"$work/removed")
counts=$(query "select count(*) from Notes;
select count(*) from (select User, Count from Notes group by User, Count having count(*) > 1);
select count(*) from Users where User like 'w%\_%' escape '\\';
select count(*) from (select User from Users group by User having count(*) > 1);
select count(*) from UserSet where User like 'w%\_%' escape '\\';")
{ read -r notes; read -r doubled; read -r users; read -r doubled_users; read -r user_sets; } <<<"$counts"

echo "concurrency: $rounds windows of ${window_s} s on $sessions sessions, meter saving every ${interval} s"
echo "  Statdesk queries of every session: $statdesk_runs"
echo "  accounts registered: $registered, removed: $removed"
echo "  failed statements: $failed_statements; meter saves kept for later: $kept"
echo "  Notes rows: $notes (expected $((base_rows + 2 * rounds))); doubled records: $doubled"
echo "  accounts left: $users (expected $((registered - removed))), UserSet rows: $user_sets; doubled accounts: $doubled_users"
echo "  session time lost at the end of a window: max ${meter_lost_max_ms} ms"
[ "$failed_statements" = 0 ] || fail "failed statements: $(head -n 5 "$work/failures")"
[ "$kept" = 0 ] || fail "the meter kept $kept saves for later: $(grep -m 3 'Dialtoll:' "$work/meter.err")"
[ "$notes" = $((base_rows + 2 * rounds)) ] || fail "Notes rows lost or added"
[ "$doubled" = 0 ] || fail "doubled records"
[ "$users" = $((registered - removed)) ] && [ "$user_sets" = "$users" ] || fail "accounts lost or added"
[ "$doubled_users" = 0 ] || fail "doubled accounts"
[ "$statdesk_runs" -gt 0 ] || fail "Statdesk never ran"
