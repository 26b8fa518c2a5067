#!/usr/bin/env bash
# The real meter, offscreen, on a private session bus where a monitor stands in for the desktop's
# notification service: a TUN link coming up and going down must each give a notification with
# its summary and body. Then the killed meter, started again as the user unit would, must meter
# the link that is still up. Needs root and /dev/net/tun for the link.
set -uo pipefail
bin=${1:?folder of the programs}
name=desktop_notices
source "$(dirname "$0")/../faults/meter_faults.bash"
need_links
for tool in dbus-daemon dbus-monitor; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $name: $tool is not installed"; exit 0; }
done
setup_work

dbus-daemon --session --nofork --print-address=1 >"$work/bus.address" 2>"$work/bus.err" &
extra_pids=$!
until [ -s "$work/bus.address" ]; do
    kill -0 "$extra_pids" 2>/dev/null || fail "dbus-daemon: $(cat "$work/bus.err")"
    sleep 0.05
done
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$work/bus.address")
dbus-monitor --address "$DBUS_SESSION_BUS_ADDRESS" \
    "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
    >"$work/monitor.log" 2>&1 &
extra_pids="$extra_pids $!"
sleep 0.5

# Waits until the monitor has seen `text` in a string argument.
notified() {
    local waited=0
    until grep -qF "string \"$1\"" "$work/monitor.log"; do
        sleep 0.05
        waited=$((waited + 1))
        [ "$waited" -lt 200 ] || return 1
    done
}

start_meter
wait_meter_ready
link_up
notified "已联机" || fail "no notification of the link coming up: $(cat "$work/monitor.log")"
# The default tariff: 6.2 by day, 4.2 at night and on rest days.
grep -qE 'string "计费用户：公用帐号，费率：(6|4)\.2元/时"' "$work/monitor.log" ||
    fail "the link-up notification lacks the account and rate: $(cat "$work/monitor.log")"
grep -qF 'string "Dialtoll"' "$work/monitor.log" || fail "the notification is not Dialtoll's"
grep -qF 'string "org.dialtoll.Dialtoll"' "$work/monitor.log" || fail "the notification has no icon"
sleep 2.2
link_down
notified "已断开连接" || fail "no notification of the link going down: $(cat "$work/monitor.log")"
grep -qE 'string "本次上网时间：0:00:0[2-4]，费用：0\.00 元"' "$work/monitor.log" ||
    fail "the link-down notification lacks time and fee: $(grep -A6 '已断开连接' "$work/monitor.log")"
echo "notifications: link up and link down seen"

# Killed while on line, then started again (as Restart=on-failure does): the link still up
# starts a new session at the first check.
link_up
notified "已联机" || fail "no second link-up notification"
kill -KILL "$meter_pid"
wait "$meter_pid" 2>/dev/null
meter_pid=''
before=$(grep -c 'string "已联机"' "$work/monitor.log")
start_meter
wait_meter_ready
waited=0
until [ "$(grep -c 'string "已联机"' "$work/monitor.log")" -gt "$before" ]; do
    sleep 0.05
    waited=$((waited + 1))
    [ "$waited" -lt 200 ] || fail "the restarted meter did not take up the link"
done
echo "restart: the restarted meter meters the link that is up"
stop_meter TERM
link_down
echo "$name: ok"
