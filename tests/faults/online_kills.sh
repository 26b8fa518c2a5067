#!/usr/bin/env bash
# kill -9 of the meter at random moments while it is on line on a real (TUN) link, saving
# every 2 s. After each kill: the store is sound, no record is half-written, torn or empty,
# the totals carry on, the time lost is at most one auto-save interval, and the meter starts
# again cleanly.
#
#   tests/faults/online_kills.sh <folder of the programs> [<rounds> (200)]
set -euo pipefail
name=online_kills
bin=${1:?folder of the programs}
rounds=${2:-200}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/meter_faults.bash"
need_links
setup_work

interval=2
# Rounding of the stored seconds (0.5), the watch's 120 ms and a late timer on a busy machine.
slack_ms=1000
seed=${DIALTOLL_FAULT_SEED:-$$}
RANDOM=$seed
corrupt=0 torn=0 resets=0 carried_off=0

create_store
set_autosave_interval "$interval"

sessions=0 unopened=0 lost_max_ms=0 lost_total_ms=0 up_total_ms=0
for round in $(seq "$rounds"); do
    before=$(query "select count(*) from Notes;")
    start_meter
    wait_meter_ready
    link_up
    # Anywhere from before the watch sees the link to a few saves later.
    delay_ms=$((RANDOM % (3 * interval * 1000 + 1)))
    sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
    kill -0 "$meter_pid" 2>/dev/null || fail "round $round: Dialtoll ended by itself"
    { kill -KILL "$meter_pid" && killed_ms=$(now_ms) && wait "$meter_pid"; } 2>/dev/null || true
    meter_pid=''
    link_down
    up_ms=$((killed_ms - link_up_ms))

    after=$(query "select count(*) from Notes;")
    case $((after - before)) in
    2)
        recorded=$(query "select ThisTm from Notes where User<>'Master' order by rowid desc limit 1;")
        sessions=$((sessions + 1))
        ;;
    0)
        # Killed before the watch saw the link or its opening reached the store.
        recorded=0
        unopened=$((unopened + 1))
        ;;
    *) fail "round $round: $((after - before)) new Notes rows" ;;
    esac
    lost_ms=$((up_ms - recorded * 1000))
    [ "$lost_ms" -ge -"$slack_ms" ] || fail "round $round: ${recorded} s recorded for ${up_ms} ms on line"
    [ "$lost_ms" -le $((interval * 1000 + slack_ms)) ] ||
        fail "round $round: lost ${lost_ms} ms of ${up_ms} ms (recorded ${recorded} s, kill after ${delay_ms} ms)"
    [ "$lost_ms" -gt "$lost_max_ms" ] && lost_max_ms=$lost_ms
    [ "$lost_ms" -gt 0 ] && lost_total_ms=$((lost_total_ms + lost_ms))
    up_total_ms=$((up_total_ms + up_ms))
    check_store
    if [ $((round % 20)) = 0 ]; then echo "  $round rounds"; fi
done

# A last clean start and shutdown on the file the kills left.
start_meter
wait_meter_ready
stop_meter TERM
[ "$stopped_status" = 0 ] || fail "the clean restart ended with status $stopped_status"
check_store

totals=$(query "select sum(ThisTm), max(AllTm) from Notes where User='公用帐号';")
IFS='|' read -r recorded_s carried_s <<<"$totals"
echo "online_kills: $rounds kills (seed $seed), auto-save every ${interval} s"
echo "  sessions recorded: $sessions; killed before the opening reached the store: $unopened"
echo "  corrupt stores: $corrupt; half-written/torn/empty records: $torn; reset totals: $resets; totals not carried: $carried_off"
echo "  time on line: $((up_total_ms / 1000)) s; recorded: ${recorded_s:-0} s; carried total at the end: ${carried_s:-0} s"
echo "  saves the meter had to keep for later: $(kept_saves)"
echo "  time lost per kill: max ${lost_max_ms} ms, mean $((lost_total_ms / rounds)) ms (limit one interval, ${interval} s, + ${slack_ms} ms slack)"
