#!/usr/bin/env bash
# kill -9 of Dialtoll at a random moment of its first start, then a normal start. After the
# kill the database must be absent or complete (the five tables with their columns and the
# creation rows, checked with the sqlcipher shell); after the normal start it must be complete
# with no temporary file left, and the meter must record a session on a link (a TUN link stands
# in for pppd: that part needs root and /dev/net/tun, and is skipped and said without them).
#
#   first_start_kills.sh <folder of the programs> [<rounds>]
#
# DIALTOLL_FAULT_KILL_MS sets the latest moment of the kill (default 400 ms after the start; creation falls at about 200 to 300 ms).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/store_checks.bash"
bin=${1:?folder of the programs}
rounds=${2:-20}
latest_ms=${DIALTOLL_FAULT_KILL_MS:-400}

work=$(mktemp -d)
meter='' link=''
cleanup() {
    local pid
    for pid in $link $meter; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

iface=dtk$(($$ % 100000))
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$work/config DIALTOLL_DIALUP_IFACES=$iface
links=no
if can_make_links && [ -x "$bin/tun_link" ]; then
    links=yes
else
    echo "first_start_kills: no root, /dev/net/tun or tun_link: recording is not checked"
fi

after_kill_absent=0 after_kill_complete=0 leftovers_after_kill=0 started_complete=0
recorded=0 failures=0
fail() {
    echo "FAIL round $round: $*"
    failures=$((failures + 1))
}

# Polls until the Notes table holds $2 rows (up to 10 s).
wait_notes() {
    local _
    for _ in $(seq 100); do
        [ "$(db_query "$1" 'select count(*) from Notes;' 2>/dev/null)" = "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

for round in $(seq "$rounds"); do
    export DIALTOLL_HOME=$work/r$round
    mkdir -p "$DIALTOLL_HOME"
    db=$DIALTOLL_HOME/veyranettimer.dat

    delay_ms=$((RANDOM % (latest_ms + 1)))
    "$bin/Dialtoll" >"$work/kill.err" 2>&1 &
    meter=$!
    sleep "$(awk -v ms="$delay_ms" 'BEGIN {printf "%.3f", ms / 1000}')"
    kill -KILL "$meter" 2>/dev/null || true
    wait "$meter" 2>/dev/null || true
    meter=''
    compgen -G "$db.new-*" >/dev/null && leftovers_after_kill=$((leftovers_after_kill + 1))
    state=$(store_state "$db")
    case $state in
    absent) after_kill_absent=$((after_kill_absent + 1)) ;;
    complete) after_kill_complete=$((after_kill_complete + 1)) ;;
    *) fail "killed after $delay_ms ms, the store is $state" ;;
    esac

    "$bin/Dialtoll" >"$work/start.err" 2>&1 &
    meter=$!
    state=absent
    for _ in $(seq 100); do
        state=$(store_state "$db")
        [ "$state" = complete ] && break
        kill -0 "$meter" 2>/dev/null || break
        sleep 0.1
    done
    if [ "$state" = complete ]; then
        started_complete=$((started_complete + 1))
    else
        fail "after the normal start the store is $state"
    fi
    compgen -G "$db.new-*" >/dev/null && fail "temporary files remain: $(ls "$db".new-*)"

    if [ $links = yes ] && [ "$state" = complete ]; then
        "$bin/tun_link" "$iface" "$work/link.pid" >"$work/link.out" 2>&1 &
        link=$!
        for _ in $(seq 50); do
            grep -qx ready "$work/link.out" 2>/dev/null && break
            sleep 0.1
        done
        # A session is a pair of rows: the account's and the all-accounts copy.
        if wait_notes "$db" 2; then
            recorded=$((recorded + 1))
        else
            fail "no session recorded: $(cat "$work/link.out") $(cat "$work/start.err")"
        fi
        kill -TERM "$link" 2>/dev/null || true
        wait "$link" 2>/dev/null || true
        link=''
    fi

    kill -TERM "$meter" 2>/dev/null || true
    if ! wait_gone "$meter" 100; then
        fail "Dialtoll did not end on SIGTERM"
        kill -KILL "$meter" 2>/dev/null || true
    fi
    wait "$meter" 2>/dev/null || true
    meter=''
    if grep -q '不记录' "$work/start.err"; then
        fail "the meter said it records nothing: $(cat "$work/start.err")"
    fi
    rm -rf "$DIALTOLL_HOME"
done

echo "first_start_kills: $rounds rounds, kills at 0-$latest_ms ms;" \
    "after the kill: $after_kill_absent absent, $after_kill_complete complete," \
    "$((rounds - after_kill_absent - after_kill_complete)) other" \
    "(temporary files left by $leftovers_after_kill);" \
    "normal start: $started_complete complete, sessions recorded:" \
    "$recorded$([ $links = yes ] || echo ' (not checked)'); failures: $failures"
[ "$failures" -eq 0 ]
