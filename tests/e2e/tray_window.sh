#!/usr/bin/env bash
# Real-window check: Dialtoll under Xvfb with a real window manager (openbox) and a tray host
# (trayer). Many hide/show cycles, by a left click on the tray icon and by 打开主界面 chosen
# with Return in the tray menu, must each give a mapped, normal, focused, centred main window;
# hiding must leave no taskbar entry. Then a tray that starts after the meter must still get
# the icon, and until it does, hiding must leave an iconified window with a taskbar entry.
# Screenshots go to the folder given as second argument.
set -uo pipefail
bin=${1:?folder of the programs}
shots=${2:-.}
cycles=${TRAY_WINDOW_CYCLES:-15}
for tool in Xvfb openbox trayer xdotool xwininfo xprop import; do
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
mkdir -p "$shots"

source "$(dirname "$0")/desktop.bash"
screen_w=1024 screen_h=768
start_desktop "${screen_w}x${screen_h}"

start_meter() {
    DIALTOLL_HOME=$work/data XDG_CONFIG_HOME=$work/config "$bin/Dialtoll" >"$work/log" 2>&1 &
    meter_pid=$!
    pids+=($meter_pid)
}
stop_meter() {
    kill -TERM "$meter_pid"
    gone() { ! kill -0 "$meter_pid" 2>/dev/null; }
    wait_until 10 gone || fail "Dialtoll did not end on SIGTERM"
    wait "$meter_pid" 2>/dev/null
}

# The tray icon: Dialtoll's small window embedded in trayer's panel.
find_icon() {
    local tree
    tree=$(xwininfo -root -tree)
    icon=$(awk '/"Dialtoll": \("Dialtoll" "Dialtoll"\)/ && $1 ~ /^0x/ {print $1; exit}' <<<"$tree")
    [ -n "$icon" ] && xwininfo -id "$icon" | grep -q 'IsViewable'
}
find_main() {
    main=$(xdotool search --name '^Dialtoll 2\.0$' 2>/dev/null | head -n 1)
    [ -n "$main" ]
}
# Two clicks in a row on the icon closer than the double-click interval (400 ms) are a
# double-click, which opens nothing: keep such clicks further apart.
last_icon_click=0
click_icon() {
    local info x y w h gap
    gap=$((($(date +%s%N) - last_icon_click) / 1000000))
    [ "$gap" -ge 600 ] || sleep "0.$(printf '%03d' $((600 - gap)))"
    info=$(xwininfo -id "$icon")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click "$1"
    last_icon_click=$(date +%s%N)
}

# These look at the main window, or at the window given.
hex() { printf '0x%x' "$1"; }
viewable() { xwininfo -id "${1:-$main}" 2>/dev/null | grep -q 'Map State: IsViewable'; }
wm_state() { xprop -id "${1:-$main}" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}'; }
net_state() { xprop -id "${1:-$main}" _NET_WM_STATE 2>/dev/null; }
in_client_list() { xprop -root _NET_CLIENT_LIST | grep -qw "$(hex "${1:-$main}")"; }
focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ]; }
main_geometry() {
    local info
    info=$(xwininfo -id "$main")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
}
# Centred in the work area (the screen less the panels' struts), to a pixel.
centred() {
    local area ax ay aw ah want_x want_y
    area=$(xprop -root _NET_WORKAREA | sed -E 's/.*= *//; s/,//g')
    read -r ax ay aw ah _ <<<"$area"
    main_geometry
    want_x=$((ax + (aw - w) / 2)) want_y=$((ay + (ah - h) / 2))
    [ "$w" = 480 ] && [ "$h" = 420 ] && [ $((x - want_x)) -le 1 ] && [ $((want_x - x)) -le 1 ] &&
        [ $((y - want_y)) -le 1 ] && [ $((want_y - y)) -le 1 ]
}
shown_normal() {
    viewable && [ "$(wm_state)" = Normal ] && ! net_state | grep -q _NET_WM_STATE_HIDDEN &&
        focused && centred
}
# Hidden with no taskbar entry: no main window (it may have been made anew) is mapped, managed
# or listed by the window manager.
withdrawn() {
    local id state
    for id in $(xdotool search --name '^Dialtoll 2\.0$' 2>/dev/null); do
        state=$(wm_state "$id")
        if viewable "$id" || [ "$state" = Normal ] || [ "$state" = Iconic ] ||
            in_client_list "$id"; then
            return 1
        fi
    done
}
iconified() {
    ! viewable && [ "$(wm_state)" = Iconic ] && net_state | grep -q _NET_WM_STATE_HIDDEN &&
        in_client_list
}
describe() {
    main_geometry
    echo "map: $(xwininfo -id "$main" | awk '/Map State/ {print $3}'), WM_STATE: $(wm_state)," \
        "$(net_state), active: $(xdotool getactivewindow 2>/dev/null) (main $main)," \
        "at $x,$y ${w}x$h, in client list: $(in_client_list && echo yes || echo no)"
}
expect() {
    local what=$1 state=$2
    wait_until 10 "$state" || fail "$what: $(describe)"
}

# A popup menu of Dialtoll is mapped (Qt menus are override-redirect windows).
menu_open() {
    local id
    for id in $(xdotool search --onlyvisible --class Dialtoll 2>/dev/null); do
        [ "$id" = "${main:-}" ] || [ "$(hex "$id")" = "$icon" ] && continue
        xwininfo -id "$id" | grep -q 'Override Redirect State: yes' && menu=$id && return 0
    done
    return 1
}
menu_closed() { ! menu_open; }
# The close zone of the title band; the icon at the band's left opens the window menu.
click_close_zone() {
    main_geometry
    xdotool mousemove $((x + 466)) $((y + 10)) click 1
    last_icon_click=0
}
close_by_window_menu() {
    main_geometry
    xdotool mousemove $((x + 8)) $((y + 8)) click 1
    last_icon_click=0
    wait_until 10 menu_open || fail "the window menu did not open: $(describe)"
    xdotool key Return
}

# 1. Tray first, then the meter: only the icon shows.
start_trayer
mkdir -p "$work/data"
start_meter
wait_until 15 find_icon || fail "no tray icon appeared"
sleep 1 # time in which a wrongly shown window would map
if find_main && viewable; then fail "the main window shows at start"; fi

for i in $(seq "$cycles"); do
    click_icon 1
    [ "$i" = 1 ] && { wait_until 10 find_main || fail "no main window"; }
    expect "tray click $i did not show the main window" shown_normal
    if [ "$i" = "$cycles" ]; then
        import -window root "$shots/main-window-desktop.png" 2>/dev/null
        main_geometry
        import -window root -crop "${w}x${h}+${x}+${y}" "$shots/main-window.png" 2>/dev/null
    fi
    if ((i % 2)); then click_close_zone; else close_by_window_menu; fi
    expect "hiding $i left the main window on screen or in the taskbar" withdrawn
done
echo "tray click: $cycles cycles ok"

# Minimised by the window manager (its key binding or taskbar), it leaves only the icon too.
click_icon 1
expect "tray click did not show the main window" shown_normal
xdotool windowminimize "$main"
expect "minimising left the main window in the taskbar" withdrawn
# It may come back as a new native window.
click_icon 1
wait_until 10 find_main || fail "no main window after a minimise"
expect "after a minimise, a tray click did not show the main window" shown_normal
click_close_zone
expect "hiding after a minimise" withdrawn

for i in $(seq "$cycles"); do
    click_icon 3
    wait_until 10 menu_open || fail "tray menu $i did not open: $(describe)"
    [ "$i" = 1 ] && import -window root "$shots/tray-menu-desktop.png" 2>/dev/null
    xdotool key Return
    expect "打开主界面 $i did not show the main window" shown_normal
    wait_until 10 menu_closed || fail "the tray menu stayed open"
    click_close_zone
    expect "hiding $i left the main window on screen or in the taskbar" withdrawn
done
echo "tray menu 打开主界面: $cycles cycles ok"
# The settings window opened from the main window goes and comes with it.
click_icon 1
expect "tray click did not show the main window" shown_normal
main_geometry
xdotool mousemove $((x + 160)) $((y + 298)) click 1 # 系统设置(&S)
last_icon_click=0
find_settings() { settings=$(xdotool search --name '^Dialtoll设置$' 2>/dev/null | head -n 1) && [ -n "$settings" ]; }
settings_viewable() { xwininfo -id "$settings" | grep -q 'IsViewable'; }
settings_hidden() { ! settings_viewable; }
wait_until 10 find_settings && wait_until 10 settings_viewable || fail "the settings window did not open"
import -window root "$shots/settings-over-main.png" 2>/dev/null
click_close_zone
expect "hiding with the settings window open" withdrawn
wait_until 10 settings_hidden || fail "the settings window stayed when the main window hid"
click_icon 1
expect "tray click did not show the main window with its settings window" shown_normal
wait_until 10 settings_viewable || fail "the settings window did not come back with the main window"
click_close_zone
expect "hiding after the settings window" withdrawn
echo "settings window goes and comes with the main window: ok"

# The tray host ends while the window is hidden: a taskbar entry stands in for the icon.
kill "$trayer_pid" 2>/dev/null
wait "$trayer_pid" 2>/dev/null
tray_gone() { ! xdotool search --class trayer >/dev/null 2>&1; }
wait_until 10 tray_gone || fail "trayer did not end"
find_main
expect "when the tray ended, the hidden window must come to the taskbar" iconified
stop_meter

# 2. The meter before the tray (a panel that starts after the autostart programs).
start_meter
wait_until 10 find_main || fail "no main window without a tray"
expect "without a tray the main window did not show at start" shown_normal
click_close_zone
expect "without a tray, hiding must iconify the window with a taskbar entry" iconified
start_trayer
wait_until 15 find_icon || fail "the icon did not dock in a tray started later"
expect "once docked, the iconified window must leave the taskbar" withdrawn
click_icon 1
wait_until 10 find_main || fail "no main window after late docking"
expect "a tray click after late docking did not show the main window" shown_normal
import -window root "$shots/late-tray.png" 2>/dev/null
click_close_zone
expect "hiding after late docking" withdrawn
stop_meter
echo "Dialtoll tray and main window under openbox: ok (screenshots in $shots)"
