#!/usr/bin/env bash
# Real-window check: Dialtoll runs hidden in trayer's tray under Xvfb with openbox. Starting it
# again (as from the desktop's menu) must end the new copy at once with status 0 and show the
# running copy's main window; a third start while it shows keeps it shown.
set -uo pipefail
bin=${1:?folder of the programs}
for tool in Xvfb openbox trayer xdotool xwininfo xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed"
        exit 0
    fi
done
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -f "$work/log" ] && sed 's/^/  Dialtoll: /' "$work/log"
    exit 1
}
source "$(dirname "$0")/desktop.bash"
start_desktop
start_trayer

export DIALTOLL_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
"$bin/Dialtoll" >"$work/log" 2>&1 &
meter_pid=$!
pids+=($meter_pid)

docked() {
    xwininfo -root -tree | awk '/"Dialtoll": \("Dialtoll" "Dialtoll"\)/ && $1 ~ /^0x/ {f=1} END {exit !f}'
}
main_shown() {
    local id
    for id in $(xdotool search --name '^Dialtoll 2\.0$' 2>/dev/null); do
        grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$id")" && return 0
    done
    return 1
}
wait_until 20 docked || fail "the tray icon did not dock"
sleep 1
main_shown && fail "the main window shows at start although a tray holds the icon"

for round in second third; do
    start=$(date +%s%N)
    "$bin/Dialtoll" >"$work/$round.log" 2>&1
    status=$?
    took=$((($(date +%s%N) - start) / 1000000))
    [ "$status" -eq 0 ] || fail "the $round start ended with status $status: $(cat "$work/$round.log")"
    kill -0 "$meter_pid" 2>/dev/null || fail "the running copy ended"
    wait_until 10 main_shown || fail "the $round start did not bring up the main window"
    echo "$round start: ended with 0 after $took ms, main window shown"
done
kill -TERM "$meter_pid"
wait "$meter_pid"
echo "second_start: ok"
