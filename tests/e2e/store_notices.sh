#!/usr/bin/env bash
# Real-window check of the meter's notices under Xvfb with openbox and a tray host: with a
# database it cannot open, a message box saying so comes up on top while the meter runs on;
# with a data folder it cannot use, a box says so and the meter ends with status 1 once it is
# answered. Screenshots go to the folder given as second argument.
set -uo pipefail
bin=${1:?folder of the programs}
shots=${2:-.}
for tool in Xvfb openbox trayer xdotool xwininfo import setpriv; do
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
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

source "$(dirname "$0")/desktop.bash"
start_desktop
start_trayer
export XDG_CONFIG_HOME=$work/config
mkdir -p "$shots"

# A viewable top-level window titled exactly "Dialtoll" wider than a tray icon: a message box.
find_box() {
    local window
    for window in $(xdotool search --onlyvisible --name '^Dialtoll$' 2>/dev/null); do
        [ "$(xwininfo -id "$window" | awk '/Width:/ {print $2}')" -gt 100 ] && echo "$window" &&
            return 0
    done
    return 1
}
wait_box() {
    local _
    for _ in $(seq 100); do
        find_box && return 0
        sleep 0.1
    done
    return 1
}

# A database of garbage: the meter runs on, and says it records nothing.
mkdir -p "$work/bad"
head -c 8192 /dev/urandom >"$work/bad/veyranettimer.dat"
DIALTOLL_HOME=$work/bad "$bin/Dialtoll" >"$work/bad.log" 2>&1 &
meter=$!
pids+=("$meter")
box=$(wait_box) || fail "no notice box: $(cat "$work/bad.log")"
[ "$(xdotool getactivewindow)" = "$box" ] || fail "the notice box is not the active window"
import -window root "$shots/store-notice.png" 2>/dev/null
kill -0 "$meter" || fail "the meter ended"
kill -TERM "$meter"
for _ in $(seq 100); do
    kill -0 "$meter" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$meter" 2>/dev/null && fail "the meter did not end on SIGTERM with its notice open"
wait "$meter" || fail "the meter ended with $?"

# A data folder it cannot write: a box, and status 1 once it is answered.
mkdir -p "$work/readonly"
chmod 555 "$work/readonly"
DIALTOLL_HOME=$work/readonly setpriv --bounding-set=-dac_override,-dac_read_search,-fowner \
    "$bin/Dialtoll" >"$work/readonly.log" 2>&1 &
meter=$!
pids+=("$meter")
box=$(wait_box) || fail "no box for the read-only folder: $(cat "$work/readonly.log")"
import -window root "$shots/start-failure.png" 2>/dev/null
kill -0 "$meter" || fail "the meter ended before its box was answered"
xdotool windowactivate --sync "$box" key Return
for _ in $(seq 50); do
    kill -0 "$meter" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$meter" 2>/dev/null && fail "the meter runs on after its start failed"
wait "$meter"
status=$?
[ "$status" = 1 ] || fail "the meter ended with status $status, not 1"
echo "Dialtoll store notices: ok (screenshots in $shots)"
