#!/usr/bin/env bash
# Real-window check of Statdesk under Xvfb with a real window manager (openbox): a second start
# for the same data folder ends and brings the open window forward, from behind another window
# and from minimised, and never makes a second window; one for another folder opens its own.
# Then, by keyboard as a user would: 查看, the totals per day (显示 → 按日), the chart (图表);
# screenshots of both go to the folder given as second argument.
set -uo pipefail
bin=${1:?folder of the programs}
shots=${2:-.}
for tool in Xvfb openbox xdotool xwininfo xprop import; do
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
    for log in "$work"/statdesk*.log; do
        [ -s "$log" ] && sed "s/^/  $(basename "$log"): /" "$log"
    done
    exit 1
}
mkdir -p "$shots"

source "$(dirname "$0")/desktop.bash"
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
start_desktop

# A month of sessions for six accounts, in the month Statdesk lists by default.
first_day=$(date +%Y%m01)
last_day=$(date -d "$(date +%Y-%m-01) +1 month -1 day" +%Y%m%d)
mkdir -p "$work/data" "$work/other"
"$bin/fill_sessions" "$work/data/veyranettimer.dat" 240 6 "$first_day" "$last_day" >/dev/null ||
    fail "fill_sessions failed"
cp "$work/data/veyranettimer.dat" "$work/other/"

start_statdesk() { # data folder, log name
    DIALTOLL_HOME=$1 "$bin/Statdesk" >"$work/$2.log" 2>&1 &
    last_pid=$!
    pids+=($last_pid)
}
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
count_named() { windows_named "$1" | grep -c . ; }
hex() { printf '0x%x' "$1"; }
active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
net_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null; }
forward() { # shown, not minimised, active
    xwininfo -id "$1" | grep -q 'Map State: IsViewable' && ! net_state "$1" | grep -q HIDDEN &&
        active "$1"
}
title='Dialtoll统计Statdesk'

start_statdesk "$work/data" statdesk
first_pid=$last_pid
find_main() { main=$(windows_named "$title" | head -n 1) && [ -n "$main" ]; }
wait_until 20 find_main || fail "Statdesk's window did not appear"
wait_until 10 active "$main" || fail "Statdesk's window is not active after start"

# Behind another window: a second start raises and activates the first and ends.
xmessage -geometry 900x700+0+0 "in front" >/dev/null 2>&1 &
pids+=($!)
find_cover() { cover=$(xdotool search --onlyvisible --class Xmessage 2>/dev/null | head -n 1) && [ -n "$cover" ]; }
if wait_until 10 find_cover; then
    xdotool windowactivate --sync "$cover" >/dev/null 2>&1
    wait_until 5 active "$cover" || fail "the covering window did not become active"
fi
start_statdesk "$work/data" statdesk-second
second_pid=$last_pid
second_ended() { ! kill -0 "$second_pid" 2>/dev/null; }
wait_until 15 second_ended || fail "a second Statdesk for the same folder did not end"
wait "$second_pid"
status=$?
[ "$status" -eq 0 ] || fail "the second Statdesk ended with status $status"
wait_until 5 forward "$main" || fail "the first window did not come forward over another"
[ "$(count_named "$title")" -eq 1 ] || fail "there are $(count_named "$title") Statdesk windows"
[ -n "${cover:-}" ] && xdotool windowclose "$cover" 2>/dev/null

# Minimised: the same brings it back.
xdotool windowminimize --sync "$main"
minimised() { net_state "$main" | grep -q HIDDEN; }
wait_until 5 minimised || fail "the window did not minimise"
start_statdesk "$work/data" statdesk-third
third_pid=$last_pid
third_ended() { ! kill -0 "$third_pid" 2>/dev/null; }
wait_until 15 third_ended || fail "a third Statdesk did not end"
wait_until 5 forward "$main" || fail "the minimised window did not come back: $(net_state "$main")"
[ "$(count_named "$title")" -eq 1 ] || fail "a second window appeared"

# Another data folder is another Statdesk.
start_statdesk "$work/other" statdesk-other
other_pid=$last_pid
two_windows() { [ "$(count_named "$title")" -eq 2 ]; }
wait_until 20 two_windows || fail "Statdesk for another folder did not open its own window"
kill "$other_pid"
one_window() { [ "$(count_named "$title")" -eq 1 ]; }
wait_until 10 one_window || fail "the other folder's window stayed"

# 查看 (Tab from the user box to it, Return), then 显示 → 按日 and 图表, by keyboard.
xdotool windowactivate --sync "$main" >/dev/null 2>&1
wait_until 5 active "$main" || fail "the window could not be activated"
xdotool key --clearmodifiers Tab Return
sleep 1
xdotool key --clearmodifiers alt+g Down
sleep 0.5
frame_shot() { # window, file
    local info x y w h left right top bottom
    info=$(xwininfo -id "$1")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null |
        sed -E 's/.*= *//; s/,//g')
    left=${left:-0} right=${right:-0} top=${top:-0} bottom=${bottom:-0}
    import -window root -crop "$((w + left + right))x$((h + top + bottom))+$((x - left))+$((y - top))" \
        "$2" 2>/dev/null
}
frame_shot "$main" "$shots/statdesk-by-day.png"
xdotool key --clearmodifiers alt+t
find_chart() { chart=$(windows_named 'Dialtoll统计图表' | head -n 1) && [ -n "$chart" ]; }
wait_until 10 find_chart || fail "the chart window did not open"
wait_until 5 active "$chart" || fail "the chart window is not active"
sleep 1
frame_shot "$chart" "$shots/statdesk-chart.png"
kill -0 "$first_pid" 2>/dev/null || fail "Statdesk ended"
echo "Statdesk under openbox: one window per data folder, brought forward; chart opened (screenshots in $shots)"
