#!/usr/bin/env bash
# A real window check of logging on, under Xvfb with openbox and a tray host. Multi-user
# management and both lock options on: a TUN link comes up and the login window must appear,
# keep the pointer inside it and the keys away from other windows, and open the session of the
# user who logs on. Then a stand-in dialler's dialog must be held back with the login window
# centred over it, and 取消 must close it. Screenshots go to the folder given as second argument.
set -uo pipefail
bin=${1:?folder of the programs}
shots=${2:-.}
for tool in Xvfb openbox trayer xdotool xwininfo import sqlcipher; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed"
        exit 0
    fi
done
if [ "$(id -u)" -ne 0 ] || [ ! -c /dev/net/tun ]; then
    echo "SKIPPED: a TUN link needs root and /dev/net/tun"
    exit 0
fi
for program in Dialtoll tun_link fake_dialer; do
    [ -x "$bin/$program" ] || { echo "FAIL: $bin/$program is not built"; exit 1; }
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
    echo "--- Dialtoll said:"
    cat "$work/log" 2>/dev/null
    exit 1
}

source "$(dirname "$0")/desktop.bash"
screen_w=1024 screen_h=768
start_desktop "${screen_w}x${screen_h}"
start_trayer

export DIALTOLL_HOME=$work/data XDG_CONFIG_HOME=$work/config
mkdir -p "$DIALTOLL_HOME"
iface=dtlogin$$
iface=${iface:0:15}
database=$DIALTOLL_HOME/veyranettimer.dat
# The meter writes at the same moments; the shell waits for it as the programs do.
sql() { printf ".timeout 5000\nPRAGMA key='松风明月夜';\n%s\n" "$1" | sqlcipher "$database" | tail -n 1; }

DIALTOLL_DIALUP_IFACES=$iface "$bin/Dialtoll" >"$work/log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -f "$database" ] && break
    sleep 0.1
done
[ -f "$database" ] || fail "no database"
sleep 0.5
sql "update Masterset set More='1', Screen='1', Mouse='1' where User='Master';
insert into Users (ID,User,Password) values (3,'alice','Pw1');
insert into UserSet (ID,User,ShowMoney,ShowTm) values (3,'alice',0,0);
select More||Screen||Mouse from Masterset;" | grep -qx 111 || fail "could not switch the options on"

# Another program's window, to try the keyboard on.
"$bin/fake_dialer" "记事本" >"$work/other.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    grep -q '^shown' "$work/other.out" && break
    sleep 0.1
done
other=$(sed -n 's/^shown //p' "$work/other.out")
[ -n "$other" ] || fail "the other window did not show"

# Where a window is: "x y w h" of its frame (openbox's decoration included).
frame_of() {
    local info x y w h left right top bottom
    info=$(xwininfo -id "$1" -wm -stats)
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/^ *Width:/ {print $2}' <<<"$info")
    h=$(awk '/^ *Height:/ {print $2}' <<<"$info")
    read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS |
        sed -n 's/.*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')
    echo "$((x - ${left:-0})) $((y - ${top:-0})) $((w + ${left:-0} + ${right:-0})) $((h + ${top:-0} + ${bottom:-0}))"
}
pointer() { xdotool getmouselocation | sed -E 's/x:([0-9-]+) y:([0-9-]+).*/\1 \2/'; }
login_window() { xdotool search --onlyvisible --name '^Dialtoll用户登录$' 2>/dev/null | head -n 1; }

# 1. A link comes up with nobody logged on.
"$bin/tun_link" "$iface" "$work/$iface.pid" >"$work/link.out" 2>&1 &
link_pid=$!
pids+=($link_pid)
for _ in $(seq 100); do
    grep -qx ready "$work/link.out" && break
    sleep 0.05
done
grep -qx ready "$work/link.out" || fail "tun_link: $(cat "$work/link.out")"
login=
for _ in $(seq 100); do
    login=$(login_window)
    [ -n "$login" ] && break
    sleep 0.1
done
[ -n "$login" ] || fail "no login window for the link"
sleep 1
read -r lx ly lw lh < <(frame_of "$login")
mkdir -p "$shots"
import -window root "$shots/login-for-link.png" 2>/dev/null

# The pointer stays inside: the window's rectangle moved up by 6 pixels.
for target in "5 5" "1000 700" "$((lx + lw + 100)) $((ly + 10))"; do
    read -r tx ty <<<"$target"
    xdotool mousemove "$tx" "$ty"
    sleep 0.2
    read -r px py < <(pointer)
    if [ "$px" -lt "$lx" ] || [ "$px" -ge $((lx + lw)) ] || [ "$py" -lt $((ly - 6)) ] ||
        [ "$py" -ge $((ly + lh - 6)) ]; then
        fail "the pointer went to $px,$py (asked $tx,$ty); the login window is $lw x $lh at $lx,$ly"
    fi
done

# The keys go to the login window even when another window has the focus.
xdotool windowfocus "$other" 2>/dev/null
sleep 0.2
xdotool type --delay 50 alice
sleep 0.5
if grep -q '^key' "$work/other.out"; then fail "another window got keys: $(cat "$work/other.out")"; fi
xdotool key Tab
xdotool type --delay 50 Pw1
xdotool key Return
for _ in $(seq 50); do
    [ -z "$(login_window)" ] && break
    sleep 0.1
done
[ -z "$(login_window)" ] || fail "the login window stayed after the right password"
rows=""
for _ in $(seq 50); do
    rows=$(sql "select count(*) from Notes where User='alice' and FromD<>'';")
    [ "$rows" = 1 ] && break
    sleep 0.1
done
[ "$rows" = 1 ] || fail "alice's session record: $rows rows"
# Pointer and keyboard are free again.
xdotool mousemove 5 5
sleep 0.2
[ "$(pointer)" = "5 5" ] || fail "the pointer is still held: $(pointer)"
xdotool windowfocus "$other" 2>/dev/null
sleep 0.2
xdotool type --delay 50 q
for _ in $(seq 30); do
    grep -qx 'key q' "$work/other.out" && break
    sleep 0.1
done
grep -qx 'key q' "$work/other.out" || fail "the keyboard is still held"
echo "link: login window, pointer and keyboard held, alice's session opened, lock lifted"

# 2. The link ends (the permission with it); a dialler's dialog opens. Without the pointer
# lock this time, so a click can be tried on the dialog beside the login window.
kill -TERM "$link_pid"
wait "$link_pid" 2>/dev/null
sql "update Masterset set Mouse='0' where User='Master'; select Mouse from Masterset;" |
    grep -qx 0 || fail "could not switch the pointer lock off"
sleep 1
"$bin/fake_dialer" "连接到" >"$work/dialer.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    grep -q '^shown' "$work/dialer.out" && break
    sleep 0.1
done
dialer=$(sed -n 's/^shown //p' "$work/dialer.out")
[ -n "$dialer" ] || fail "the dialer did not show"
login=
for _ in $(seq 100); do
    login=$(login_window)
    [ -n "$login" ] && break
    sleep 0.1
done
[ -n "$login" ] || fail "no login window for the dialog"
sleep 1
read -r dx dy dw dh < <(frame_of "$dialer")
read -r lx ly lw lh < <(frame_of "$login")
import -window root "$shots/login-over-dialer.png" 2>/dev/null
want_x=$((dx + (dw - lw) / 2)) want_y=$((dy + (dh - lh) / 2))
[ $((lx - want_x)) -le 1 ] && [ $((want_x - lx)) -le 1 ] && [ $((ly - want_y)) -le 1 ] &&
    [ $((want_y - ly)) -le 1 ] ||
    fail "login window at $lx,$ly ($lw x $lh), not centred over the dialog ($dw x $dh at $dx,$dy)"

# A click on the dialog, below the login window, does not reach it.
click_y=$((dy + dh - 10))
[ "$click_y" -ge $((ly + lh)) ] || fail "no part of the dialog shows below the login window"
xdotool mousemove $((dx + dw / 2)) "$click_y" click 1
sleep 0.5
if grep -q '^clicked' "$work/dialer.out"; then fail "the held dialog took a click"; fi

# 取消 closes the dialog.
read -r cx cy < <(xwininfo -id "$login" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
xdotool mousemove $((cx + 165 + 40)) $((cy + 70 + 13)) click 1
for _ in $(seq 50); do
    grep -qx closed "$work/dialer.out" && break
    sleep 0.1
done
grep -qx closed "$work/dialer.out" || fail "取消 did not close the dialog: $(cat "$work/dialer.out")"
for _ in $(seq 50); do
    [ -z "$(login_window)" ] && break
    sleep 0.1
done
[ -z "$(login_window)" ] || fail "the login window stayed after 取消"
echo "dialog: held back, login window centred over it, closed by 取消"
echo "screenshots: $shots/login-for-link.png $shots/login-over-dialer.png"
