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
wait_until() {
    local timeout=$1
    shift
    local deadline=$(($(date +%s%N) + timeout * 1000000000))
    until "$@"; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

unset QT_QPA_PLATFORM WAYLAND_DISPLAY SESSION_MANAGER
start_desktop() {
    local fd_file=$work/displayfd.$1
    : >"$fd_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    pids+=($xvfb_pid)
    display_ready() { display=$(head -n 1 "$fd_file" 2>/dev/null) && [ -n "$display" ]; }
    wait_until 10 display_ready || return 1
    export DISPLAY=:$display
    x_ready() { xprop -root >/dev/null 2>&1; }
    wait_until 10 x_ready || return 1
    XDG_CONFIG_HOME=$work/wm-config openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    pids+=($wm_pid)
    wm_ready() { xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -q '(WINDOW)'; }
    wait_until 10 wm_ready && kill -0 "$wm_pid" 2>/dev/null && kill -0 "$xvfb_pid" 2>/dev/null
}
started=
for attempt in 1 2 3; do
    if start_desktop "$attempt"; then
        started=yes
        break
    fi
    kill "${wm_pid:-}" "$xvfb_pid" 2>/dev/null
done
[ -n "$started" ] || fail "no X server with openbox came up: $(cat "$work/openbox.log")"
trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
    --SetDockType true --SetPartialStrut true >"$work/trayer.log" 2>&1 &
pids+=($!)

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
        xwininfo -id "$id" | grep -q 'Map State: IsViewable' && return 0
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
