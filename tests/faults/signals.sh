#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP while on line, with and without another program holding the
# store's write lock (the sqlcipher shell inside "begin exclusive"), and kill -9 under that
# lock: the meter ends within 5 s and the session is kept, in the store or in the journal that
# the next start applies.
#
#   tests/faults/signals.sh <folder of the programs> [<rounds> (5)]
#
# Each round runs every case once.
set -euo pipefail
name=signals
bin=${1:?folder of the programs}
rounds=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/meter_faults.bash"
need_links
setup_work
corrupt=0 torn=0 resets=0 carried_off=0
interval=2
limit_ms=5000
# The final save covers the whole session; what remains is the watch's 120 ms, the rounding
# to whole seconds and a busy machine.
slack_ms=1500
seed=${DIALTOLL_FAULT_SEED:-$$}
RANDOM=$seed

create_store
set_autosave_interval "$interval"

# Waits until the journal is gone (the next start or its first auto-save applied it).
wait_journal_applied() {
    local waited=0
    while [ -e "$journal" ]; do
        kill -0 "$meter_pid" 2>/dev/null || fail "Dialtoll ended while the journal waited"
        sleep 0.05
        waited=$((waited + 1))
        [ "$waited" -lt 400 ] || fail "the journal was not applied within 20 s"
    done
}

last_session() {
    query "select ThisTm from Notes where User<>'Master' order by rowid desc limit 1;"
}

# One case: a session, the lock (or not), the end (a signal, or kill -9), and what is kept.
#   $1 signal (TERM, INT, HUP, KILL); $2 locked (0/1); $3 restart while still locked (0/1)
run_case() {
    local signal=$1 locked=$2 restart_locked=$3 rows_before recorded up_ms lost_ms
    rows_before=$(query "select count(*) from Notes;")
    start_meter
    wait_meter_ready
    link_up
    # A save or two, then the lock over at least one more save.
    sleep 2.5
    if [ "$locked" = 1 ]; then
        hold_lock
        # Longer than one interval, so at least one save meets the lock.
        lock_ms=$((2300 + RANDOM % 1000))
        sleep "$(printf '%d.%03d' $((lock_ms / 1000)) $((lock_ms % 1000)))"
    fi
    if [ "$signal" = KILL ]; then
        { kill -KILL "$meter_pid" && stop_ms=$(now_ms) && wait "$meter_pid"; } 2>/dev/null || true
        meter_pid=''
        stopped_ms=0 stopped_status=0
    else
        stop_ms=$(now_ms)
        stop_meter "$signal" 15000
        stop_ms=$((stop_ms + stopped_ms))
        [ "$stopped_status" = 0 ] || fail "SIG$signal: Dialtoll ended with status $stopped_status"
        [ "$stopped_ms" -le "$limit_ms" ] || fail "SIG$signal (locked $locked): ended after $stopped_ms ms"
        [ "$stopped_ms" -gt "$worst_stop_ms" ] && worst_stop_ms=$stopped_ms
    fi
    link_down
    up_ms=$((stop_ms - link_up_ms))

    if [ "$locked" = 1 ]; then
        [ -e "$journal" ] || fail "SIG$signal under the lock left no journal"
        if [ "$restart_locked" = 1 ]; then
            # Started again while the lock is still held: the journal waits in memory and in
            # its file, and goes out at the first save after the lock is gone.
            start_meter
            wait_meter_ready
            [ -e "$journal" ] || fail "the journal went while the store was locked"
            release_lock
        else
            release_lock
            start_meter
            wait_meter_ready
        fi
        wait_journal_applied
        stop_meter TERM
        journals=$((journals + 1))
    fi

    [ "$(query "select count(*) from Notes;")" = $((rows_before + 2)) ] ||
        fail "SIG$signal (locked $locked): the session has no record pair"
    recorded=$(last_session)
    lost_ms=$((up_ms - recorded * 1000))
    if [ "$signal" = KILL ]; then
        # Killed: what the last save before the kill held, kept by the journal.
        [ "$lost_ms" -le $((interval * 1000 + slack_ms)) ] ||
            fail "kill -9 under the lock: ${recorded} s recorded for ${up_ms} ms on line"
    else
        [ "$lost_ms" -le "$slack_ms" ] && [ "$lost_ms" -ge -"$slack_ms" ] ||
            fail "SIG$signal (locked $locked): ${recorded} s recorded for ${up_ms} ms on line"
        [ "$lost_ms" -gt "$worst_lost_ms" ] && worst_lost_ms=$lost_ms
    fi
    check_store
    cases=$((cases + 1))
}

cases=0 journals=0 worst_stop_ms=0 worst_lost_ms=0
for round in $(seq "$rounds"); do
    for signal in TERM INT HUP; do
        run_case "$signal" 0 0
        # Every other round starts the meter again before the lock goes.
        run_case "$signal" 1 $((round % 2))
    done
    run_case KILL 1 $(((round + 1) % 2))
done

echo "signals: $rounds rounds of SIGTERM, SIGINT, SIGHUP (each with and without a held write lock) and kill -9 under the lock (seed $seed)"
echo "  cases: $cases; sessions kept through the journal: $journals"
echo "  slowest end after a signal: ${worst_stop_ms} ms (limit ${limit_ms} ms)"
echo "  most time lost by a signalled session: ${worst_lost_ms} ms (watch and rounding; limit ${slack_ms} ms)"
echo "  corrupt stores: $corrupt; half-written/torn/empty records: $torn; reset totals: $resets"
