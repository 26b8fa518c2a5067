#!/usr/bin/env bash
# A real window check: Dialtoll under Xvfb with a tray host. The tray icon must appear; a left
# click on it must show the main window centred on the screen. Screenshots go to the folder
# given as second argument.
set -uo pipefail
bin=${1:?folder of the programs}
shots=${2:-.}
for tool in Xvfb trayer xdotool xwininfo import; do
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
fail() { echo "FAIL: $*"; exit 1; }

screen_w=1024 screen_h=768
exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    display=$(head -n 1 "$work/displayfd" 2>/dev/null)
    [ -n "$display" ] && break
    sleep 0.1
done
[ -n "${display:-}" ] || fail "Xvfb did not start"
export DISPLAY=:$display
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 1
mkdir -p "$work/data"
DIALTOLL_HOME=$work/data XDG_CONFIG_HOME=$work/config "$bin/Dialtoll" >"$work/log" 2>&1 &
pids+=($!)

# The tray icon: Dialtoll's window embedded in the tray host's panel.
icon=
for _ in $(seq 100); do
    icon=$(xwininfo -root -tree | grep -F '"Dialtoll": ("Dialtoll" "Dialtoll")' | head -n 1)
    [ -n "$icon" ] && break
    sleep 0.1
done
[ -n "$icon" ] || fail "no tray icon appeared: $(cat "$work/log")"
read -r icon_w icon_h icon_x icon_y < <(echo "$icon" | sed -E 's/.* ([0-9]+)x([0-9]+)\+[0-9-]+\+[0-9-]+ +\+([0-9]+)\+([0-9]+).*/\1 \2 \3 \4/')

main=$(xdotool search --name '^Dialtoll 2\.0$' | head -n 1)
[ -n "$main" ] || fail "no main window"
if xwininfo -id "$main" | grep -q 'IsViewable'; then fail "the main window shows at start"; fi

xdotool mousemove $((icon_x + icon_w / 2)) $((icon_y + icon_h / 2)) click 1
for _ in $(seq 50); do
    xwininfo -id "$main" | grep -q 'IsViewable' && break
    sleep 0.1
done
xwininfo -id "$main" | grep -q 'IsViewable' || fail "a click on the tray icon did not show the main window"
sleep 0.5
geometry=$(xwininfo -id "$main")
x=$(echo "$geometry" | awk '/Absolute upper-left X/ {print $4}')
y=$(echo "$geometry" | awk '/Absolute upper-left Y/ {print $4}')
w=$(echo "$geometry" | awk '/Width:/ {print $2}')
h=$(echo "$geometry" | awk '/Height:/ {print $2}')
[ "$w" = 480 ] && [ "$h" = 420 ] || fail "main window is ${w}x${h}"
want_x=$(((screen_w - w) / 2)) want_y=$(((screen_h - h) / 2))
[ $((x - want_x)) -le 1 ] && [ $((want_x - x)) -le 1 ] && [ $((y - want_y)) -le 1 ] &&
    [ $((want_y - y)) -le 1 ] || fail "main window at $x,$y, not centred at $want_x,$want_y"
mkdir -p "$shots"
import -window root -crop "${w}x${h}+${x}+${y}" "$shots/main-window.png" 2>/dev/null
echo "Dialtoll tray and main window: ok (screenshot in $shots/main-window.png)"
